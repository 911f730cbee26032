// A TWAIN 1.x application's side of the Source Manager: loads TWAIN_32.DLL, opens
// it with a message-only window as parent, opens one source by product name, sends
// triplets to it and pumps the thread's messages through MSG_PROCESSEVENT, which is
// how the Source Manager hands a 1.x application the source's notifications.
//
// Every operation returns the TWAIN return code of its triplet. When the failure
// lies in the client itself (library missing, source not found, no source open) the
// result is TWRC_FAILURE and LastClientCondition() says why.
#pragma once

#include <string>

#include "platform/twain.h"

extern const char* const HalvardProductName;  // "Halvard TWAIN Driver"

// Returned by the condition-code queries when the status triplet itself failed.
constexpr TW_UINT16 NoConditionCode = 0xffff;

class CTwainClient {
public:
    // appId: the application's Id. Wine's Source Manager keeps whatever Id the
    // application sets, and the source recognises its application by a non-zero Id.
    explicit CTwainClient(TW_UINT32 appId = 0x0d17);
    // Before OpenManager: the Source Manager library to load (default
    // "TWAIN_32.DLL"), and whether the application speaks TWAIN 2 (DF_APP2 and
    // protocol 2.4 in its identity; a 1.x application by default).
    void UseManager(const std::string& library) { managerLibrary_ = library; }
    void SpeakTwain2();
    // Steps down from whatever state the session is in: ends a pending transfer,
    // disables and closes the source, closes the Source Manager, frees the library.
    ~CTwainClient();
    CTwainClient(const CTwainClient&) = delete;
    CTwainClient& operator=(const CTwainClient&) = delete;

    // DG_CONTROL/DAT_PARENT/MSG_OPENDSM with the client's message-only window.
    TW_UINT16 OpenManager();
    // Finds the source with this product name among the Source Manager's sources
    // (MSG_GETFIRST/MSG_GETNEXT) and opens it with that identity (MSG_OPENDS).
    TW_UINT16 OpenSource(const char* productName = HalvardProductName);
    // A triplet to the opened source.
    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    // A triplet to the Source Manager itself (null destination).
    TW_UINT16 CallManager(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    // DAT_STATUS/MSG_GET of the source (reading it clears it at the source) and of
    // the Source Manager; NoConditionCode if the query failed.
    TW_UINT16 SourceConditionCode();
    TW_UINT16 ManagerConditionCode();

    // MSG_ENABLEDS with the client's window as hParent; ModalUI as the source set it
    // is kept in LastUserInterface().
    TW_UINT16 Enable(bool showUI);
    // Pumps the thread's messages, each through MSG_PROCESSEVENT first (dispatched
    // when it is not a TWAIN event), until the Source Manager hands over a
    // notification (TWRC_DSEVENT with MSG_XFERREADY or MSG_CLOSEDSREQ), which is
    // returned; MSG_NULL after timeoutMs without one.
    TW_UINT16 WaitForNotification(DWORD timeoutMs);
    // DAT_PENDINGXFERS/MSG_ENDXFER; the count the source reported in *count.
    TW_UINT16 EndTransfer(TW_UINT16* count = nullptr);
    TW_UINT16 Disable();
    TW_UINT16 CloseSource();
    TW_UINT16 CloseManager();

    TW_IDENTITY& AppIdentity() { return app_; }
    // The source's identity as the Source Manager listed it, with the Id it assigned
    // at open.
    const TW_IDENTITY& SourceIdentity() const { return source_; }
    const TW_USERINTERFACE& LastUserInterface() const { return ui_; }
    HWND Window() const { return window_; }
    bool ManagerOpen() const { return managerOpen_; }
    bool SourceOpen() const { return sourceOpen_; }
    bool SourceEnabled() const { return enabled_; }
    // Why the client itself refused the last operation (TWCC_* or 0 when the
    // triplet was sent).
    TW_UINT16 LastClientCondition() const { return clientCondition_; }
    // The Source Manager's entry, for tests that send triplets with other identities.
    DSMENTRYPROC ManagerEntry() const { return entry_; }

private:
    bool LoadManager();
    TW_UINT16 ClientFailure(TW_UINT16 condition);
    bool FindSource(const char* productName, TW_IDENTITY& found);

    TW_IDENTITY app_{};
    TW_IDENTITY source_{};
    TW_USERINTERFACE ui_{};
    HMODULE library_ = nullptr;
    DSMENTRYPROC entry_ = nullptr;
    HWND window_ = nullptr;
    bool managerOpen_ = false;
    bool sourceOpen_ = false;
    bool enabled_ = false;
    TW_UINT16 clientCondition_ = 0;
    std::string managerLibrary_ = "TWAIN_32.DLL";
};
