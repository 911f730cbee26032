#include "settings/settings_store.h"

#include <windows.h>

#include <cstdint>

#include "framework/module_application.h"

namespace {

struct WindowKey {
    const char* Name;
    int32_t ScanSettings::*Member;
    int32_t Default;
};

// The window descriptor's values in the store's order: "White Value" follows
// "Scale Mode", not its place in the record.
const WindowKey WindowKeys[] = {
    {"X Resolution", &ScanSettings::XResolution, 400},
    {"Y Resolution", &ScanSettings::YResolution, 400},
    {"X Offset", &ScanSettings::XOffset, 0},
    {"Y Offset", &ScanSettings::YOffset, 0},
    {"Scan Width", &ScanSettings::ScanWidth, 800},
    {"Scan Length", &ScanSettings::ScanLength, 800},
    {"Brightness", &ScanSettings::Brightness, 10},
    {"Threshold", &ScanSettings::Threshold, 128},
    {"Image Composition", &ScanSettings::ImageComposition,
     static_cast<int32_t>(Composition::RgbColour)},
    {"Bits per Pixel", &ScanSettings::BitsPerPixel, 24},
    {"Flage", &ScanSettings::Flage, 131},
    {"Compression Type", &ScanSettings::CompressionType, 0},
    {"Filter", &ScanSettings::Filter, 0},
    {"Initial Threshold", &ScanSettings::InitialThreshold, 120},
    {"Scaling Factor", &ScanSettings::ScalingFactor, 100},
    {"Direction", &ScanSettings::Direction, 0},
    {"Termination", &ScanSettings::Termination, 48},
    {"Scale Mode", &ScanSettings::ScaleMode, 0},
    {"White Value", &ScanSettings::WhiteValue, 240},
};

// Opens (creating what is missing) the Settings section; null when that fails.
HKEY OpenSection() {
    HKEY key = nullptr;
    LONG result =
        RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath().c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    return result == ERROR_SUCCESS ? key : nullptr;
}

// A DWORD value, or the default when it is missing, unreadable or of another
// registry type or size.
uint32_t ReadDword(HKEY key, const char* name, uint32_t fallback) {
    if (!key) return fallback;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return fallback;
    return value;
}

bool WriteDword(HKEY key, const char* name, uint32_t value) {
    DWORD data = value;
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

bool WriteString(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

// Gamma is kept in tenths; saving truncates toward zero.
uint32_t GammaInTenths(float gamma) {
    double tenths = static_cast<double>(gamma) * 10.0;
    if (!(tenths > -2147483648.0 && tenths < 4294967296.0)) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(tenths));
}

}  // namespace

std::string SettingsKeyPath() {
    const CModuleApplication* application = CModuleApplication::Current();
    std::string profile =
        application ? application->ProfilePath() : std::string("software\\Brightmoor\\DUNMERE.DLL");
    return profile + "\\Settings";
}

bool LoadSettings(ScanSettings& settings) {
    HKEY key = OpenSection();
    for (const WindowKey& window : WindowKeys)
        settings.*window.Member = static_cast<int32_t>(ReadDword(key, window.Name, window.Default));
    settings.AutoPalette = ReadDword(key, "Auto Palette", 0) != 0 ? 1 : 0;
    settings.PaletteColours = static_cast<int32_t>(ReadDword(key, "Palette Colours", 0));
    settings.CenterJustified = ReadDword(key, "Center Justified", 1) != 0 ? 1 : 0;
    settings.FractionalSpeed = static_cast<uint8_t>(ReadDword(key, "Fractional Speed", 4));
    settings.WhitePoint.R = static_cast<uint8_t>(ReadDword(key, "White Point R", 255));
    settings.WhitePoint.G = static_cast<uint8_t>(ReadDword(key, "White Point G", 255));
    settings.WhitePoint.B = static_cast<uint8_t>(ReadDword(key, "White Point B", 255));
    settings.BlackPoint.R = static_cast<uint8_t>(ReadDword(key, "Black Point R", 0));
    settings.BlackPoint.G = static_cast<uint8_t>(ReadDword(key, "Black Point G", 0));
    settings.BlackPoint.B = static_cast<uint8_t>(ReadDword(key, "Black Point B", 0));
    uint32_t tenths = ReadDword(key, "Gamma", 15);
    settings.Gamma = static_cast<float>(static_cast<double>(tenths) * 0.1);
    if (key) RegCloseKey(key);
    return true;
}

bool SaveSettings(const ScanSettings& settings) {
    HKEY key = OpenSection();
    if (!key) return false;
    bool written = true;
    for (const WindowKey& window : WindowKeys)
        written =
            written && WriteDword(key, window.Name, static_cast<uint32_t>(settings.*window.Member));
    written = written && WriteString(key, "Palette", settings.Palette);
    written = written && WriteDword(key, "Auto Palette", settings.AutoPalette != 0 ? 1 : 0);
    written = written &&
              WriteDword(key, "Palette Colours", static_cast<uint32_t>(settings.PaletteColours));
    written = written && WriteDword(key, "Center Justified", settings.CenterJustified != 0 ? 1 : 0);
    written = written && WriteDword(key, "Fractional Speed", settings.FractionalSpeed);
    written = written && WriteDword(key, "White Point R", settings.WhitePoint.R);
    written = written && WriteDword(key, "White Point G", settings.WhitePoint.G);
    written = written && WriteDword(key, "White Point B", settings.WhitePoint.B);
    written = written && WriteDword(key, "Black Point R", settings.BlackPoint.R);
    written = written && WriteDword(key, "Black Point G", settings.BlackPoint.G);
    written = written && WriteDword(key, "Black Point B", settings.BlackPoint.B);
    written = written && WriteDword(key, "Gamma", GammaInTenths(settings.Gamma));
    RegCloseKey(key);
    return written;
}
