// The user interface's side of the Scan Parameters dialog: the window the source
// shows through ScanDialogWindow.
#include "source/scan_dialog.h"

#include "source/twain_source.h"
#include "ui/scan_parameters_dialog.h"

namespace {

class ScanParametersWindow : public ScanDialogWindow {
public:
    explicit ScanParametersWindow(CTwainSource& source) : dialog_(source, source.Settings) {}
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

std::unique_ptr<ScanDialogWindow> MakeScanDialog(CTwainSource& source) {
    return std::unique_ptr<ScanDialogWindow>(new ScanParametersWindow(source));
}
