// twacquire: acquires one image through the TWAIN Source Manager, as any TWAIN 1.x
// application would, and writes it as .bmp and .png.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "tools/image/bmp_file.h"
#include "tools/image/png_file.h"
#include "tools/twacquire/failure.h"
#include "tools/twacquire/listing.h"
#include "tools/twacquire/negotiation.h"
#include "tools/twacquire/options.h"
#include "tools/twacquire/transfers.h"
#include "tools/twain_capability.h"
#include "tools/twain_client.h"
#include "tools/twain_text.h"

namespace {

enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2, kCancelled = 3 };

bool QueryImageInfo(CTwainClient& client, TW_IMAGEINFO& info) {
    info = TW_IMAGEINFO{};
    TW_UINT16 rc = client.Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    if (rc != TWRC_SUCCESS) {
        ReportFailure(client, "DAT_IMAGEINFO", rc);
        return false;
    }
    std::fprintf(stderr, "image: %ld x %ld pixels, %d bits, %s, %g x %g dpi\n",
                 static_cast<long>(info.ImageWidth), static_cast<long>(info.ImageLength),
                 info.BitsPerPixel, PixelTypeName(info.PixelType), Fix32ToDouble(info.XResolution),
                 Fix32ToDouble(info.YResolution));
    return true;
}

TW_UINT32 MemoryBufferSize(CTwainClient& client, const AcquireOptions& options) {
    TW_SETUPMEMXFER setup{};
    TW_UINT16 rc = client.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    if (options.BufferSize) {
        if (rc == TWRC_SUCCESS && setup.MaxBufSize != TWON_DONTCARE32 &&
            *options.BufferSize > setup.MaxBufSize)
            ReportWarning("buffer of " + std::to_string(*options.BufferSize) +
                          " bytes is above the source's maximum of " +
                          std::to_string(setup.MaxBufSize));
        return *options.BufferSize;
    }
    if (rc == TWRC_SUCCESS && setup.Preferred != TWON_DONTCARE32 && setup.Preferred > 0)
        return setup.Preferred;
    return 64 * 1024;
}

bool WriteFiles(const std::string& base, const Image& image) {
    std::string error;
    if (!WriteBmp(base + ".bmp", image, error)) {
        ReportError(error);
        return false;
    }
    if (!WritePng(base + ".png", image, error)) {
        ReportError(error);
        return false;
    }
    return true;
}

// Whether the file can be written, found out before anything is scanned; a file
// that did not exist is not left behind.
bool CanCreate(const std::string& path) {
    const bool existed = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return false;
    std::fclose(file);
    if (!existed) DeleteFileA(path.c_str());
    return true;
}

// Ends the session in order; a refusal here is worth a warning, not a failure.
void EndSession(CTwainClient& client) {
    TW_UINT16 rc;
    if ((rc = client.EndTransfer()) != TWRC_SUCCESS) ReportFailure(client, "MSG_ENDXFER", rc);
    if ((rc = client.Disable()) != TWRC_SUCCESS) ReportFailure(client, "MSG_DISABLEDS", rc);
    if ((rc = client.CloseSource()) != TWRC_SUCCESS) ReportFailure(client, "MSG_CLOSEDS", rc, true);
    if ((rc = client.CloseManager()) != TWRC_SUCCESS)
        ReportFailure(client, "MSG_CLOSEDSM", rc, true);
}

int Acquire(CTwainClient& client, const AcquireOptions& options) {
    const std::string base = OutputBase(options.Output);
    for (const char* ending : {".bmp", ".png"}) {
        if (!CanCreate(base + ending)) {
            ReportError("cannot create " + base + ending);
            return kFailure;
        }
    }
    if (!Negotiate(client, options)) return kFailure;
    const TW_UINT16 mechanism = CurrentTransferMechanism(client);
    const TW_UINT32 bufferSize = mechanism == TWSX_MEMORY ? MemoryBufferSize(client, options) : 0;

    TW_UINT16 rc = client.Enable(options.ShowUI);
    if (rc != TWRC_SUCCESS) {
        ReportFailure(client, "MSG_ENABLEDS", rc);
        return kFailure;
    }
    if (options.ShowUI)
        std::fprintf(stderr, "waiting for the source's dialog: acquire or cancel there\n");
    const DWORD timeout =
        options.TimeoutSeconds > 0 ? static_cast<DWORD>(options.TimeoutSeconds * 1000) : INFINITE;
    const TW_UINT16 notification = client.WaitForNotification(timeout);
    if (notification == MSG_CLOSEDSREQ) {
        ReportError("cancelled at the source");
        client.Disable();
        return kCancelled;
    }
    if (notification != MSG_XFERREADY) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", options.TimeoutSeconds);
        ReportError(std::string("the source announced no image within ") + seconds + " s");
        TW_UINT16 cc = client.SourceConditionCode();
        if (cc != TWCC_SUCCESS)
            ReportError("source's condition: " + DescribeFailure(TWRC_FAILURE, cc));
        client.Disable();
        return kFailure;
    }

    TW_IMAGEINFO info;
    if (!QueryImageInfo(client, info)) return kFailure;
    Image image;
    TransferOutcome outcome = mechanism == TWSX_MEMORY
                                  ? MemoryTransfer(client, info, bufferSize, image)
                                  : NativeTransfer(client, image);
    const char* name = mechanism == TWSX_MEMORY ? "DAT_IMAGEMEMXFER" : "DAT_IMAGENATIVEXFER";
    if (!outcome.Ok) {
        if (outcome.Error.empty())
            ReportFailure(client, name, outcome.ReturnCode);
        else
            ReportError(outcome.Error);
        return kFailure;
    }
    EndSession(client);

    if (!WriteFiles(base, image)) return kFailure;
    const double rate = outcome.Seconds > 0 ? outcome.Bytes / outcome.Seconds / 1e6 : 0;
    std::printf(
        "%s.png, %s.bmp: %ld x %ld pixels, %d bits, %llu bytes in %.3f s, %.1f MB/s (%s "
        "transfer)\n",
        base.c_str(), base.c_str(), static_cast<long>(image.Width), static_cast<long>(image.Height),
        image.BitsPerPixel, static_cast<unsigned long long>(outcome.Bytes), outcome.Seconds, rate,
        mechanism == TWSX_MEMORY ? "memory" : "native");
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    // Under Wine the C runtime's text mode writes \r\n; keep lines as they are.
    _setmode(_fileno(stdout), _O_BINARY);
    // Progress must show while it happens, also when stderr is a pipe or a file.
    std::setvbuf(stderr, nullptr, _IONBF, 0);

    AcquireOptions options;
    std::string error;
    switch (ParseOptions(argc, argv, options, error)) {
    case ParseResult::Help:
        std::fputs(UsageText(), stdout);
        return kSuccess;
    case ParseResult::Error:
        ReportError(error);
        std::fputs(UsageText(), stderr);
        return kUsage;
    case ParseResult::Run:
        break;
    }

    CTwainClient client;
    TW_UINT16 rc = client.OpenManager();
    if (rc != TWRC_SUCCESS) {
        ReportFailure(client, "opening the Source Manager (TWAIN_32.DLL)", rc, true);
        return kFailure;
    }
    rc = client.OpenSource(options.Source.c_str());
    if (rc != TWRC_SUCCESS) {
        ReportFailure(client, "opening the source \"" + options.Source + "\"", rc, true);
        return kFailure;
    }
    if (options.List) {
        ListSource(client, stdout);
        return kSuccess;
    }
    return Acquire(client, options);
}
