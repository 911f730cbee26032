// The window behind ScanDialogWindow: the Scan Parameters dialog.
#include "ui/scan_dialog.h"
#include "ui/scan_parameters_dialog.h"

namespace {

class ScanParametersWindow : public ScanDialogWindow {
public:
    ScanParametersWindow(ScanDialogHost& host, const ScanDialogSetup& setup)
        : dialog_(host, setup) {}
    ~ScanParametersWindow() override {
        if (dialog_.Handle()) dialog_.DestroyWindow();
    }

    bool Create() override { return dialog_.Create(nullptr); }
    void BringToTop() override { BringWindowToTop(dialog_.Handle()); }
    HWND Handle() const override { return dialog_.Handle(); }

private:
    CScanParametersDialog dialog_;
};

}  // namespace

std::unique_ptr<ScanDialogWindow> MakeScanDialog(ScanDialogHost& host,
                                                 const ScanDialogSetup& setup) {
    return std::unique_ptr<ScanDialogWindow>(new ScanParametersWindow(host, setup));
}
