#include "tests/support/source_fixture.h"

#include <cstring>
#include <vector>

#include "platform/global_memory.h"
#include "platform/source_manager_link.h"
#include "settings/settings_store.h"
#include "source/twain_source.h"
#include "tests/support/capability_containers.h"

TW_UINT16 FakeSourceManager::Answer = TWRC_SUCCESS;
bool FakeSourceManager::Missing = false;
int FakeSourceManager::Calls = 0;
TW_UINT16 FakeSourceManager::LastMessage = 0;
TW_IDENTITY FakeSourceManager::LastOrigin;
TW_IDENTITY FakeSourceManager::LastDestination;

namespace {

HMODULE const FakeManagerModule = reinterpret_cast<HMODULE>(0x5a5a0000);

TW_UINT16 WINAPI FakeDsmEntry(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32, TW_UINT16,
                              TW_UINT16 msg, TW_MEMREF) {
    ++FakeSourceManager::Calls;
    FakeSourceManager::LastMessage = msg;
    FakeSourceManager::LastOrigin = *origin;
    FakeSourceManager::LastDestination = *destination;
    return FakeSourceManager::Answer;
}

HMODULE WINAPI FakeLoadLibrary(LPCSTR name) {
    if (FakeSourceManager::Missing || lstrcmpiA(name, "TWAIN_32.DLL") != 0) return nullptr;
    return FakeManagerModule;
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name) {
    if (module != FakeManagerModule || std::strcmp(name, "DSM_Entry") != 0) return nullptr;
    return reinterpret_cast<FARPROC>(&FakeDsmEntry);
}

BOOL WINAPI FakeFreeLibrary(HMODULE module) {
    return module == FakeManagerModule;
}

int failAllocationNumber = 0;

HGLOBAL WINAPI CountingAlloc(UINT flags, SIZE_T bytes) {
    ++FailingGlobalMemory::Allocations;
    if (FailingGlobalMemory::Allocations == failAllocationNumber) return nullptr;
    return GlobalAlloc(flags, bytes);
}

LPVOID WINAPI FailingLock(HGLOBAL) {
    return nullptr;
}

}  // namespace

int FailingGlobalMemory::Allocations = 0;

void FailingGlobalMemory::FailAllocation(int n) {
    Allocations = 0;
    failAllocationNumber = n;
    platform::GlobalMemory.Alloc = &CountingAlloc;
}

void FailingGlobalMemory::FailLocks() {
    platform::GlobalMemory.Lock = &FailingLock;
}

void FailingGlobalMemory::Restore() {
    platform::GlobalMemory = platform::RealGlobalMemory;
    failAllocationNumber = 0;
}

void FakeSourceManager::Install() {
    Answer = TWRC_SUCCESS;
    Missing = false;
    Calls = 0;
    LastMessage = 0;
    platform::SourceManagerLink = {&FakeLoadLibrary, &FakeGetProcAddress, &FakeFreeLibrary};
}

void FakeSourceManager::Uninstall() {
    platform::SourceManagerLink = platform::RealSourceManagerLink;
}

void SourceTest::SetUp() {
    FakeSourceManager::Install();
    AttachModule(GetModuleHandleA(nullptr));
}

void SourceTest::TearDown() {
    DetachModule();
    FakeSourceManager::Uninstall();
    FailingGlobalMemory::Restore();
}

void SourceTest::Reload() {
    DetachModule();
    AttachModule(GetModuleHandleA(nullptr));
}

CTwainSource& SourceTest::Source() {
    return *TheSource();
}

TW_UINT16 SourceTest::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return DS_Entry(&App, dg, dat, msg, data);
}

TW_UINT16 SourceTest::CallFrom(TW_IDENTITY& origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                               TW_MEMREF data) {
    return DS_Entry(&origin, dg, dat, msg, data);
}

TW_UINT16 SourceTest::Status() {
    return StatusOf(App);
}

TW_UINT16 SourceTest::StatusOf(TW_IDENTITY& origin) {
    TW_STATUS status = {0xEEEE, 0};
    EXPECT_EQ(TWRC_SUCCESS, CallFrom(origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    return status.ConditionCode;
}

void SourceTest::Open() {
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &SourceId));
}

TW_UINT16 SourceTest::SetCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
    TW_CAPABILITY capability = {cap, TWON_ONEVALUE, AppBlock(OneValueContainer(itemType, item))};
    const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    GlobalFree(capability.hContainer);
    return result;
}

TW_UINT32 SourceTest::CurrentItem(TW_UINT16 cap) {
    TW_CAPABILITY capability = {cap, TWON_DONTCARE16, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability)) << cap;
    const Reply reply = ReadReply(capability.ConType, capability.hContainer);
    platform::GlobalMemory.Free(capability.hContainer);
    return reply.Item;
}

TW_UINT16 SourceTest::TakeMemoryBlock(size_t bytes) {
    std::vector<uint8_t> buffer(bytes);
    TW_IMAGEMEMXFER block = {};
    block.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
    block.Memory.Length = static_cast<TW_UINT32>(buffer.size());
    block.Memory.TheMem = buffer.data();
    return Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &block);
}

void SourceTest::ClearStoredSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, "software\\Brightmoor");
}

void SourceTest::StoreSetting(const char* name, DWORD value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, SettingsKeyPath().c_str(), name, REG_DWORD, &value,
                    sizeof value);
}

long long SourceTest::StoredSetting(const char* name) {
    DWORD value = 0, size = sizeof value;
    const LONG result = RegGetValueA(HKEY_CURRENT_USER, SettingsKeyPath().c_str(), name,
                                     RRF_RT_REG_DWORD, nullptr, &value, &size);
    return result == ERROR_SUCCESS ? static_cast<long long>(value) : -1;
}

void SourceTest::LoadStoredSettings() {
    TW_USERINTERFACE ui = {TRUE, FALSE, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
}

void SourceTest::Enable() {
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
}

void SourceTest::OpenAndEnable() {
    Open();
    Enable();
}

TW_IMAGEINFO SourceTest::ImageInfo() {
    TW_IMAGEINFO info = {};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    return info;
}

ScopedEnvironment::ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    char buffer[4096];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    hadPrevious_ = length > 0 && length < sizeof buffer;
    if (hadPrevious_) previous_ = buffer;
    SetEnvironmentVariableA(name, value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() {
    SetEnvironmentVariableA(name_.c_str(), hadPrevious_ ? previous_.c_str() : nullptr);
}
