// The per-user settings store, against the real registry of the test prefix.
#include <windows.h>

#include <cstring>
#include <map>
#include <string>

#include "settings/settings_store.h"
#include "tests/support/source_fixture.h"

namespace {

class SettingsStoreTest : public SourceTest {
protected:
    void SetUp() override {
        SourceTest::SetUp();
        RegDeleteTreeA(HKEY_CURRENT_USER, "software\\Brightmoor");
    }
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "software\\Brightmoor");
        SourceTest::TearDown();
    }

    static HKEY Section() {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, SectionPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr);
        return key;
    }
    static void Store(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = Section();
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        RegCloseKey(key);
    }
    static void StoreDword(const char* name, DWORD value) {
        Store(name, REG_DWORD, &value, sizeof value);
    }
    static DWORD StoredDword(const char* name) {
        DWORD value = 0xDEADBEEF, size = sizeof value, type = 0;
        HKEY key = Section();
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << name;
        return value;
    }

    static constexpr const char* SectionPath = "software\\Brightmoor\\DUNMERE.DLL\\Settings";
};

// Every member set to a value that differs from both default tables.
ScanSettings Distinctive() {
    ScanSettings s;
    int32_t* window = &s.XResolution;
    for (int i = 0; i < 19; ++i)
        window[i] = 1000 + 7 * i;
    s.Palette = "";
    s.AutoPalette = 1;
    s.PaletteColours = 77;
    s.CenterJustified = 0;
    s.FractionalSpeed = 6;
    s.WhitePoint = {201, 202, 203};
    s.BlackPoint = {11, 12, 13};
    s.Gamma = 1.5f;
    return s;
}

}  // namespace

TEST_F(SettingsStoreTest, EmptyStoreLoadsTheStoreDefaultsAndCreatesTheKeyPath) {
    ScanSettings s;
    s.Palette = "kept";
    EXPECT_TRUE(LoadSettings(s));
    EXPECT_EQ(SettingsKeyPath(), SectionPath);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, SectionPath, 0, KEY_READ, &key));
    RegCloseKey(key);

    const int32_t expected[19] = {400, 400, 0, 0,   800, 800, 10, 128, 5, 24,
                                  131, 0,   0, 240, 120, 100, 0,  48,  0};
    EXPECT_EQ(0, std::memcmp(expected, &s.XResolution, sizeof expected));
    EXPECT_EQ("kept", s.Palette);
    EXPECT_EQ(0, s.AutoPalette);
    EXPECT_EQ(0, s.PaletteColours);
    EXPECT_EQ(1, s.CenterJustified);
    EXPECT_EQ(4, s.FractionalSpeed);
    EXPECT_EQ(255, s.WhitePoint.R);
    EXPECT_EQ(255, s.WhitePoint.G);
    EXPECT_EQ(255, s.WhitePoint.B);
    EXPECT_EQ(0, s.BlackPoint.R | s.BlackPoint.G | s.BlackPoint.B);
    EXPECT_FLOAT_EQ(1.5f, s.Gamma);
}

TEST_F(SettingsStoreTest, SaveWritesThirtyDwordsAndOneStringThatLoadBack) {
    ScanSettings saved = Distinctive();
    ASSERT_TRUE(SaveSettings(saved));

    std::map<DWORD, int> typeCounts;
    HKEY key = Section();
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = sizeof name, type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        ++typeCounts[type];
    }
    RegCloseKey(key);
    EXPECT_EQ(30, typeCounts[REG_DWORD]);
    EXPECT_EQ(1, typeCounts[REG_SZ]);
    EXPECT_EQ(2u, typeCounts.size());
    EXPECT_EQ(1000u + 7 * 2, StoredDword("X Offset"));
    EXPECT_EQ(1000u + 7 * 13, StoredDword("White Value"));
    EXPECT_EQ(15u, StoredDword("Gamma"));

    ScanSettings loaded;
    loaded.Palette = "not read back";
    ASSERT_TRUE(LoadSettings(loaded));
    EXPECT_EQ(0,
              std::memcmp(&saved.XResolution, &loaded.XResolution, sizeof(WindowDescriptorType)));
    EXPECT_EQ("not read back", loaded.Palette);
    EXPECT_EQ(saved.AutoPalette, loaded.AutoPalette);
    EXPECT_EQ(saved.PaletteColours, loaded.PaletteColours);
    EXPECT_EQ(saved.CenterJustified, loaded.CenterJustified);
    EXPECT_EQ(saved.FractionalSpeed, loaded.FractionalSpeed);
    EXPECT_EQ(0, std::memcmp(&saved.WhitePoint, &loaded.WhitePoint, 3));
    EXPECT_EQ(0, std::memcmp(&saved.BlackPoint, &loaded.BlackPoint, 3));
    EXPECT_EQ(saved.Gamma, loaded.Gamma);
}

TEST_F(SettingsStoreTest, StoredValuesAreNarrowedAsTheirMembersRequire) {
    struct Case {
        const char* Name;
        DWORD Stored;
        int Loaded;
        uint8_t ScanSettings::*Flag;
        uint8_t ColourTriple::*Channel;
        ColourTriple ScanSettings::*Triple;
    };
    const Case cases[] = {
        {"Center Justified", 5, 1, &ScanSettings::CenterJustified, nullptr, nullptr},
        {"Center Justified", 0, 0, &ScanSettings::CenterJustified, nullptr, nullptr},
        {"Auto Palette", 0x100, 1, &ScanSettings::AutoPalette, nullptr, nullptr},
        {"Fractional Speed", 260, 4, &ScanSettings::FractionalSpeed, nullptr, nullptr},
        {"Black Point G", 511, 255, nullptr, &ColourTriple::G, &ScanSettings::BlackPoint},
        {"White Point B", 0x1234, 0x34, nullptr, &ColourTriple::B, &ScanSettings::WhitePoint},
    };
    for (const Case& c : cases) {
        StoreDword(c.Name, c.Stored);
        ScanSettings s;
        LoadSettings(s);
        int loaded = c.Flag ? s.*c.Flag : (s.*c.Triple).*c.Channel;
        EXPECT_EQ(c.Loaded, loaded) << c.Name << " stored as " << c.Stored;
    }
}

TEST_F(SettingsStoreTest, GammaInTenthsCanLoseATenthOnTheWayBack) {
    for (DWORD stored : {7u, 10u, 13u, 15u, 20u}) {
        StoreDword("Gamma", stored);
        ScanSettings s;
        LoadSettings(s);
        EXPECT_EQ(static_cast<float>(stored * 0.1), s.Gamma);
        SaveSettings(s);
        // Saved as the float times ten, truncated.
        DWORD expected = static_cast<DWORD>(static_cast<double>(s.Gamma) * 10.0);
        EXPECT_EQ(expected, StoredDword("Gamma")) << stored;
    }
    StoreDword("Gamma", 7);
    ScanSettings s;
    LoadSettings(s);
    SaveSettings(s);
    EXPECT_EQ(6u, StoredDword("Gamma"));
}

TEST_F(SettingsStoreTest, ValuesOfTheWrongTypeOrSizeCountAsMissing) {
    const char text[] = "600";
    Store("X Resolution", REG_SZ, text, sizeof text);
    const WORD shortValue = 300;
    Store("Y Resolution", REG_BINARY, &shortValue, sizeof shortValue);
    const ULONGLONG wide = 0x0000000100000064ULL;
    Store("Scan Width", REG_QWORD, &wide, sizeof wide);
    const DWORD binaryDword = 77;
    Store("Brightness", REG_BINARY, &binaryDword, sizeof binaryDword);
    Store("Gamma", REG_SZ, "19", 3);
    StoreDword("Scan Length", 1234);

    ScanSettings s;
    LoadSettings(s);
    EXPECT_EQ(400, s.XResolution);
    EXPECT_EQ(400, s.YResolution);
    EXPECT_EQ(800, s.ScanWidth);
    EXPECT_EQ(10, s.Brightness);
    EXPECT_FLOAT_EQ(1.5f, s.Gamma);
    EXPECT_EQ(1234, s.ScanLength);
}

// The enable with the dialog loads the store over what was negotiated; a value the
// store lacks takes its default.
TEST_F(SettingsStoreTest, LoadingReplacesNegotiatedValuesInTheSourceSettings) {
    Open();
    ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_BW));
    ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_XRESOLUTION, TWTY_UINT16, 300));
    StoreDword("Image Composition", static_cast<DWORD>(Composition::Greyscale));
    StoreDword("Bits per Pixel", 8);
    TW_USERINTERFACE ui = {TRUE, FALSE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(TWPT_GRAY, CurrentItem(ICAP_PIXELTYPE));
    EXPECT_EQ(8u, CurrentItem(ICAP_BITDEPTH));
    EXPECT_EQ(400u, CurrentItem(ICAP_XRESOLUTION));
}
