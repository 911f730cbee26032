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

#include "platform/twain.h"
#include "source/handout_memory.h"
#include "source/scan_settings.h"
#include "tarnscan/tarnscan.h"
#include "ui/framework/module_application.h"

class CScanParametersDialog;

// TWAIN states as the source keeps them.
enum : int32_t {
    StateClosed = 0,
    StateOpen = 4,
    StateEnabled = 5,
    StateTransferReady = 6,
    StateTransferring = 7,
};

// Header of an enumeration container as the builder receives it.
struct EnumerationHeader {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
};

// The values of a range container.
struct RangeValues {
    TW_UINT16 ItemType;
    TW_UINT32 MinValue;
    TW_UINT32 MaxValue;
    TW_UINT32 StepSize;
    TW_UINT32 DefaultValue;
    TW_UINT32 CurrentValue;
};

class CTwainSource : public CModuleApplication {
public:
    CTwainSource();
    ~CTwainSource() override;
    bool InitInstance() override;
    bool PreTranslateMessage(MSG* message) override;

    // --- dispatch (source/) ---
    TW_UINT16 DispatchDataGroup(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                TW_MEMREF data);
    TW_UINT16 DispatchControl(pTW_IDENTITY origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 Fail(TW_UINT16 conditionCode);

    // --- the Source Manager (source/) ---
    // Takes the entry point a TWAIN 2 Source Manager hands over before the open.
    TW_UINT16 TakeManagerEntry(const TW_ENTRYPOINT* entry);
    // The memory of containers and native images handed to the application.
    HandoutMemory Handout() const;
    // The connected application speaks TWAIN 2 (DF_APP2 in its identity at the open).
    bool ServesTwain2() const { return Twain2Application; }

    // --- states and notifications (source/) ---
    TW_UINT16 HandleUserInterface(TW_UINT16 msg, pTW_USERINTERFACE ui);
    TW_UINT16 HandlePendingTransfers(TW_UINT16 msg, pTW_PENDINGXFERS pending);
    TW_UINT16 HandleSetupMemXfer(pTW_SETUPMEMXFER setup);
    // One row of the current image, as a memory transfer will deliver it.
    TW_UINT32 MinimumBufferBytes() const;
    TW_UINT16 SendXferReady();
    bool SendCloseRequest();

    // --- the Scan Parameters dialog (ui/) ---
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
    TW_UINT16 MakeRange(pTW_CAPABILITY capability, const RangeValues& range);

    // --- scanner models (engine/) ---
    int32_t ModelCode() const;

    // --- scan engine (engine/) ---
    TW_UINT16 HandleImage(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    void AlignInterpolatedWidth();
    TW_UINT16 ScanStart(bool loadColourTable);
    bool LoadToneTables();
    bool LoadColourTranslationTable(int32_t bitsPerPixel);
    int AllocateTransferBuffer(uint32_t bytes);
    void FreeTransferBuffer();
    void ReadBlock(bool interpolated);

    // --- the source's state, in the order the object keeps it ---
    TW_IDENTITY AppIdentity;
    TW_IDENTITY SourceIdentity;
    CScanParametersDialog* ScanDialog;
    int32_t State;
    TW_UINT16 ConditionCode;
    ScanSettings Settings;
    CTarnScan Scanner;
    bool ScanStopped;
    DeviceInfoType DeviceInfo;
    DataTransferType Transfer;
    HGLOBAL TransferBufferHandle;
    uint64_t BytesTransferred;
    bool PartialRow;
    uint32_t PartialRowOffset;
    TW_UINT16 TransferMechanism;
    TW_ENTRYPOINT ManagerEntry;
    bool HasManagerEntry;
    bool Twain2Application;
    bool ImageDelivered;  // a TWAIN 2 application has had this acquisition's image
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
