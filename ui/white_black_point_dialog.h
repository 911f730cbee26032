// "Set White/Black Point": a modal dialog that edits one colour triple of the
// caller (the white or the black point) as three numbers from 0 to 255, shows the
// colour in a swatch, and can lock the three together to a grey. The caller's
// bytes change only when the dialog closes with OK and its fields are valid.
#pragma once

#include <cstdint>

#include "framework/dialog.h"

class CWhiteBlackPointDialog : public CDialog {
public:
    CWhiteBlackPointDialog(bool isBlackPoint, uint8_t& r, uint8_t& g, uint8_t& b, CDialog* parent);
    ~CWhiteBlackPointDialog() override;

    bool IsBlackPoint;
    uint8_t Red;
    uint8_t Green;
    uint8_t Blue;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& exchange) override;
    void OnCommand(int id, int code, HWND control) override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnColourChanged(int id);
    void OnLockClicked();
    // Takes the leading digits of each edit; an edit outside 0 to 255 gets the
    // focus with its text selected, and reading stops there.
    bool ReadEdits();
    void PaintSwatch();
    static LRESULT CALLBACK SwatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    uint8_t& targetRed_;
    uint8_t& targetGreen_;
    uint8_t& targetBlue_;
    bool initialised_;
    bool handlingChange_ = false;
    WNDPROC swatchDefaultProc_ = nullptr;
};
