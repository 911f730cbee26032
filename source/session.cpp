#include "source/session.h"

void TwainSession::Open(const TW_IDENTITY& application, const TW_IDENTITY& source) {
    state_ = TwainState::Open;
    appIdentity_ = application;
    sourceIdentity_ = source;
    twain2Application_ = (application.SupportedGroups & DF_APP2) != 0;
}

void TwainSession::Close() {
    state_ = TwainState::Closed;
    appIdentity_.Id = 0;
    hasManagerEntry_ = false;
    twain2Application_ = false;
}

TW_UINT16 TwainSession::TakeConditionCode() {
    const TW_UINT16 conditionCode = conditionCode_;
    conditionCode_ = TWCC_SUCCESS;
    return conditionCode;
}

bool TwainSession::KeepManagerEntry(const TW_ENTRYPOINT& entry) {
    if (entry.Size < sizeof(TW_ENTRYPOINT) || !entry.DSM_Entry) return false;
    managerEntry_ = entry;
    managerEntry_.Size = sizeof(TW_ENTRYPOINT);
    hasManagerEntry_ = true;
    return true;
}

TW_UINT16 TwainSession::CallApplication(DSMENTRYPROC entry, TW_UINT16 msg) {
    return entry(&sourceIdentity_, &appIdentity_, DG_CONTROL, DAT_NULL, msg, nullptr);
}
