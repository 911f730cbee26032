#include "bench/trace_cost.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "bench/transfer_runs.h"
#include "tools/twain_client.h"

namespace {

constexpr int TripletsPerRound = 20000;

struct TraceFigures {
    bool Ok = false;
    double SecondsPerBlock = 0;
    double SecondsPerTriplet = 0;  // DAT_SETUPMEMXFER MSG_GET: the source only answers
    uint64_t Blocks = 0;
};

bool Reopen(CTwainClient& client, const char* traceFile) {
    client.CloseSource();
    SetEnvironmentVariableA("DUNMERE_TRACE", traceFile);
    return client.OpenSource() == TWRC_SUCCESS;
}

// Negative when the source refused the triplet.
double SecondsPerTriplet(CTwainClient& client) {
    TW_SETUPMEMXFER setup{};
    TW_UINT16 result = TWRC_SUCCESS;
    const double start = Seconds();
    for (int i = 0; i < TripletsPerRound && result == TWRC_SUCCESS; ++i)
        result = client.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    return result == TWRC_SUCCESS ? (Seconds() - start) / TripletsPerRound : -1;
}

TraceFigures Measure(CTwainClient& client, const char* traceFile, int runs) {
    TraceFigures figures;
    if (!Reopen(client, traceFile)) return figures;
    // 2,000 pixels of 8-bit grey, 2,000 rows: one 2,000-byte row a block.
    const ScanSetup setup{TWPT_GRAY, 200, 10, 10, TWSX_MEMORY};
    std::string error;
    if (!Negotiate(client, setup, error)) {
        std::printf("  %s\n", error.c_str());
        return figures;
    }
    std::vector<double> perBlock, perTriplet;
    for (int run = 0; run < runs; ++run) {
        std::vector<unsigned char> buffer(2000);
        const RunResult result = RunMemory(client, buffer, false);
        if (!result.Ok) {
            std::printf("  %s\n", result.Error.c_str());
            return figures;
        }
        figures.Blocks = result.Height;
        perBlock.push_back(result.Seconds / result.Height);
        const double triplet = SecondsPerTriplet(client);
        if (triplet < 0) {
            std::printf("  DAT_SETUPMEMXFER MSG_GET was refused\n");
            return figures;
        }
        perTriplet.push_back(triplet);
    }
    figures.SecondsPerBlock = Median(perBlock);
    figures.SecondsPerTriplet = Median(perTriplet);
    figures.Ok = true;
    return figures;
}

std::string TemporaryTraceFile() {
    char directory[MAX_PATH], file[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    GetTempFileNameA(directory, "dtr", 0, file);
    return file;
}

}  // namespace

void ReportTraceCost(CTwainClient& client, int runs) {
    const std::string traceFile = TemporaryTraceFile();
    const TraceFigures off = Measure(client, nullptr, runs);
    const TraceFigures on = Measure(client, traceFile.c_str(), runs);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    GetFileAttributesExA(traceFile.c_str(), GetFileExInfoStandard, &attributes);
    DeleteFileA(traceFile.c_str());
    Reopen(client, nullptr);
    std::printf("Trace of the conversation (memory transfer of one 2,000-byte row a block)\n");
    if (!off.Ok || !on.Ok) {
        std::printf("  not measured\n");
        return;
    }
    std::printf("  trace off: %6.2f us a block, %6.2f us a triplet that only answers\n",
                off.SecondsPerBlock * 1e6, off.SecondsPerTriplet * 1e6);
    std::printf(
        "  trace on:  %6.2f us a block, %6.2f us a triplet that only answers "
        "(%.1f MB written for %d runs)\n",
        on.SecondsPerBlock * 1e6, on.SecondsPerTriplet * 1e6, attributes.nFileSizeLow / 1e6, runs);
    std::printf("  on / off:  %6.2f a block, %6.2f a triplet\n",
                on.SecondsPerBlock / off.SecondsPerBlock,
                on.SecondsPerTriplet / off.SecondsPerTriplet);
}
