// "&Set Parameters" and its checks: what reaches the source's settings (as an
// application reads them) and the store, and how a refused value is reported
// (message, caption, focus, selection).
#include <windows.h>

#include <cmath>

#include "source/twain_source.h"
#include "tests/dialog/dialog_driver.h"
#include "ui/resource.h"
#include "ui/units.h"

namespace {

class ValidationTest : public DialogTest {
protected:
    // Sets up a side- or centre-justified window in inches at a resolution.
    void Enter(const char* resolution, const char* width, const char* length) {
        SelectEntryText(IDC_RESOLUTION, resolution);
        Type(IDC_WIDTH, width);
        Type(IDC_LENGTH, length);
    }

    // Presses "&Set Parameters" expecting a refusal with this message on this
    // field; checks that nothing left the dialog.
    void ExpectRefusal(int field, const char* message) {
        const int32_t width = FramePixels().Width;
        const TW_UINT32 resolution = CurrentItem(ICAP_XRESOLUTION);
        CaughtBox box = ClickExpectingBox(IDC_SET_PARAMETERS);
        EXPECT_EQ("DUNMERE.DLL", box.Caption);
        EXPECT_EQ(message, box.Text);
        EXPECT_TRUE(box.WarningIcon);
        EXPECT_TRUE(HasFocus(field)) << message;
        EXPECT_EQ(Text(field), Selection(field)) << message;
        EXPECT_EQ(width, FramePixels().Width);
        EXPECT_EQ(resolution, CurrentItem(ICAP_XRESOLUTION));
        EXPECT_EQ(-1, StoredSetting("Scan Width")) << "nothing saved";
    }

    void Accept() {
        Click(IDC_SET_PARAMETERS);
        EXPECT_NE(-1, StoredSetting("Scan Width")) << "saved";
    }

    static int32_t Pixels(int dpi, const std::string& inches) {
        return static_cast<int32_t>(dpi * static_cast<double>(std::stof(inches)));
    }
};

}  // namespace

TEST_F(ValidationTest, A4PortraitAt300DpiInInches) {
    ASSERT_TRUE(ShowDialog("QD120"));
    SelectEntryText(IDC_RESOLUTION, "300");
    SelectEntry(IDC_PAPER_SIZE, 4);
    EXPECT_EQ("8.26772", Text(IDC_WIDTH));
    EXPECT_EQ("11.6929", Text(IDC_LENGTH));

    const struct {
        int Button;
        int Numerator;
        int Shift;
        const char* Expected;
    } types[] = {{IDC_GREYSCALE, 1, 0, "8496K"},
                 {IDC_RGB, 3, 0, "25490K"},
                 {IDC_16_COLOUR, 1, 1, "4248K"},
                 {IDC_BILEVEL, 1, 3, "1062K"}};
    double pixels =
        std::trunc((std::stof(Text(IDC_WIDTH)) * 300.0) * (std::stof(Text(IDC_LENGTH)) * 300.0));
    for (const auto& type : types) {
        Click(type.Button);
        uint64_t bytes = (static_cast<uint64_t>(pixels) * type.Numerator) >> type.Shift;
        EXPECT_EQ(SizeText(bytes), Text(IDC_FILE_SIZE));
        EXPECT_EQ(type.Expected, Text(IDC_FILE_SIZE));
    }

    Click(IDC_GREYSCALE);
    Accept();
    EXPECT_EQ(300u, CurrentItem(ICAP_XRESOLUTION));
    EXPECT_EQ(300u, CurrentItem(ICAP_YRESOLUTION));
    const PixelSize window = FramePixels();
    EXPECT_EQ(Pixels(300, "8.26772") & ~31, window.Width);
    EXPECT_EQ(2464, window.Width);
    EXPECT_EQ(3507, window.Length);
    EXPECT_EQ(0, StoredSetting("X Offset"));
    EXPECT_EQ(TWPT_GRAY, CurrentItem(ICAP_PIXELTYPE));
    EXPECT_EQ(8u, CurrentItem(ICAP_BITDEPTH));
    EXPECT_EQ(2464, StoredSetting("Scan Width"));
    EXPECT_EQ(3507, StoredSetting("Scan Length"));
    EXPECT_EQ(300, StoredSetting("X Resolution"));
    EXPECT_TRUE(IsWindowVisible(Dialog()));
}

TEST_F(ValidationTest, PaperSizesInBothUnitsAndOrientations) {
    ASSERT_TRUE(ShowDialog("QD120"));
    SelectEntry(IDC_PAPER_SIZE, 4);
    Click(IDC_MILLIMETRES);
    EXPECT_EQ("210", Text(IDC_WIDTH));
    EXPECT_EQ("297", Text(IDC_LENGTH));
    for (int unit : {IDC_WIDTH_UNIT, IDC_LENGTH_UNIT, IDC_XOFFSET_UNIT, IDC_YOFFSET_UNIT})
        EXPECT_EQ("mm.", Text(unit));
    Click(IDC_LANDSCAPE);
    SelectEntry(IDC_PAPER_SIZE, 0);
    EXPECT_EQ("1188", Text(IDC_WIDTH));
    EXPECT_EQ("840", Text(IDC_LENGTH));
    Click(IDC_INCHES);
    EXPECT_EQ("46.7717", Text(IDC_WIDTH));
    EXPECT_EQ("33.0709", Text(IDC_LENGTH));
    EXPECT_EQ("in.", Text(IDC_WIDTH_UNIT));
    // Clicking the unit already in force changes nothing.
    Click(IDC_INCHES);
    EXPECT_EQ("46.7717", Text(IDC_WIDTH));
}

TEST_F(ValidationTest, WidthIsRoundedDownTo32PixelsWithinTheScannerLimit) {
    const struct {
        const char* Model;
        const char* Resolution;
        const char* Width;
        int32_t Pixels;       // accepted width
        const char* Refusal;  // null: accepted
    } cases[] = {
        {"QD120", "300", "8.5", 2528, nullptr},                                // 2550 -> 2528
        {"QD120", "400", "0.1", 32, nullptr},                                  // 40 -> 32
        {"QD120", "400", "0.075", 0, "Scan must be at least 10 pixels wide"},  // 30 -> 0
        // 14368 exactly, although 35.92 as a float is a hair below it.
        {"QA1200", "400", "35.92", 14368, nullptr},
        {"QA1200", "400", "36", 0, "Scan Width too wide for scanner."},    // 14400
        {"QD120", "400", "39.4", 15744, nullptr},                          // 15760 -> 15744
        {"QD120", "400", "39.44", 0, "Scan Width too wide for scanner."},  // 15776
        {"QD120", "400", "39.5", 0, "Scan Width too wide for scanner."},   // 15800
        {"QD120", "400", "-2", 0, "Scan Width too wide for scanner."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Model) + " " + c.Resolution + " dpi, width " + c.Width);
        ClearStoredSettings();
        ASSERT_TRUE(ShowDialog(c.Model));
        Enter(c.Resolution, c.Width, "5");
        if (c.Refusal) {
            ExpectRefusal(IDC_WIDTH, c.Refusal);
        } else {
            Accept();
            EXPECT_EQ(c.Pixels, FramePixels().Width);
        }
    }
}

TEST_F(ValidationTest, LengthAndOffsetsAreChecked) {
    const struct {
        const char* Length;
        bool Side;
        const char* XOffset;
        const char* YOffset;
        int Field;  // refused field, 0 when accepted
        const char* Refusal;
        int32_t XOffsetPixels;
    } cases[] = {
        {"0.02", false, "0", "0", IDC_LENGTH, "Scan length must be at least 10 pixels", 0},
        {"-3", false, "0", "0", IDC_LENGTH, "Scan length must be at least 10 pixels", 0},
        {"5", false, "7", "-1", IDC_YOFFSET, "Xoffset out of range.", 0},
        {"5", false, "7", "2", 0, nullptr, 0},  // centre: X offset ignored
        {"5", true, "0", "0", 0, nullptr, 1},   // side with 0 stores 1
        {"5", true, "29.375", "0", IDC_XOFFSET,
         "X Offset plus Width must be less than scanner width.", 0},
        {"5", true, "40", "0", IDC_XOFFSET, "Xoffset out of range.", 0},
        {"5", true, "-1", "0", IDC_XOFFSET, "Xoffset out of range.", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("length ") + c.Length + " x " + c.XOffset + " y " + c.YOffset);
        ClearStoredSettings();
        ASSERT_TRUE(ShowDialog("QD120"));
        Enter("400", "10", c.Length);
        Click(c.Side ? IDC_SIDE_JUSTIFIED : IDC_CENTRE_JUSTIFIED);
        EXPECT_EQ(c.Side, Enabled(IDC_XOFFSET));
        if (c.Side) Type(IDC_XOFFSET, c.XOffset);
        Type(IDC_YOFFSET, c.YOffset);
        if (c.Field) {
            ExpectRefusal(c.Field, c.Refusal);
        } else {
            Accept();
            EXPECT_EQ(c.XOffsetPixels, StoredSetting("X Offset"));
            EXPECT_EQ(Pixels(400, c.YOffset), StoredSetting("Y Offset"));
        }
    }
}

TEST_F(ValidationTest, OffsetPlusWidthMustStayBelowTheScannerWidth) {
    // 0.56 in is 224 pixels at 400 dpi, 38.8125 in is 15525: together one pixel
    // less than QD120's 15750; 38.82 in is 15527 and goes past it.
    ASSERT_TRUE(ShowDialog("QD120"));
    Enter("400", "0.56", "5");
    Click(IDC_SIDE_JUSTIFIED);
    Type(IDC_XOFFSET, "38.82");
    ExpectRefusal(IDC_XOFFSET, "X Offset plus Width must be less than scanner width.");
    Type(IDC_XOFFSET, "38.8125");
    Accept();
    const int32_t width = FramePixels().Width;
    EXPECT_EQ(224, width);
    EXPECT_EQ(15525, StoredSetting("X Offset"));
    EXPECT_EQ(15749, width + StoredSetting("X Offset"));
}

TEST_F(ValidationTest, BrightnessUpTo50) {
    ASSERT_TRUE(ShowDialog("QD120"));
    Type(IDC_BRIGHTNESS, "51");
    ExpectRefusal(IDC_BRIGHTNESS, "Brightness cannot be more than 50");
    Type(IDC_BRIGHTNESS, "50");
    Accept();
    EXPECT_EQ(50, StoredSetting("Brightness"));
}

TEST_F(ValidationTest, AdaptiveThresholdSetsTheWhiteValue) {
    const struct {
        const char* Threshold;
        int32_t WhiteValue;
    } cases[] = {{"100", 142}, {"30", 42}, {"29", 42}, {"178", 254}, {"179", 255}};
    ASSERT_TRUE(ShowDialog("QD120"));
    Click(IDC_BILEVEL);
    Click(IDC_IAT);
    EXPECT_EQ("Adaptive Threshold", Text(IDC_THRESHOLD_LABEL));
    for (const auto& c : cases) {
        Type(IDC_THRESHOLD, c.Threshold);
        Click(IDC_SET_PARAMETERS);
        EXPECT_EQ(0, StoredSetting("Threshold")) << c.Threshold;
        EXPECT_EQ(std::atoi(c.Threshold), StoredSetting("Initial Threshold"));
        EXPECT_EQ(c.WhiteValue, StoredSetting("White Value")) << c.Threshold;
    }
    // Ticked but not bilevel: a fixed threshold.
    Click(IDC_GREYSCALE);
    EXPECT_FALSE(Enabled(IDC_IAT));
    EXPECT_TRUE(Checked(IDC_IAT));
    Click(IDC_SET_PARAMETERS);
    EXPECT_EQ(179, StoredSetting("Threshold"));
    EXPECT_EQ(255, StoredSetting("White Value"));
}

TEST_F(ValidationTest, SpeedFloorsAtLowResolutions) {
    const struct {
        const char* Resolution;
        int Type;
        int Speed;
        int Stored;
    } cases[] = {
        {"100", IDC_GREYSCALE, 1, 2}, {"50", IDC_RGB, 1, 2},      {"100", IDC_GREYSCALE, 3, 3},
        {"200", IDC_BILEVEL, 2, 4},   {"100", IDC_BILEVEL, 1, 4}, {"300", IDC_BILEVEL, 1, 1},
        {"200", IDC_GREYSCALE, 1, 1}, {"150", IDC_BILEVEL, 6, 6},
    };
    ASSERT_TRUE(ShowDialog("QD120"));
    for (const auto& c : cases) {
        SelectEntryText(IDC_RESOLUTION, c.Resolution);
        Click(c.Type);
        MoveTrackbar(IDC_SPEED_BAR, c.Speed);
        Click(IDC_SET_PARAMETERS);
        EXPECT_EQ(c.Stored, StoredSetting("Fractional Speed"))
            << c.Resolution << " dpi speed " << c.Speed;
        EXPECT_EQ(std::to_string(c.Stored), Text(IDC_SPEED));
    }
}

TEST_F(ValidationTest, DimensionFieldsAreNormalisedBeforeTheExchange) {
    const struct {
        const char* Typed;
        const char* Normalised;
    } cases[] = {{"12a", "0"}, {"-3", "0"},        {"", "0"},       {"1 5", "0"},
                 {"1,5", "0"}, {"1.5.2", "1.5.2"}, {"2.25", "2.25"}};
    ASSERT_TRUE(ShowDialog("QD120"));
    for (const auto& c : cases) {
        for (int field : {IDC_WIDTH, IDC_LENGTH, IDC_YOFFSET}) {
            Type(field, c.Typed);
            Type(IDC_BRIGHTNESS, "10");
            ModalScript script;  // "1.5.2" cannot be read: the prompt follows
            if (std::string(c.Typed) == "1.5.2") script.ThenMessageBox();
            EXPECT_TRUE(script.Run([&] { Click(IDC_GREYSCALE); }));
            EXPECT_EQ(c.Normalised, Text(field)) << "typed '" << c.Typed << "' into " << field;
            if (!script.Boxes.empty()) {
                EXPECT_EQ("Please enter a number.", script.Boxes[0].Text);
                EXPECT_TRUE(HasFocus(field));
            }
            Type(field, "1");
        }
    }
}

TEST_F(ValidationTest, TextTheExchangeCannotTakeChangesNothing) {
    ASSERT_TRUE(ShowDialog("QD120"));
    Type(IDC_WIDTH, "1.5.2");
    CaughtBox box = ClickExpectingBox(IDC_SET_PARAMETERS);
    EXPECT_EQ("Please enter a number.", box.Text);
    EXPECT_EQ("DUNMERE.DLL", box.Caption);
    EXPECT_TRUE(HasFocus(IDC_WIDTH));
    EXPECT_EQ("1.5.2", Selection(IDC_WIDTH));
    EXPECT_EQ(-1, StoredSetting("Scan Width"));

    Type(IDC_WIDTH, "3");
    Type(IDC_BRIGHTNESS, "300");
    box = ClickExpectingBox(IDC_ACQUIRE);
    EXPECT_EQ("Please enter an integer between 0 and 255.", box.Text);
    EXPECT_TRUE(HasFocus(IDC_BRIGHTNESS));
    EXPECT_EQ(0, FakeSourceManager::Calls);
    EXPECT_EQ(TwainState::Enabled, Source().Session().State());

    // A unit change that cannot read the fields leaves the unit as it was.
    box = ClickExpectingBox(IDC_MILLIMETRES);
    EXPECT_EQ("Please enter an integer between 0 and 255.", box.Text);
    EXPECT_TRUE(Checked(IDC_INCHES));
    EXPECT_FALSE(Checked(IDC_MILLIMETRES));
    EXPECT_EQ("3", Text(IDC_WIDTH));
    EXPECT_EQ("in.", Text(IDC_WIDTH_UNIT));
    Type(IDC_BRIGHTNESS, "12");
    Click(IDC_MILLIMETRES);
    EXPECT_EQ("76.2", Text(IDC_WIDTH));
}

TEST_F(ValidationTest, FileSizeEstimateFollowsTheFields) {
    ASSERT_TRUE(ShowDialog("QD120"));
    Click(IDC_GREYSCALE);
    Type(IDC_LENGTH, "0");
    Click(IDC_GREYSCALE);
    EXPECT_EQ("Unknown", Text(IDC_FILE_SIZE));
    Type(IDC_LENGTH, "2");
    Type(IDC_WIDTH, "0");
    Click(IDC_GREYSCALE);
    EXPECT_EQ("0 bytes", Text(IDC_FILE_SIZE));
    Type(IDC_WIDTH, "2");
    std::string before = Text(IDC_FILE_SIZE);
    EXPECT_EQ(SizeText(800 * 800), before);
    Type(IDC_LENGTH, "");
    EXPECT_EQ(before, Text(IDC_FILE_SIZE)) << "a cleared length keeps the estimate";
    Type(IDC_LENGTH, "2");
    // Far beyond 32 bits: 1000 x 1000 inches at 800 dpi in RGB.
    SelectEntryText(IDC_RESOLUTION, "800");
    Click(IDC_RGB);
    Type(IDC_WIDTH, "1000");
    Type(IDC_LENGTH, "1000");
    EXPECT_EQ(SizeText(uint64_t(800000) * 800000 * 3), Text(IDC_FILE_SIZE));
    EXPECT_EQ(std::to_string((uint64_t(800000) * 800000 * 3) >> 20) + "M", Text(IDC_FILE_SIZE));
}

TEST_F(ValidationTest, RefusalInMillimetresLeavesTheFieldsInMillimetres) {
    ASSERT_TRUE(ShowDialog("QD120"));
    Click(IDC_MILLIMETRES);
    Type(IDC_WIDTH, "0.5");
    Type(IDC_LENGTH, "100");
    ExpectRefusal(IDC_WIDTH, "Scan must be at least 10 pixels wide");
    EXPECT_EQ("0.5", Text(IDC_WIDTH));
    EXPECT_EQ("100", Text(IDC_LENGTH));
    ModalScript script;
    script.Then("Set White Point", [](HWND point) { PressButton(point, IDOK); });
    EXPECT_TRUE(script.Run([&] { Click(IDC_SET_WHITE_POINT); }));
    EXPECT_EQ("0.5", Text(IDC_WIDTH));
    EXPECT_EQ("100", Text(IDC_LENGTH));
    EXPECT_EQ("mm.", Text(IDC_WIDTH_UNIT));
    // 200 mm at 400 dpi.
    Type(IDC_WIDTH, "200");
    Accept();
    EXPECT_EQ(static_cast<int32_t>(400 * static_cast<double>(MillimetresToInches(200.0f))) & ~31,
              FramePixels().Width);
}
