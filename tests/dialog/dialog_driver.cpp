#include "tests/dialog/dialog_driver.h"

#include <commctrl.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "source/twain_source.h"
#include "tests/support/twain2_manager.h"
#include "twain/fix32.h"
#include "ui/scan_parameters_dialog.h"

namespace {

ModalScript* activeScript = nullptr;

std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassName(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct ModalSearch {
    std::string Caption;
    HWND Found;
    bool AnyCaption;
    HWND Exclude;
};

BOOL CALLBACK FindModal(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ModalSearch*>(parameter);
    if (ClassName(window) != "#32770" || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return TRUE;
    if (window == search->Exclude) return TRUE;
    if (!search->AnyCaption && WindowText(window) != search->Caption) return TRUE;
    search->Found = window;
    return FALSE;
}

HWND FindThreadDialog(const std::string& caption, bool anyCaption, HWND exclude) {
    ModalSearch search = {caption, nullptr, anyCaption, exclude};
    EnumThreadWindows(GetCurrentThreadId(), &FindModal, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND OpenScanDialogHandle() {
    CTwainSource* source = TheSource();
    return source && source->DialogWindow() ? source->DialogWindow()->Handle() : nullptr;
}

BOOL CALLBACK CollectBoxParts(HWND child, LPARAM parameter) {
    auto* box = reinterpret_cast<CaughtBox*>(parameter);
    if (ClassName(child) != "Static") return TRUE;
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
        HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        box->WarningIcon = box->WarningIcon || icon == LoadIcon(nullptr, IDI_WARNING);
    } else if (!WindowText(child).empty()) {
        box->Text = WindowText(child);
    }
    return TRUE;
}

}  // namespace

CaughtBox ReadMessageBox(HWND box) {
    CaughtBox caught = {WindowText(box), "", false};
    EnumChildWindows(box, &CollectBoxParts, reinterpret_cast<LPARAM>(&caught));
    return caught;
}

void PressButton(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

ModalScript::ModalScript() {
    activeScript = this;
}

ModalScript::~ModalScript() {
    if (timer_) KillTimer(nullptr, timer_);
    activeScript = nullptr;
}

void ModalScript::Then(const std::string& caption, Action action) {
    steps_.push_back({caption, std::move(action)});
}

void ModalScript::ThenMessageBox() {
    Then("DUNMERE.DLL", [this](HWND box) {
        Boxes.push_back(ReadMessageBox(box));
        PressButton(box, IDOK);
    });
}

bool ModalScript::Run(const std::function<void()>& trigger) {
    timer_ = SetTimer(nullptr, 0, 20, &ModalScript::Tick);
    trigger();
    KillTimer(nullptr, timer_);
    timer_ = 0;
    // Give a box that a step did not catch no chance to linger.
    return steps_.empty();
}

void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (activeScript) activeScript->OnTick();
}

void ModalScript::OnTick() {
    HWND scanDialog = OpenScanDialogHandle();
    if (!steps_.empty()) {
        HWND window = FindThreadDialog(steps_.front().Caption, false, scanDialog);
        if (window) {
            Step step = std::move(steps_.front());
            steps_.pop_front();
            idleTicks_ = 0;
            step.Run(window);
            return;
        }
    }
    if (++idleTicks_ < 150) return;
    // Nothing claimed the modal window for three seconds: close it.
    idleTicks_ = 0;
    if (HWND stray = FindThreadDialog("", true, scanDialog)) {
        Unexpected.push_back(WindowText(stray) + ": " + ReadMessageBox(stray).Text);
        PressButton(stray, IDCANCEL);
        PressButton(stray, IDOK);
    }
}

namespace {

std::vector<std::string>* strayWindows = nullptr;

// Outside a script, any modal window is a surprise: record it and close it, so
// that a test fails instead of waiting for a person.
void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
    if (activeScript || !strayWindows) return;
    if (HWND stray = FindThreadDialog("", true, OpenScanDialogHandle())) {
        strayWindows->push_back(WindowText(stray) + ": " + ReadMessageBox(stray).Text);
        PressButton(stray, IDCANCEL);
        PressButton(stray, IDOK);
    }
}

}  // namespace

void DialogTest::SetUp() {
    SourceTest::SetUp();
    ClearStoredSettings();
    strayWindows = &stray_;
    watchdog_ = SetTimer(nullptr, 0, 500, &Watchdog);
}

void DialogTest::TearDown() {
    KillTimer(nullptr, watchdog_);
    strayWindows = nullptr;
    for (const std::string& stray : stray_)
        ADD_FAILURE() << "unexpected window " << stray;
    SourceTest::TearDown();
    delete model_;
    model_ = nullptr;
    ClearStoredSettings();
}

HWND DialogTest::EnableWithDialog(TW_UINT16 msg) {
    TW_USERINTERFACE ui = {TRUE, FALSE, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, msg, &ui));
    dialog_ = OpenScanDialogHandle();
    EXPECT_NE(nullptr, dialog_);
    return dialog_;
}

HWND DialogTest::ShowDialog(const char* model, TW_UINT16 mechanism) {
    delete model_;
    model_ = new ScopedEnvironment("TARNSCAN_MODEL", model);
    Reload();
    Open();
    EXPECT_EQ(TWRC_SUCCESS, SetCapability(ICAP_XFERMECH, TWTY_UINT16, mechanism));
    return EnableWithDialog(MSG_ENABLEDS);
}

void DialogTest::OpenAsTwain2() {
    delete model_;
    model_ = new ScopedEnvironment("TARNSCAN_MODEL", "QD120");
    Reload();
    App = FakeTwain2Manager::Twain2Application(App.Id);
    TW_ENTRYPOINT entry = FakeTwain2Manager::Reset();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry));
    Open();
}

HWND DialogTest::ShowSettingsOnlyDialog() {
    return EnableWithDialog(MSG_ENABLEDSUIONLY);
}

DialogTest::PixelSize DialogTest::FramePixels() {
    TW_IMAGELAYOUT layout = {};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout));
    auto pixels = [](TW_FIX32 from, TW_FIX32 to, TW_UINT32 resolution) {
        return static_cast<int32_t>(
            std::lround((Fix32ToDouble(to) - Fix32ToDouble(from)) * resolution));
    };
    const TW_FRAME& frame = layout.Frame;
    return {pixels(frame.Left, frame.Right, CurrentItem(ICAP_XRESOLUTION)),
            pixels(frame.Top, frame.Bottom, CurrentItem(ICAP_YRESOLUTION))};
}

std::string DialogTest::Text(int id) const {
    return WindowText(Item(id));
}

bool DialogTest::Enabled(int id) const {
    return IsWindowEnabled(Item(id)) != FALSE;
}

bool DialogTest::Checked(int id) const {
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

std::string DialogTest::SelectedText(int comboId) const {
    LRESULT index = SendMessageA(Item(comboId), CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return "";
    char text[256] = {};
    SendMessageA(Item(comboId), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::string> DialogTest::ListEntries(int comboId) const {
    std::vector<std::string> entries;
    LRESULT count = SendMessageA(Item(comboId), CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(Item(comboId), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::string DialogTest::Selection(int id) const {
    DWORD start = 0, end = 0;
    SendMessageA(Item(id), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    std::string text = Text(id);
    if (start > text.size() || end > text.size() || start > end) return "";
    return text.substr(start, end - start);
}

bool DialogTest::HasFocus(int id) const {
    HWND focus = GetFocus();
    return focus && (focus == Item(id) || GetParent(focus) == Item(id));
}

void DialogTest::Type(int id, const std::string& text) {
    SendMessageA(Item(id), EM_SETSEL, 0, -1);
    SendMessageA(Item(id), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void DialogTest::Click(int id) {
    SendMessageA(Item(id), BM_CLICK, 0, 0);
}

void DialogTest::SelectEntry(int comboId, int index) {
    SendMessageA(Item(comboId), CB_SETCURSEL, index, 0);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(comboId)));
}

void DialogTest::SelectEntryText(int comboId, const std::string& text) {
    LRESULT index = SendMessageA(Item(comboId), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(text.c_str()));
    ASSERT_NE(CB_ERR, index) << text;
    SelectEntry(comboId, static_cast<int>(index));
}

void DialogTest::MoveTrackbar(int id, int position) {
    SendMessageA(Item(id), TBM_SETPOS, TRUE, position);
    SendMessageA(dialog_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(Item(id)));
}

CaughtBox DialogTest::ClickExpectingBox(int id) {
    ModalScript script;
    script.ThenMessageBox();
    EXPECT_TRUE(script.Run([&] { Click(id); })) << "no message box";
    EXPECT_TRUE(script.Unexpected.empty()) << script.Unexpected.front();
    return script.Boxes.empty() ? CaughtBox{} : script.Boxes.front();
}

COLORREF ClientPixel(HWND window, int x, int y) {
    UpdateWindow(window);
    HDC dc = GetDC(window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

namespace {

void PutBigEndian(std::vector<unsigned char>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void PutChunk(std::vector<unsigned char>& out, const char* type,
              const std::vector<unsigned char>& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
    PutBigEndian(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool SaveWindowPng(HWND window, const std::string& path) {
    // The client area: without a window manager the frame is not drawn.
    RECT frame;
    if (!GetClientRect(window, &frame)) return false;
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0) return false;
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    BOOL copied = BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
    GdiFlush();

    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    const auto* pixels = static_cast<const unsigned char*>(bits);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const unsigned char* bgra = pixels + (static_cast<size_t>(y) * width + x) * 4;
            raw.push_back(bgra[2]);
            raw.push_back(bgra[1]);
            raw.push_back(bgra[0]);
        }
    }
    SelectObject(memoryDc, previous);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    if (!copied) return false;

    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) !=
        Z_OK)
        return false;
    packed.resize(packedSize);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});

    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}
