// Unit-test fixture: loads the data source's module state afresh for each test (as
// a process attach would), calls DS_Entry in-process, and restores the platform
// seams afterwards.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/twain.h"
#include "source/session.h"
#include "twain/identity.h"

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                                     TW_UINT16 msg, TW_MEMREF data);

class CTwainSource;

// A state by its number, in the messages of failed checks.
inline std::ostream& operator<<(std::ostream& out, TwainState state) {
    return out << static_cast<int>(state);
}

class SourceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Recreates the module state, as an unload and a new load would.
    void Reload();
    CTwainSource& Source();

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 CallFrom(TW_IDENTITY& origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                       TW_MEMREF data);
    // Condition code of the connected application (DAT_STATUS).
    TW_UINT16 Status();
    TW_UINT16 StatusOf(TW_IDENTITY& origin);

    // Opens the source for App (state 4).
    void Open();
    // Enables an open source without user interface; the fake Source Manager
    // accepts the notification unless told otherwise (state 6).
    void Enable();
    void OpenAndEnable();
    // DAT_IMAGEINFO: the image an announced transfer delivers (state 6).
    TW_IMAGEINFO ImageInfo();

    // MSG_SET of a one value in a block of the application's, freed afterwards.
    TW_UINT16 SetCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item);
    // The Item of the one value MSG_GETCURRENT returns (0 when refused); the reply
    // is freed through the global-memory seam, so that a counting seam sees it go.
    TW_UINT32 CurrentItem(TW_UINT16 cap);
    // One memory-transfer block into an application-owned buffer of `bytes`.
    TW_UINT16 TakeMemoryBlock(size_t bytes);

    // The per-user stored settings, as the dialog loads and saves them.
    static void ClearStoredSettings();
    static void StoreSetting(const char* name, DWORD value);
    // A stored DWORD, or -1 when the value is missing or of another type.
    static long long StoredSetting(const char* name);
    // Has the open source take up the stored settings as a user's: an enable with
    // the dialog loads them, the disable closes it (state 4 before and after).
    void LoadStoredSettings();

    TW_IDENTITY App = MakeIdentity(17, "Unit Test Application");
    TW_IDENTITY SourceId = MakeIdentity(23, "Halvard TWAIN Driver");
};

// Stand-in for the Source Manager seen by the source's notifications.
struct FakeSourceManager {
    static void Install();
    static void Uninstall();
    static TW_UINT16 Answer;  // what DSM_Entry returns
    static bool Missing;      // "TWAIN_32.DLL" cannot be loaded
    static int Calls;
    static TW_UINT16 LastMessage;
    static TW_IDENTITY LastOrigin;
    static TW_IDENTITY LastDestination;
};

// Global-memory seam that fails the n-th allocation (counting from 1) or every lock.
struct FailingGlobalMemory {
    static void FailAllocation(int n);
    static void FailLocks();
    static void Restore();
    static int Allocations;
};

// Environment variable set for the scope of a test.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value);
    ~ScopedEnvironment();

private:
    std::string name_;
    std::string previous_;
    bool hadPrevious_;
};
