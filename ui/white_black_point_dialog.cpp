#include "ui/white_black_point_dialog.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

#include "framework/data_exchange.h"
#include "ui/resource.h"

namespace {

const char SwatchOwnerProperty[] = "Dunmere.SwatchOwner";

// The value of an edit's leading digits (0 when there are none), clamped so that
// a long run of digits cannot overflow.
long LeadingInteger(const std::string& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    long long value = std::strtoll(start, &end, 10);
    if (value > 100000) value = 100000;
    if (value < -100000) value = -100000;
    return static_cast<long>(value);
}

}  // namespace

CWhiteBlackPointDialog::CWhiteBlackPointDialog(bool isBlackPoint, uint8_t& r, uint8_t& g,
                                               uint8_t& b, CDialog* parent)
    : CDialog(IDD_WHITE_BLACK_POINT, parent),
      IsBlackPoint(isBlackPoint),
      Red(r),
      Green(g),
      Blue(b),
      targetRed_(r),
      targetGreen_(g),
      targetBlue_(b),
      initialised_(false) {}

CWhiteBlackPointDialog::~CWhiteBlackPointDialog() = default;

bool CWhiteBlackPointDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    initialised_ = true;
    for (int spin : {IDC_RED_SPIN, IDC_GREEN_SPIN, IDC_BLUE_SPIN})
        SendItem(spin, UDM_SETRANGE, 0, MAKELPARAM(255, 0));
    SetWindowTextA(Handle(), IsBlackPoint ? "Set Black Point" : "Set White Point");
    // The swatch paints its colour over its own white rectangle whenever it is drawn.
    if (HWND swatch = Item(IDC_SWATCH)) {
        SetPropA(swatch, SwatchOwnerProperty, this);
        swatchDefaultProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(swatch, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SwatchProc)));
    }
    PaintSwatch();
    return true;
}

void CWhiteBlackPointDialog::DoDataExchange(CDataExchange& exchange) {
    exchange.Text(IDC_GREEN, Green);
    exchange.Text(IDC_RED, Red);
    exchange.Text(IDC_BLUE, Blue);
}

void CWhiteBlackPointDialog::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_RED:
    case IDC_GREEN:
    case IDC_BLUE:
        if (code == EN_CHANGE) OnColourChanged(id);
        return;
    case IDC_LOCK_COLOURS:
        if (code == BN_CLICKED) OnLockClicked();
        return;
    default:
        CDialog::OnCommand(id, code, control);
    }
}

void CWhiteBlackPointDialog::OnColourChanged(int id) {
    // Writing the locked values back changes the other edits; those nested
    // notifications have nothing left to do.
    if (!initialised_ || handlingChange_ || !ReadEdits()) return;
    handlingChange_ = true;
    if (IsChecked(IDC_LOCK_COLOURS)) {
        uint8_t value = id == IDC_RED ? Red : id == IDC_GREEN ? Green : Blue;
        Red = Green = Blue = value;
        UpdateData(false);
    }
    handlingChange_ = false;
    PaintSwatch();
}

void CWhiteBlackPointDialog::OnLockClicked() {
    if (!initialised_ || !IsChecked(IDC_LOCK_COLOURS)) return;
    if (!UpdateData(true)) return;
    handlingChange_ = true;
    Green = Blue = Red;
    UpdateData(false);
    handlingChange_ = false;
    PaintSwatch();
}

bool CWhiteBlackPointDialog::ReadEdits() {
    struct Edit {
        int Id;
        uint8_t& Value;
    };
    const Edit edits[] = {{IDC_RED, Red}, {IDC_BLUE, Blue}, {IDC_GREEN, Green}};
    for (const Edit& edit : edits) {
        long value = LeadingInteger(ItemText(edit.Id));
        if (value < 0 || value > 255) {
            FocusAndSelect(edit.Id, 0, 65280);
            return false;
        }
        edit.Value = static_cast<uint8_t>(value);
    }
    return true;
}

void CWhiteBlackPointDialog::OnOK() {
    if (UpdateData(true)) {
        targetRed_ = Red;
        targetGreen_ = Green;
        targetBlue_ = Blue;
    }
    EndDialog(IDOK);
}

bool CWhiteBlackPointDialog::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR&) {
    // The default painting runs; the swatch control repaints its colour itself.
    if (message == WM_PAINT) PaintSwatch();
    return false;
}

void CWhiteBlackPointDialog::PaintSwatch() {
    HWND swatch = Item(IDC_SWATCH);
    if (!swatch) return;
    InvalidateRect(swatch, nullptr, TRUE);
}

LRESULT CALLBACK CWhiteBlackPointDialog::SwatchProc(HWND window, UINT message, WPARAM wParam,
                                                    LPARAM lParam) {
    auto* dialog = static_cast<CWhiteBlackPointDialog*>(GetPropA(window, SwatchOwnerProperty));
    if (!dialog) return DefWindowProcA(window, message, wParam, lParam);
    WNDPROC original = dialog->swatchDefaultProc_;
    if (message == WM_NCDESTROY) {
        RemovePropA(window, SwatchOwnerProperty);
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        return CallWindowProcA(original, window, message, wParam, lParam);
    }
    LRESULT result = CallWindowProcA(original, window, message, wParam, lParam);
    if (message == WM_PAINT) {
        // Fill (0,0)-(110,110) of the client area, clipped to the control.
        HDC dc = GetDC(window);
        RECT square = {0, 0, 110, 110};
        HBRUSH brush = CreateSolidBrush(RGB(dialog->Red, dialog->Green, dialog->Blue));
        FillRect(dc, &square, brush);
        DeleteObject(brush);
        ReleaseDC(window, dc);
    }
    return result;
}
