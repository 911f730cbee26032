// The data source's single object: the connection to the application (the
// session), what has been asked for the next scan (Negotiated), the scan job with
// its plan and the scanner, and the Scan Parameters dialog. Every member function
// is defined in source/: the life, identity and dispatch (twain_source.cpp), the
// control and image triplets (control_triplets.cpp, image_triplets.cpp), the
// states and notifications (state_machine.cpp) and the dialog's side
// (scan_dialog.cpp).
#pragma once

#include <windows.h>

#include <memory>

#include "capabilities/capability_call.h"
#include "engine/models.h"
#include "engine/scan_job.h"
#include "framework/module_application.h"
#include "platform/handout_memory.h"
#include "platform/twain.h"
#include "settings/negotiated.h"
#include "source/session.h"
#include "ui/scan_dialog.h"

class CTwainSource : public CModuleApplication, private ScanDialogHost {
public:
    CTwainSource();
    ~CTwainSource() override;
    bool InitInstance() override;

    // --- the entry point's side (source/ds_entry.cpp) ---
    const TwainSession& Session() const { return session_; }
    // DAT_IDENTITY MSG_OPENDS: the session begins. A TWAIN 2 application is told the
    // protocol the source speaks to it (in `source`) and starts from every
    // capability's default; a TWAIN 1.x application keeps what was asked before.
    void OpenSession(const TW_IDENTITY& application, TW_IDENTITY& source);
    // The entry point a TWAIN 2 Source Manager hands over before the open.
    bool KeepManagerEntry(const TW_ENTRYPOINT& entry) { return session_.KeepManagerEntry(entry); }
    // A triplet of the connected application, by data group.
    TW_UINT16 DispatchDataGroup(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

    // --- what the source is doing, for the dialog framework and observing tests ---
    Model ModelCode() const { return job_.ScannerModel(); }
    const Negotiated& Asked() const { return negotiated_; }
    const ScanJob& Job() const { return job_; }
    ScanDialogWindow* DialogWindow() const { return dialog_.get(); }

    // --- states and notifications (source/state_machine.cpp) ---
    // MSG_XFERREADY to the application; on success the image is planned (state 6).
    TW_UINT16 SendXferReady();
    // MSG_CLOSEDSREQ: the application is asked to disable the source.
    bool SendCloseRequest();
    // Shows the Scan Parameters dialog, or brings it to the top; false when it
    // cannot be created.
    bool ShowScanDialog();

private:
    // One data argument the connected application's triplets reach: the dispatch
    // finds its answer here, and CAP_SUPPORTEDDATS lists the rows, so the two never
    // disagree.
    typedef TW_UINT16 (CTwainSource::*DataArgumentAnswer)(TW_UINT16 msg, TW_MEMREF data);
    struct DataArgumentRow {
        TW_UINT32 Group;
        TW_UINT16 Dat;
        bool Twain2Only;  // a TWAIN 1.x application is refused it as unknown
        // A failure puts back what was asked before the triplet.
        bool ChangesAsked;
        DataArgumentAnswer Answer;
    };
    static const DataArgumentRow DataArguments[];
    static DataArgumentList DataArgumentsAnswered();

    TW_UINT16 Fail(TW_UINT16 conditionCode);

    // DG_CONTROL (source/control_triplets.cpp).
    TW_UINT16 AnswerNull(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerCapability(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerEvent(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerIdentity(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerEntryPoint(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerPendingTransfers(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerSetupMemXfer(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerStatus(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerUserInterface(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerTransferGroup(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerCustomData(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerStatusText(TW_UINT16 msg, TW_MEMREF data);
    // DG_IMAGE (source/image_triplets.cpp).
    TW_UINT16 AnswerImageInfo(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerImageLayout(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerMemoryTransfer(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerPalette(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 AnswerNativeTransfer(TW_UINT16 msg, TW_MEMREF data);

    // The dialog's reports (ScanDialogHost).
    void TakeSettings(const ScanSettings& settings) override;
    void Acquire() override;
    void Cancel() override;
    void MoveDocument(ObjectCommandType command) override;

    TW_UINT16 EnableSettingsOnly(pTW_USERINTERFACE ui);
    bool Notify(TW_UINT16 msg);
    // The memory of containers and native images handed to the application.
    HandoutMemory Handout() const { return HandoutMemory(session_.ManagerEntry()); }
    CapabilityContext ContextForCapabilities();
    // A transfer has been announced: states 6 and 7.
    bool Announced() const;
    // The plan of the image: the announced one in states 6 and 7, else what the
    // next would be.
    ScanPlan PlanNow() const;
    // The refusals both transfers make before anything is scanned; TWCC_SUCCESS
    // when none applies.
    TW_UINT16 TransferRefusal(bool native) const;
    // A TWAIN 2 application holds the source in state 7 from the end of the image
    // until its MSG_ENDXFER, and cannot take the same image twice.
    TW_UINT16 AfterTransfer(const TransferOutcome& outcome);

    TwainSession session_;
    Negotiated negotiated_;
    ScanJob job_;
    std::unique_ptr<ScanDialogWindow> dialog_;
    // Enabled with MSG_ENABLEDSUIONLY: the dialog edits settings and scans nothing;
    // its Cancel puts back what was asked when it was shown.
    bool settingsOnly_;
    ScanSettings settingsBeforeDialog_;
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
