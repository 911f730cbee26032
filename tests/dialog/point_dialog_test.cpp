// The Set White/Black Point dialog, opened from the Scan Parameters dialog's two
// "Set" buttons and driven inside its own modal loop.
#include <windows.h>

#include "tests/dialog/dialog_driver.h"
#include "ui/resource.h"

namespace {

class PointDialogTest : public DialogTest {
protected:
    static std::string EditText(HWND point, int id) {
        char text[64] = {};
        GetDlgItemTextA(point, id, text, sizeof text);
        return text;
    }
    static void TypeInto(HWND point, int id, const char* text) {
        SendDlgItemMessageA(point, id, EM_SETSEL, 0, -1);
        SendDlgItemMessageA(point, id, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    }
    static void ClickIn(HWND point, int id) { SendDlgItemMessageA(point, id, BM_CLICK, 0, 0); }
    static COLORREF Swatch(HWND point) {
        return ClientPixel(GetDlgItem(point, IDC_SWATCH), 20, 20);
    }
    static std::string Selected(HWND point, int id) {
        DWORD start = 0, end = 0;
        SendDlgItemMessageA(point, id, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                            reinterpret_cast<LPARAM>(&end));
        return EditText(point, id).substr(start, end - start);
    }

    // Opens the dialog with the button, runs body in it; body must close it.
    void InPointDialog(int button, const char* caption, const std::function<void(HWND)>& body,
                       bool expectPrompt = false) {
        ModalScript script;
        script.Then(caption, body);
        if (expectPrompt) script.ThenMessageBox();
        EXPECT_TRUE(script.Run([&] { Click(button); })) << caption << " did not run as scripted";
        for (const std::string& stray : script.Unexpected)
            ADD_FAILURE() << stray;
        Prompts = script.Boxes;
    }

    std::vector<CaughtBox> Prompts;
};

}  // namespace

TEST_F(PointDialogTest, OpensInItsModeWithTheWorkingValues) {
    StoreSetting("Black Point R", 1);
    StoreSetting("Black Point G", 2);
    StoreSetting("Black Point B", 3);
    ASSERT_TRUE(ShowDialog());
    EXPECT_EQ("1,2,3", Text(IDC_BLACK_POINT));
    InPointDialog(IDC_SET_BLACK_POINT, "Set Black Point", [](HWND point) {
        EXPECT_EQ("1", EditText(point, IDC_RED));
        EXPECT_EQ("2", EditText(point, IDC_GREEN));
        EXPECT_EQ("3", EditText(point, IDC_BLUE));
        EXPECT_EQ(RGB(1, 2, 3), Swatch(point));
        EXPECT_EQ(GetDlgItem(point, IDC_RED), GetFocus());
        PressButton(point, IDCANCEL);
    });
    InPointDialog(IDC_SET_WHITE_POINT, "Set White Point", [](HWND point) {
        EXPECT_EQ("255", EditText(point, IDC_RED));
        EXPECT_EQ(RGB(255, 255, 255), Swatch(point));
        PressButton(point, IDCANCEL);
    });
}

TEST_F(PointDialogTest, LockedColoursFollowTheEditedOne) {
    ASSERT_TRUE(ShowDialog());
    InPointDialog(IDC_SET_WHITE_POINT, "Set White Point", [](HWND point) {
        ClickIn(point, IDC_LOCK_COLOURS);
        TypeInto(point, IDC_GREEN, "128");
        EXPECT_EQ("128", EditText(point, IDC_RED));
        EXPECT_EQ("128", EditText(point, IDC_BLUE));
        EXPECT_EQ(RGB(128, 128, 128), Swatch(point));
        PressButton(point, IDOK);
    });
    EXPECT_EQ("128,128,128", Text(IDC_WHITE_POINT));
    // The new point leaves the dialog only with the next accepted validation.
    EXPECT_EQ(-1, StoredSetting("White Point G"));
    Click(IDC_SET_PARAMETERS);
    for (const char* channel : {"White Point R", "White Point G", "White Point B"})
        EXPECT_EQ(128, StoredSetting(channel)) << channel;
}

TEST_F(PointDialogTest, TickingTheLockTakesRedForAll) {
    ASSERT_TRUE(ShowDialog());
    InPointDialog(IDC_SET_BLACK_POINT, "Set Black Point", [](HWND point) {
        TypeInto(point, IDC_RED, "10");
        TypeInto(point, IDC_GREEN, "20");
        TypeInto(point, IDC_BLUE, "30");
        EXPECT_EQ(RGB(10, 20, 30), Swatch(point));
        ClickIn(point, IDC_LOCK_COLOURS);
        EXPECT_EQ("10", EditText(point, IDC_GREEN));
        EXPECT_EQ("10", EditText(point, IDC_BLUE));
        EXPECT_EQ(RGB(10, 10, 10), Swatch(point));
        // Clearing the lock changes nothing.
        ClickIn(point, IDC_LOCK_COLOURS);
        EXPECT_EQ("10", EditText(point, IDC_GREEN));
        PressButton(point, IDOK);
    });
    EXPECT_EQ("10,10,10", Text(IDC_BLACK_POINT));
}

TEST_F(PointDialogTest, ValueAbove255IsSelectedAndChangesNothing) {
    ASSERT_TRUE(ShowDialog());
    InPointDialog(IDC_SET_WHITE_POINT, "Set White Point", [](HWND point) {
        TypeInto(point, IDC_GREEN, "40");
        TypeInto(point, IDC_RED, "300");
        EXPECT_EQ(GetDlgItem(point, IDC_RED), GetFocus());
        EXPECT_EQ("300", Selected(point, IDC_RED));
        EXPECT_EQ(RGB(255, 40, 255), Swatch(point));
        PressButton(point, IDCANCEL);
    });
    EXPECT_EQ("255,255,255", Text(IDC_WHITE_POINT));
}

TEST_F(PointDialogTest, OkWithAValueOutOfRangePromptsAndKeepsTheCallersValues) {
    ASSERT_TRUE(ShowDialog());
    InPointDialog(
        IDC_SET_WHITE_POINT, "Set White Point",
        [](HWND point) {
            TypeInto(point, IDC_BLUE, "7");
            TypeInto(point, IDC_RED, "300");
            PressButton(point, IDOK);
        },
        true);
    ASSERT_EQ(1u, Prompts.size());
    EXPECT_EQ("Please enter an integer between 0 and 255.", Prompts[0].Text);
    EXPECT_EQ("DUNMERE.DLL", Prompts[0].Caption);
    EXPECT_EQ("255,255,255", Text(IDC_WHITE_POINT));
    Click(IDC_SET_PARAMETERS);
    EXPECT_EQ(255, StoredSetting("White Point B"));
}

TEST_F(PointDialogTest, CancelKeepsTheCallersValues) {
    ASSERT_TRUE(ShowDialog());
    InPointDialog(IDC_SET_BLACK_POINT, "Set Black Point", [](HWND point) {
        TypeInto(point, IDC_RED, "99");
        ClickIn(point, IDC_LOCK_COLOURS);
        PressButton(point, IDCANCEL);
    });
    EXPECT_EQ("0,0,0", Text(IDC_BLACK_POINT));
    Click(IDC_SET_PARAMETERS);
    EXPECT_EQ(0, StoredSetting("Black Point R"));
}
