#include "ui/scan_parameters_dialog.h"

#include <windows.h>

#include <commctrl.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/models.h"
#include "framework/data_exchange.h"
#include "framework/module_application.h"
#include "settings/settings_store.h"
#include "ui/resource.h"
#include "ui/units.h"
#include "ui/white_black_point_dialog.h"

namespace {

struct PaperSize {
    const char* Name;
    float LongSide;   // millimetres
    float ShortSide;  // millimetres
};

// A0 and A1 are 1188 x 840 and 840 x 594; E to A are the ANSI sizes in millimetres.
const PaperSize PaperSizes[] = {
    {"A0", 1188.0f, 840.0f}, {"A1", 840.0f, 594.0f}, {"A2", 594.0f, 420.0f}, {"A3", 420.0f, 297.0f},
    {"A4", 297.0f, 210.0f},  {"E", 1117.6f, 863.6f}, {"D", 863.6f, 558.8f},  {"C", 558.8f, 431.8f},
    {"B", 431.8f, 279.4f},   {"A", 279.4f, 215.9f},
};

const int ImageTypeButtons[] = {IDC_RGB, IDC_256_COLOUR, IDC_16_COLOUR, IDC_GREYSCALE, IDC_BILEVEL};

std::string PointText(const ColourTriple& point) {
    char text[32];
    std::snprintf(text, sizeof text, "%d,%d,%d", point.R, point.G, point.B);
    return text;
}

// A stored pixel count over a stored resolution, in inches; 0 without a resolution.
float Inches(int32_t pixels, int32_t resolution) {
    if (resolution == 0) return 0.0f;
    return static_cast<float>(static_cast<double>(static_cast<uint32_t>(pixels)) /
                              static_cast<double>(static_cast<uint32_t>(resolution)));
}

}  // namespace

CScanParametersDialog::CScanParametersDialog(ScanDialogHost& host, const ScanDialogSetup& setup)
    : CDialog(IDD_SCAN_PARAMETERS, nullptr),
      Resolution(400),
      ImageType(-1),
      Orientation(-1),
      Units(0),
      Justification(-1),
      WidthValue(0),
      LengthValue(0),
      XOffsetValue(0),
      YOffsetValue(0),
      GammaValue(0),
      SpeedValue(0),
      ThresholdValue(100),
      BrightnessValue(0),
      AdaptiveThreshold(false),
      WorkingSettings(setup.Shown),
      Host(host),
      Setup(setup),
      Initialised(false) {}

CScanParametersDialog::~CScanParametersDialog() = default;

void CScanParametersDialog::DoDataExchange(CDataExchange& exchange) {
    exchange.Text(IDC_BLACK_POINT, BlackPointText);
    exchange.Text(IDC_FILE_SIZE, FileSizeText);
    exchange.Text(IDC_SPEED, SpeedValue);
    exchange.Text(IDC_GAMMA, GammaValue);
    exchange.Check(IDC_IAT, AdaptiveThreshold);
    exchange.Text(IDC_LENGTH, LengthValue);
    exchange.Text(IDC_LENGTH_UNIT, UnitLabel[1]);
    exchange.Text(IDC_XOFFSET_UNIT, UnitLabel[2]);
    exchange.Text(IDC_YOFFSET_UNIT, UnitLabel[3]);
    exchange.Text(IDC_THRESHOLD, ThresholdValue);
    exchange.Text(IDC_THRESHOLD_LABEL, ThresholdLabel);
    exchange.Text(IDC_WHITE_POINT, WhitePointText);
    exchange.Text(IDC_WIDTH, WidthValue);
    exchange.Text(IDC_WIDTH_UNIT, UnitLabel[0]);
    exchange.Text(IDC_YOFFSET, YOffsetValue);
    exchange.Text(IDC_XOFFSET, XOffsetValue);
    exchange.Radio(IDC_SIDE_JUSTIFIED, Justification);
    exchange.Text(IDC_BRIGHTNESS, BrightnessValue);
    exchange.Radio(IDC_INCHES, Units);
    exchange.Radio(IDC_RGB, ImageType);
    exchange.Radio(IDC_PORTRAIT, Orientation);
}

bool CScanParametersDialog::ReadControls() {
    return UpdateData(true);
}

void CScanParametersDialog::ShowValues() {
    UpdateData(false);
}

bool CScanParametersDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    FillResolutionList();
    SendItem(IDC_GAMMA_BAR, TBM_SETRANGE, FALSE, MAKELPARAM(10, 20));
    SendItem(IDC_SPEED_BAR, TBM_SETRANGE, FALSE, MAKELPARAM(1, 8));
    ShowDiskSpace();
    FillPaperSizes();
    LoadFromSettings();
    SetUnitLabels();
    if (Setup.MemoryTransfer) {
        EnableItem(IDC_256_COLOUR, false);
        EnableItem(IDC_16_COLOUR, false);
    }
    if (!ModelOf(Setup.Scanner).ScansColour) {
        EnableItem(IDC_RGB, false);
        ImageType = 3;
    }
    // Shown for settings only: the acquiring button accepts them instead.
    if (Setup.SettingsOnly) SetItemText(IDC_ACQUIRE, LoadText(IDS_ACCEPT_SETTINGS));
    Initialised = true;
    UpdateFileSize();
    ShowValues();
    return true;
}

void CScanParametersDialog::FillResolutionList() {
    // A model without a list of its own keeps the template's fourteen entries.
    const ResolutionSteps steps = ModelOf(Setup.Scanner).DialogResolutions;
    if (steps.Count == 0) return;
    SendItem(IDC_RESOLUTION, CB_RESETCONTENT);
    for (uint32_t i = 0; i < steps.Count; ++i) {
        const std::string entry = std::to_string(steps.Entries[i]);
        SendItem(IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
}

void CScanParametersDialog::FillPaperSizes() {
    for (const PaperSize& paper : PaperSizes)
        SendItem(IDC_PAPER_SIZE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(paper.Name));
    CheckRadioButton(Handle(), IDC_PORTRAIT, IDC_LANDSCAPE, IDC_PORTRAIT);
}

void CScanParametersDialog::LoadFromSettings() {
    const ScanSettings& s = WorkingSettings;
    Justification = s.XOffset != 0 ? 0 : 1;
    EnableItem(IDC_XOFFSET, Justification == 0);

    SpeedValue = s.FractionalSpeed;
    SendItem(IDC_SPEED_BAR, TBM_SETPOS, TRUE, SpeedValue);

    BlackPointText = PointText(s.BlackPoint);
    WhitePointText = PointText(s.WhitePoint);

    GammaValue = s.Gamma;
    double position = std::trunc(static_cast<double>(s.Gamma) * static_cast<double>(10.0f));
    if (!(position > -1e6 && position < 1e6)) position = 0;
    SendItem(IDC_GAMMA_BAR, TBM_SETPOS, TRUE, static_cast<LPARAM>(position));

    BrightnessValue = static_cast<uint8_t>(s.Brightness);
    ThresholdValue = static_cast<uint8_t>(s.Threshold);
    AdaptiveThreshold = ThresholdValue == 0;
    ThresholdLabel = LoadText(AdaptiveThreshold ? IDS_ADAPTIVE_THRESHOLD : IDS_THRESHOLD);

    LengthValue = Inches(s.ScanLength, s.XResolution);
    WidthValue = Inches(s.ScanWidth, s.XResolution);
    YOffsetValue = Inches(s.YOffset, s.XResolution);
    XOffsetValue = Inches(s.XOffset, s.XResolution);

    SelectResolution();

    switch (CompositionOf(s)) {
    case Composition::Bilevel:
        ImageType = 4;
        break;
    case Composition::Greyscale:
        ImageType = 3;
        break;
    case Composition::PaletteColour:
        ImageType = s.BitsPerPixel == 4 ? 2 : 1;
        break;
    case Composition::RgbColour:
        ImageType = 0;
        break;
    default:
        break;
    }
    Orientation = 0;
}

void CScanParametersDialog::SelectResolution() {
    // The stored resolution is selected when the list holds it. Otherwise the
    // model's default resolution is put in force and its entry selected, so that
    // the list always shows the resolution that will be scanned.
    char text[16];
    std::snprintf(text, sizeof text, "%d", WorkingSettings.XResolution);
    LRESULT index = SendItem(IDC_RESOLUTION, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(text));
    if (index != CB_ERR) {
        Resolution = WorkingSettings.XResolution;
    } else {
        Resolution = ModelOf(Setup.Scanner).DialogDefaultResolution;
        std::snprintf(text, sizeof text, "%d", Resolution);
        index = SendItem(IDC_RESOLUTION, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(text));
        if (index == CB_ERR) index = 2;
    }
    SendItem(IDC_RESOLUTION, CB_SETCURSEL, index);
}

void CScanParametersDialog::SetUnitLabels() {
    std::string label = LoadText(Units == 0 ? IDS_UNIT_INCHES : IDS_UNIT_MILLIMETRES);
    for (std::string& unit : UnitLabel)
        unit = label;
}

void CScanParametersDialog::NormaliseNumber(int id) {
    std::string text = ItemText(id);
    if (text.empty()) text = "0";
    for (char c : text) {
        if ((c < '0' || c > '9') && c != '.') {
            text = "0";
            break;
        }
    }
    SetDlgItemTextA(Handle(), id, text.c_str());
}

void CScanParametersDialog::NormaliseDimensions() {
    for (int id : {IDC_WIDTH, IDC_LENGTH, IDC_XOFFSET, IDC_YOFFSET})
        NormaliseNumber(id);
}

void CScanParametersDialog::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_RGB:
    case IDC_256_COLOUR:
    case IDC_16_COLOUR:
    case IDC_GREYSCALE:
    case IDC_BILEVEL:
        if (code == BN_CLICKED) OnImageTypeClicked();
        break;
    case IDC_CENTRE_JUSTIFIED:
    case IDC_SIDE_JUSTIFIED:
        if (code == BN_CLICKED) OnJustificationClicked(id == IDC_CENTRE_JUSTIFIED);
        break;
    case IDC_INCHES:
    case IDC_MILLIMETRES:
        if (code == BN_CLICKED) ChangeUnits();
        break;
    case IDC_PORTRAIT:
    case IDC_LANDSCAPE:
        if (code == BN_CLICKED) ApplyPaperSize();
        break;
    case IDC_PAPER_SIZE:
        if (code == CBN_SELCHANGE) ApplyPaperSize();
        break;
    case IDC_WIDTH:
    case IDC_LENGTH:
        if (code == EN_CHANGE) OnDimensionChanged(id);
        break;
    case IDC_RESOLUTION:
        if (code == CBN_SELCHANGE) OnResolutionChanged();
        break;
    case IDC_IAT:
        if (code == BN_CLICKED) OnAdaptiveThresholdClicked();
        break;
    case IDC_SET_WHITE_POINT:
    case IDC_SET_BLACK_POINT:
        if (code == BN_CLICKED) OnSetPoint(id == IDC_SET_BLACK_POINT);
        break;
    case IDC_SET_PARAMETERS:
        if (code == BN_CLICKED) OnSetParameters();
        break;
    case IDC_ACQUIRE:
        if (code == BN_CLICKED) OnAcquire();
        break;
    case IDC_CANCEL_SCAN:
        // "&Cancel", Escape and the close command: ask the application to close.
        // The dialog stays until the application disables the source.
        Host.Cancel();
        break;
    case IDC_REWIND:
        if (code == BN_CLICKED) MoveDocument(ObjectRewind);
        break;
    case IDC_EJECT:
        if (code == BN_CLICKED) MoveDocument(ObjectEject);
        break;
    default:
        (void)control;
        break;
    }
}

void CScanParametersDialog::OnImageTypeClicked() {
    NormaliseDimensions();
    if (Initialised && !ReadControls()) return;
    UpdateFileSize();
}

void CScanParametersDialog::OnJustificationClicked(bool centre) {
    NormaliseDimensions();
    if (Initialised) ReadControls();
    EnableItem(IDC_XOFFSET, !centre);
}

void CScanParametersDialog::ChangeUnits() {
    int32_t previous = Units;
    NormaliseDimensions();
    if (Initialised && !ReadControls()) {
        // The values are still in the previous unit: so must the buttons be.
        CheckRadioButton(Handle(), IDC_INCHES, IDC_MILLIMETRES,
                         previous == 1 ? IDC_MILLIMETRES : IDC_INCHES);
        return;
    }
    if (Units == previous) return;
    SetUnitLabels();
    for (float* value : {&LengthValue, &WidthValue, &YOffsetValue, &XOffsetValue})
        *value = Units == 1 ? InchesToMillimetres(*value) : MillimetresToInches(*value);
    if (Initialised) ShowValues();
}

void CScanParametersDialog::ApplyPaperSize() {
    NormaliseDimensions();
    LRESULT selected = SendItem(IDC_PAPER_SIZE, CB_GETCURSEL);
    if (selected < 0 || selected >= static_cast<LRESULT>(sizeof PaperSizes / sizeof PaperSizes[0]))
        return;
    if (Initialised && !ReadControls()) return;
    const PaperSize& paper = PaperSizes[selected];
    float longSide = paper.LongSide;
    float shortSide = paper.ShortSide;
    if (Units == 0) {
        longSide = MillimetresToInches(longSide);
        shortSide = MillimetresToInches(shortSide);
    }
    if (Orientation == 0) {
        LengthValue = longSide;
        WidthValue = shortSide;
    } else {
        WidthValue = longSide;
        LengthValue = shortSide;
    }
    if (Initialised) ShowValues();
    UpdateFileSize();
}

void CScanParametersDialog::OnDimensionChanged(int id) {
    double number = text::LeadingNumber(ItemText(id));
    float value = std::fabs(number) <= FLT_MAX ? static_cast<float>(number) : 0.0f;
    (id == IDC_LENGTH ? LengthValue : WidthValue) = value;
    if (value != 0) UpdateFileSize();
}

void CScanParametersDialog::OnResolutionChanged() {
    if (Initialised) ReadControls();
    LRESULT selected = SendItem(IDC_RESOLUTION, CB_GETCURSEL);
    if (selected == CB_ERR) return;
    char text[32] = {};
    if (SendItem(IDC_RESOLUTION, CB_GETLBTEXTLEN, selected) < static_cast<LRESULT>(sizeof text))
        SendItem(IDC_RESOLUTION, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
    Resolution = std::atoi(text);
    UpdateFileSize();
}

void CScanParametersDialog::OnHScroll(HWND bar, int) {
    bool gamma = bar == Item(IDC_GAMMA_BAR);
    if (!gamma && bar != Item(IDC_SPEED_BAR)) return;
    if (Initialised && !ReadControls()) return;
    LRESULT position = SendMessageA(bar, TBM_GETPOS, 0, 0);
    if (gamma)
        GammaValue = static_cast<float>(position * static_cast<double>(0.1f));
    else
        SpeedValue = static_cast<uint32_t>(position);
    if (Initialised) ShowValues();
}

void CScanParametersDialog::OnAdaptiveThresholdClicked() {
    if (Initialised && !ReadControls()) return;
    ThresholdLabel = LoadText(AdaptiveThreshold ? IDS_ADAPTIVE_THRESHOLD : IDS_THRESHOLD);
    SetItemText(IDC_THRESHOLD_LABEL, ThresholdLabel);
}

void CScanParametersDialog::OnSetPoint(bool blackPoint) {
    ColourTriple& point = blackPoint ? WorkingSettings.BlackPoint : WorkingSettings.WhitePoint;
    CWhiteBlackPointDialog pointDialog(blackPoint, point.R, point.G, point.B, this);
    if (pointDialog.DoModal() != IDOK) return;
    std::string& text = blackPoint ? BlackPointText : WhitePointText;
    text = PointText(point);
    SetItemText(blackPoint ? IDC_BLACK_POINT : IDC_WHITE_POINT, text);
    // What was typed since the last exchange is taken first, so that showing the
    // values again does not put back older ones.
    if (Initialised && ReadControls()) {
        text = PointText(point);
        ShowValues();
    }
}

void CScanParametersDialog::OnSetParameters() {
    if (!Validate()) return;
    Host.TakeSettings(WorkingSettings);
    SaveSettings(WorkingSettings);
}

// In a settings-only dialog the button reads "OK" and accepts the settings.
void CScanParametersDialog::OnAcquire() {
    if (!Validate()) return;
    Host.TakeSettings(WorkingSettings);
    Host.Acquire();
}

void CScanParametersDialog::MoveDocument(int command) {
    Host.MoveDocument(static_cast<ObjectCommandType>(command));
}

bool CScanParametersDialog::Refuse(int fieldId, unsigned messageId) {
    FocusAndSelect(fieldId, 65280, 0);
    if (const CModuleApplication* module = CModuleApplication::Current())
        module->ShowWarning(Handle(), module->LoadText(messageId));
    return false;
}

std::string CScanParametersDialog::LoadText(unsigned id) const {
    const CModuleApplication* module = CModuleApplication::Current();
    return module ? module->LoadText(id) : std::string();
}
