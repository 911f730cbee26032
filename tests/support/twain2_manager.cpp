#include "tests/support/twain2_manager.h"

#include "tests/support/source_fixture.h"
int FakeTwain2Manager::Notifications = 0;
TW_UINT16 FakeTwain2Manager::LastMessage = 0;
int FakeTwain2Manager::Allocations = 0;
int FakeTwain2Manager::Frees = 0;
int FakeTwain2Manager::Locks = 0;
int FakeTwain2Manager::Unlocks = 0;

namespace {

TW_UINT16 WINAPI Entry(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                       TW_MEMREF) {
    if (dg != DG_CONTROL || dat != DAT_NULL) return TWRC_FAILURE;
    ++FakeTwain2Manager::Notifications;
    FakeTwain2Manager::LastMessage = msg;
    return TWRC_SUCCESS;
}

TW_HANDLE WINAPI Allocate(TW_UINT32 bytes) {
    ++FakeTwain2Manager::Allocations;
    return GlobalAlloc(GHND, bytes);
}

void WINAPI Free(TW_HANDLE block) {
    ++FakeTwain2Manager::Frees;
    GlobalFree(block);
}

TW_MEMREF WINAPI Lock(TW_HANDLE block) {
    ++FakeTwain2Manager::Locks;
    return GlobalLock(block);
}

void WINAPI Unlock(TW_HANDLE block) {
    ++FakeTwain2Manager::Unlocks;
    GlobalUnlock(block);
}

}  // namespace

TW_ENTRYPOINT FakeTwain2Manager::Reset() {
    Notifications = Allocations = Frees = Locks = Unlocks = 0;
    LastMessage = 0;
    return {sizeof(TW_ENTRYPOINT), &Entry, &Allocate, &Free, &Lock, &Unlock};
}

TW_IDENTITY FakeTwain2Manager::Twain2Application(TW_UINT32 id) {
    TW_IDENTITY identity = MakeIdentity(id, "TWAIN 2 Test Application");
    identity.Version.MajorNum = 2;
    identity.ProtocolMajor = 2;
    identity.ProtocolMinor = 4;
    identity.SupportedGroups |= DF_APP2;
    return identity;
}
