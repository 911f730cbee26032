// The trace of one whole acquisition through Wine's Source Manager: asked for by
// the environment, it holds the conversation in order, readably, with the calls
// the source made to the scanner.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tools/twain_capability.h"
#include "tools/twain_client.h"

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Index of the first line at or after `from` that matches, or lines.size().
size_t Find(const std::vector<std::string>& lines, const std::string& pattern, size_t from) {
    const std::regex expression(pattern);
    for (size_t i = from; i < lines.size(); ++i)
        if (std::regex_search(lines[i], expression)) return i;
    return lines.size();
}

TEST(TraceSession, WholeAcquisitionIsTracedInOrder) {
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    const std::string path = std::string(directory) + "dunmere_trace_session.txt";
    DeleteFileA(path.c_str());
    SetEnvironmentVariableA("DUNMERE_TRACE", path.c_str());
    SetEnvironmentVariableA("TARNSCAN_MODEL", "QD120");
    {
        CTwainClient client;
        ASSERT_EQ(TWRC_SUCCESS, client.OpenManager());
        ASSERT_EQ(TWRC_SUCCESS, client.OpenSource());
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(client, ICAP_XRESOLUTION, TWTY_UINT16, 100));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(client, ICAP_YRESOLUTION, TWTY_UINT16, 100));
        EXPECT_EQ(TWRC_FAILURE, SetOneValue(client, ICAP_UNITS, TWTY_UINT16, TWUN_CENTIMETERS));
        ASSERT_EQ(TWRC_SUCCESS, client.Enable(false));
        ASSERT_EQ(MSG_XFERREADY, client.WaitForNotification(5000));
        TW_IMAGEINFO info = {};
        ASSERT_EQ(TWRC_SUCCESS, client.Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
        uintptr_t dib = 0;
        ASSERT_EQ(TWRC_XFERDONE, client.Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
        GlobalFree(reinterpret_cast<HGLOBAL>(dib));
        ASSERT_EQ(TWRC_SUCCESS, client.EndTransfer());
        ASSERT_EQ(TWRC_SUCCESS, client.Disable());
        ASSERT_EQ(TWRC_SUCCESS, client.CloseSource());
    }
    SetEnvironmentVariableA("DUNMERE_TRACE", nullptr);
    const std::vector<std::string> lines = ReadLines(path);
    ASSERT_FALSE(lines.empty()) << path;
    // Each step in its order, with its data, codes and states.
    const char* const steps[] = {
        R"(DG_CONTROL/DAT_IDENTITY/MSG_OPENDS "Halvard TWAIN Driver" -> TWRC_SUCCESS state 0->4)",
        R"(DAT_CAPABILITY/MSG_SET ICAP_XRESOLUTION TWON_ONEVALUE TWTY_UINT16 item=0x64 -> TWRC_SUCCESS state 4->4)",
        R"(DAT_CAPABILITY/MSG_SET -> TWRC_FAILURE TWCC_BADVALUE state 4->4)",
        R"(DAT_USERINTERFACE/MSG_ENABLEDS ShowUI=0 -> TWRC_SUCCESS state 4->6)",
        R"(DG_IMAGE/DAT_IMAGEINFO/MSG_GET \d+x\d+ 24 bits pixeltype=2 100x100 dpi -> TWRC_SUCCESS)",
        R"(device Open -> 1)",
        R"(device window 100x100 dpi)",
        R"(device StartScan -> 1)",
        R"(device ReadData requested=\d+ delivered=\d+ -> 0)",
        R"(DAT_IMAGENATIVEXFER/MSG_GET -> TWRC_XFERDONE state 6->6)",
        R"(DAT_PENDINGXFERS/MSG_ENDXFER Count=0 -> TWRC_SUCCESS state 6->5)",
        R"(DAT_USERINTERFACE/MSG_DISABLEDS.* -> TWRC_SUCCESS state 5->4)",
        R"(DAT_IDENTITY/MSG_CLOSEDS -> TWRC_SUCCESS state 4->0)",
    };
    size_t at = 0;
    for (const char* step : steps) {
        const size_t found = Find(lines, step, at);
        ASSERT_LT(found, lines.size()) << "no line after " << at << " matches: " << step;
        at = found + 1;
    }
    // The notification is traced where it happened, inside the enable.
    EXPECT_LT(Find(lines, "notify DG_CONTROL/DAT_NULL/MSG_XFERREADY", 0), lines.size());
    // Every line starts with the time.
    for (const std::string& line : lines)
        EXPECT_TRUE(std::regex_search(line, std::regex(R"(^\d\d:\d\d:\d\d\.\d\d\d )"))) << line;
    DeleteFileA(path.c_str());
}

}  // namespace
