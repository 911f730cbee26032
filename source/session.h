// The connection to one application: who is talking, where the TWAIN conversation
// stands, the condition code of the last failure, and how the Source Manager is
// reached.
#pragma once

#include <cstdint>

#include "platform/twain.h"

// The TWAIN states the source is in: no application, open, enabled, transfer
// ready, transferring.
enum class TwainState : int32_t {
    Closed = 0,
    Open = 4,
    Enabled = 5,
    TransferReady = 6,
    Transferring = 7,
};

class TwainSession {
public:
    TwainState State() const { return state_; }
    // A step within the connection: enabled, transfer ready, transferring, or back.
    void MoveTo(TwainState state) { state_ = state; }

    // DAT_IDENTITY MSG_OPENDS: the application and the identity the Source Manager
    // gave the source. An application with DF_APP2 speaks TWAIN 2.
    void Open(const TW_IDENTITY& application, const TW_IDENTITY& source);
    // MSG_CLOSEDS: the application is forgotten, and so is the Source Manager's
    // entry point (the next one to open the source hands over its own).
    void Close();

    const TW_IDENTITY& AppIdentity() const { return appIdentity_; }
    const TW_IDENTITY& SourceIdentity() const { return sourceIdentity_; }
    // The identity the source reports before any Source Manager has given it an Id.
    void Describe(const TW_IDENTITY& source) { sourceIdentity_ = source; }
    // The connected application speaks TWAIN 2 (DF_APP2 in its identity at the open).
    bool Twain2Application() const { return twain2Application_; }

    TW_UINT16 ConditionCode() const { return conditionCode_; }
    void SetConditionCode(TW_UINT16 conditionCode) { conditionCode_ = conditionCode; }
    // DAT_STATUS: the condition code, cleared once it is read.
    TW_UINT16 TakeConditionCode();

    // The entry point a TWAIN 2 Source Manager handed over before the open; false
    // when the record is short or names no entry.
    bool KeepManagerEntry(const TW_ENTRYPOINT& entry);
    // Null when no TWAIN 2 Source Manager handed one over.
    const TW_ENTRYPOINT* ManagerEntry() const {
        return hasManagerEntry_ ? &managerEntry_ : nullptr;
    }

    // Calls the application through the Source Manager's entry point.
    TW_UINT16 CallApplication(DSMENTRYPROC entry, TW_UINT16 msg);

private:
    TW_IDENTITY appIdentity_ = {};
    TW_IDENTITY sourceIdentity_ = {};
    TwainState state_ = TwainState::Closed;
    TW_UINT16 conditionCode_ = TWCC_SUCCESS;
    TW_ENTRYPOINT managerEntry_ = {};
    bool hasManagerEntry_ = false;
    bool twain2Application_ = false;
};
