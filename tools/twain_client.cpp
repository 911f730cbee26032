#include "tools/twain_client.h"

#include <cstring>

#include "twain/identity.h"

const char* const HalvardProductName = "Halvard TWAIN Driver";

namespace {

const char WindowClass[] = "DunmereTwainClientWindow";

HWND CreateMessageWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = WindowClass;
    RegisterClassA(&windowClass);  // fails harmlessly when a second client registers again
    return CreateWindowExA(0, WindowClass, "TWAIN client", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           instance, nullptr);
}

// A source's modeless dialog only gets its keyboard handling (Tab between fields,
// Enter for the default button) when the application's loop passes its messages
// to IsDialogMessage, as applications do for every dialog on their thread.
bool IsModelessDialogMessage(MSG& message) {
    if (!message.hwnd) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    char className[16] = {};
    if (!root || !GetClassNameA(root, className, sizeof className)) return false;
    return std::strcmp(className, "#32770") == 0 && IsDialogMessageA(root, &message);
}

}  // namespace

CTwainClient::CTwainClient(TW_UINT32 appId) : app_(MakeIdentity(appId, "twacquire")) {
    app_.Version.Language = TWLG_ENGLISH;
    app_.Version.Country = TWCY_UNITEDKINGDOM;
    CopyIdentityString(app_.Version.Info, sizeof app_.Version.Info, "1.0");
    app_.ProtocolMinor = 6;
    CopyIdentityString(app_.Manufacturer, sizeof app_.Manufacturer, "Dunmere project");
    CopyIdentityString(app_.ProductFamily, sizeof app_.ProductFamily, "Tools");
}

void CTwainClient::SpeakTwain2() {
    app_.ProtocolMajor = 2;
    app_.ProtocolMinor = 4;
    app_.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_APP2;
}

CTwainClient::~CTwainClient() {
    if (enabled_) {
        EndTransfer();
        Disable();
    }
    if (sourceOpen_) CloseSource();
    if (managerOpen_) CloseManager();
    if (window_) DestroyWindow(window_);
    if (library_) FreeLibrary(library_);
}

TW_UINT16 CTwainClient::ClientFailure(TW_UINT16 condition) {
    clientCondition_ = condition;
    return TWRC_FAILURE;
}

bool CTwainClient::LoadManager() {
    if (entry_) return true;
    if (!library_) library_ = LoadLibraryA(managerLibrary_.c_str());
    if (!library_) return false;
    entry_ = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(library_, "DSM_Entry"));
    return entry_ != nullptr;
}

TW_UINT16 CTwainClient::OpenManager() {
    clientCondition_ = 0;
    if (!LoadManager()) return ClientFailure(TWCC_BUMMER);
    if (!window_) window_ = CreateMessageWindow();
    if (!window_) return ClientFailure(TWCC_BUMMER);
    // The TWAIN standard passes a pointer to the window handle here; Wine's
    // TWAIN_32.DLL takes pData itself as the handle (and posts its notification
    // message to that window), so it gets the handle by value.
    const bool handleByValue = lstrcmpiA(managerLibrary_.c_str(), "TWAIN_32.DLL") == 0;
    TW_UINT16 rc = entry_(
        &app_, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM,
        handleByValue ? reinterpret_cast<TW_MEMREF>(window_) : static_cast<TW_MEMREF>(&window_));
    if (rc == TWRC_SUCCESS) managerOpen_ = true;
    return rc;
}

bool CTwainClient::FindSource(const char* productName, TW_IDENTITY& found) {
    TW_IDENTITY candidate{};
    TW_UINT16 rc = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &candidate);
    while (rc == TWRC_SUCCESS) {
        if (std::strncmp(candidate.ProductName, productName, sizeof candidate.ProductName) == 0) {
            found = candidate;
            return true;
        }
        candidate = TW_IDENTITY{};
        rc = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &candidate);
    }
    return false;
}

TW_UINT16 CTwainClient::OpenSource(const char* productName) {
    clientCondition_ = 0;
    if (!managerOpen_ || sourceOpen_) return ClientFailure(TWCC_SEQERROR);
    // Wine's Source Manager opens its first source when it does not know the name,
    // so the name is looked up here first.
    TW_IDENTITY identity{};
    if (!FindSource(productName, identity)) return ClientFailure(TWCC_NODS);
    TW_UINT16 rc = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &identity);
    if (rc == TWRC_SUCCESS) {
        source_ = identity;
        sourceOpen_ = true;
    }
    return rc;
}

TW_UINT16 CTwainClient::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    clientCondition_ = 0;
    if (!sourceOpen_) return ClientFailure(TWCC_SEQERROR);
    return entry_(&app_, &source_, dg, dat, msg, data);
}

TW_UINT16 CTwainClient::CallManager(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    clientCondition_ = 0;
    if (!entry_) return ClientFailure(TWCC_SEQERROR);
    return entry_(&app_, nullptr, dg, dat, msg, data);
}

TW_UINT16 CTwainClient::SourceConditionCode() {
    TW_STATUS status{};
    if (Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) return NoConditionCode;
    return status.ConditionCode;
}

TW_UINT16 CTwainClient::ManagerConditionCode() {
    TW_STATUS status{};
    if (CallManager(DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS)
        return NoConditionCode;
    return status.ConditionCode;
}

TW_UINT16 CTwainClient::Enable(bool showUI) {
    ui_ = TW_USERINTERFACE{};
    ui_.ShowUI = showUI ? 1 : 0;
    ui_.ModalUI = 0;
    ui_.hParent = window_;
    TW_UINT16 rc = Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui_);
    if (rc == TWRC_SUCCESS) enabled_ = true;
    return rc;
}

TW_UINT16 CTwainClient::WaitForNotification(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TW_EVENT event{};
            event.pEvent = &message;
            event.TWMessage = MSG_NULL;
            TW_UINT16 rc = Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
            if (rc == TWRC_DSEVENT) {
                // Wine posts its notification message to several windows; only
                // the first copy carries the notification, the others MSG_NULL.
                if (event.TWMessage == MSG_XFERREADY || event.TWMessage == MSG_CLOSEDSREQ)
                    return event.TWMessage;
                continue;
            }
            if (IsModelessDialogMessage(message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return MSG_NULL;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

TW_UINT16 CTwainClient::EndTransfer(TW_UINT16* count) {
    TW_PENDINGXFERS pending{};
    TW_UINT16 rc = Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    if (count) *count = pending.Count;
    return rc;
}

TW_UINT16 CTwainClient::Disable() {
    TW_USERINTERFACE ui = ui_;
    TW_UINT16 rc = Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    if (rc == TWRC_SUCCESS) enabled_ = false;
    return rc;
}

TW_UINT16 CTwainClient::CloseSource() {
    if (!sourceOpen_) return ClientFailure(TWCC_SEQERROR);
    TW_UINT16 rc = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
    // Wine's Source Manager forgets the source even when the source refuses the
    // close, so the client cannot reach it any more either way.
    sourceOpen_ = false;
    enabled_ = false;
    return rc;
}

TW_UINT16 CTwainClient::CloseManager() {
    if (!managerOpen_) return ClientFailure(TWCC_SEQERROR);
    TW_UINT16 rc = entry_(&app_, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM,
                          reinterpret_cast<TW_MEMREF>(window_));
    if (rc == TWRC_SUCCESS) {
        managerOpen_ = false;
        sourceOpen_ = false;
        enabled_ = false;
    }
    return rc;
}
