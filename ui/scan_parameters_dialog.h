// "Scan Parameters": the data source's modeless dialog. It edits its own copy of
// the settings it is shown (WorkingSettings) in inches or millimetres and hands it
// to its host only when Validate accepts it, on "&Set Parameters" (then saved to
// the settings store) and "&Acquire Data" (then the host announces a transfer).
#pragma once

#include <cstdint>
#include <string>

#include "framework/dialog.h"
#include "settings/scan_settings.h"
#include "ui/scan_dialog.h"

class CScanParametersDialog : public CDialog {
public:
    CScanParametersDialog(ScanDialogHost& host, const ScanDialogSetup& setup);
    ~CScanParametersDialog() override;

    // --- values bound to the controls (in the displayed unit) ---
    int32_t Resolution;
    int32_t ImageType;
    int32_t Orientation;
    int32_t Units;
    int32_t Justification;
    float WidthValue;
    float LengthValue;
    float XOffsetValue;
    float YOffsetValue;
    float GammaValue;
    uint32_t SpeedValue;
    uint8_t ThresholdValue;
    uint8_t BrightnessValue;
    bool AdaptiveThreshold;
    std::string WhitePointText;
    std::string BlackPointText;
    std::string FileSizeText;
    std::string ThresholdLabel;
    std::string UnitLabel[4];  // width, length, X offset, Y offset

    ScanSettings WorkingSettings;
    ScanDialogHost& Host;
    const ScanDialogSetup Setup;
    bool Initialised;

    // Parameter checks and the derived displays (scan_validation.cpp).
    bool Validate();
    void UpdateFileSize();
    void ShowDiskSpace();

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& exchange) override;
    void OnCommand(int id, int code, HWND control) override;
    void OnHScroll(HWND bar, int code) override;

private:
    bool ReadControls();
    void ShowValues();
    void FillResolutionList();
    void FillPaperSizes();
    void LoadFromSettings();
    void SelectResolution();
    void SetUnitLabels();
    void NormaliseNumber(int id);
    void NormaliseDimensions();
    void ApplyPaperSize();
    void ChangeUnits();
    void OnImageTypeClicked();
    void OnJustificationClicked(bool centre);
    void OnDimensionChanged(int id);
    void OnResolutionChanged();
    void OnAdaptiveThresholdClicked();
    void OnSetPoint(bool blackPoint);
    void OnSetParameters();
    void OnAcquire();
    void MoveDocument(int command);
    // Refuses with a message on a field: focus, whole text selected, warning box.
    bool Refuse(int fieldId, unsigned messageId);
    // A string-table text of the module.
    std::string LoadText(unsigned id) const;
};
