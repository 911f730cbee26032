// The data source's single object: the connection to the application, the TWAIN
// state, the scan parameters, the scanner and the dialog. Its member functions are
// implemented by subsystem:
//   source/        dispatch, identity, states, notifications
//   capabilities/  containers and capability negotiation
//   engine/        models, scan start, image transfers, tone and colour tables
//   settings/      the per-user settings store
//   ui/            the Scan Parameters dialog
#pragma once

#include <windows.h>

#include "engine/models.h"
#include "engine/scan_job.h"
#include "framework/module_application.h"
#include "platform/twain.h"
#include "settings/scan_settings.h"
#include "source/handout_memory.h"
#include "source/scan_dialog.h"
#include "source/session.h"
#include "tarnscan/tarnscan.h"

// Header of an enumeration container as the builder receives it.
struct EnumerationHeader {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
};

// The values of a range container.
typedef TW_RANGE RangeValues;

class CTwainSource : public CModuleApplication {
public:
    CTwainSource();
    ~CTwainSource() override;
    bool InitInstance() override;

    // --- dispatch (source/) ---
    TW_UINT16 DispatchDataGroup(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                TW_MEMREF data);
    TW_UINT16 DispatchControl(pTW_IDENTITY origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 Fail(TW_UINT16 conditionCode);

    // --- the Source Manager (source/) ---
    // The memory of containers and native images handed to the application.
    HandoutMemory Handout() const;
    // The connected application speaks TWAIN 2 (DF_APP2 in its identity at the open).
    bool ServesTwain2() const { return Session.Twain2Application(); }

    // --- states and notifications (source/) ---
    TW_UINT16 HandleUserInterface(TW_UINT16 msg, pTW_USERINTERFACE ui);
    TW_UINT16 HandlePendingTransfers(TW_UINT16 msg, pTW_PENDINGXFERS pending);
    TW_UINT16 HandleSetupMemXfer(pTW_SETUPMEMXFER setup);
    // One row of the current image, as a memory transfer will deliver it.
    TW_UINT32 MinimumBufferBytes() const;
    TW_UINT16 SendXferReady();
    bool SendCloseRequest();
    // The settings-only dialog was accepted: MSG_CLOSEDSOK to the application.
    bool SendCloseOk();
    // The dialog's Cancel: a settings-only dialog first puts back the settings it
    // was shown with; then MSG_CLOSEDSREQ.
    bool CancelDialog();

    // --- the settings as a block the application keeps (source/) ---
    TW_UINT16 HandleCustomData(TW_UINT16 msg, pTW_CUSTOMDSDATA custom);

    // --- the Scan Parameters dialog (source/scan_dialog.cpp; the window is ui/'s) ---
    // False when the dialog cannot be created.
    bool ShowScanDialog();
    void DestroyDialog();

    // --- capabilities (capabilities/) ---
    TW_UINT16 HandleCapability(TW_UINT16 msg, pTW_CAPABILITY capability);
    TW_UINT16 MakeOneValue(pTW_CAPABILITY capability, TW_UINT16 itemType, TW_UINT32 item);
    // A one value holding a TW_FRAME (TWAIN 2 applications only).
    TW_UINT16 MakeFrameOneValue(pTW_CAPABILITY capability, const TW_FRAME& frame);
    TW_UINT16 MakeEnumeration(pTW_CAPABILITY capability, const EnumerationHeader& header,
                              const void* items);
    TW_UINT16 MakeUInt16Array(pTW_CAPABILITY capability, const TW_UINT16* items, size_t count);
    TW_UINT16 MakeUInt32Array(pTW_CAPABILITY capability, const TW_UINT32* items, size_t count);
    TW_UINT16 MakeRange(pTW_CAPABILITY capability, const RangeValues& range);

    // --- scanner models (engine/) ---
    Model ModelCode() const { return Job.ScannerModel(); }

    // --- scan engine (engine/) ---
    TW_UINT16 HandleImage(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    void AlignInterpolatedWidth();

    // --- the source's parts ---
    TwainSession Session;  // the application, the state, the Source Manager
    // The negotiated settings: what the next scan will be.
    ScanSettings Settings;
    TW_UINT16 TransferMechanism;
    // TWAIN 2 connection: CAP_INDICATORS as negotiated (TRUE at the open).
    bool Indicators;
    ScanJob Job;  // the scan under way, the engine's
    std::unique_ptr<ScanDialogWindow> ScanDialog;
    // Enabled with MSG_ENABLEDSUIONLY: the dialog edits settings and scans nothing.
    bool SettingsOnly;
    ScanSettings SettingsBeforeDialog;
};

// MSG_GET, MSG_GETCURRENT or MSG_GETDEFAULT: what a record that is only ever read
// out (memory set-up, image information) answers to.
bool IsQueryMessage(TW_UINT16 msg);

// The module's one source object, created when the module is attached to a
// process and destroyed when it is detached (source/module.cpp).
CTwainSource* TheSource();
void AttachModule(HINSTANCE resources);
void DetachModule();
// Condition code for callers that are not the connected application (12 at load).
TW_UINT16& EntryConditionCode();
