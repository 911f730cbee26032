// "Scan Parameters": the data source's modeless dialog. It edits its own copy of
// the source's settings (WorkingSettings) in inches or millimetres and copies it
// back to the source only when Validate accepts it, on "&Set Parameters" (then
// saved to the settings store) and "&Acquire Data" (then a transfer is announced).
#pragma once

#include <cstdint>
#include <string>

#include "framework/dialog.h"
#include "settings/scan_settings.h"

class CTwainSource;

class CScanParametersDialog : public CDialog {
public:
    CScanParametersDialog(CTwainSource& source, ScanSettings& settings);
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
    ScanSettings& TargetSettings;
    CTwainSource& Source;
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
};
