#include "capabilities/custom_data.h"

#include <cmath>
#include <vector>

#include "capabilities/resolutions.h"
#include "engine/pixel_types.h"
#include "platform/global_memory.h"
#include "settings/settings_block.h"

namespace {

// The application's block, read within the size its handle has; false when the
// handle does not lock or InfoLength claims more than the block holds.
bool ReadApplicationBlock(const TW_CUSTOMDSDATA& custom, Negotiated& values) {
    if (!custom.hData) return false;
    const auto* bytes = static_cast<const uint8_t*>(platform::GlobalMemory.Lock(custom.hData));
    if (!bytes) return false;
    const bool whole = custom.InfoLength <= platform::GlobalMemory.Size(custom.hData) &&
                       DecodeSettingsBlock(bytes, custom.InfoLength, values);
    platform::GlobalMemory.Unlock(custom.hData);
    return whole;
}

bool IsScannableComposition(Composition composition, int32_t bitsPerPixel, Model model) {
    if (bitsPerPixel < 0 || !IsDepthOf(composition, static_cast<TW_UINT32>(bitsPerPixel)))
        return false;
    return composition != Composition::RgbColour || !IsMonochromeModel(model);
}

// Whether an edge `edge` pixels in, at `resolution`, stays within `inches`.
bool Within(int64_t edge, int32_t resolution, double inches) {
    return static_cast<double>(edge) / resolution <= inches;
}

bool IsScannableWindow(const ScanSettings& s, Model model) {
    if (s.XOffset < 0 || s.YOffset < 0 || s.ScanWidth < 1 || s.ScanLength < 1) return false;
    return Within(int64_t{s.XOffset} + s.ScanWidth, s.XResolution, PhysicalWidthInches(model)) &&
           Within(int64_t{s.YOffset} + s.ScanLength, s.YResolution, PhysicalLengthInches);
}

// The tone curves are built for a gamma of 1 to 3 and a black point at or below
// the white point in every channel.
bool IsToneable(const ScanSettings& s) {
    return std::isfinite(s.Gamma) && s.Gamma >= 1.0f && s.Gamma <= 3.0f &&
           s.BlackPoint.R <= s.WhitePoint.R && s.BlackPoint.G <= s.WhitePoint.G &&
           s.BlackPoint.B <= s.WhitePoint.B;
}

// Checks the values as the capabilities and the frame would; resolutions between
// steps are moved to the nearest step (`corrected`).
bool MakeScannable(Negotiated& values, Model model, bool& corrected) {
    ScanSettings& s = values.Scan;
    const int32_t x = s.XResolution, y = s.YResolution;
    if (!ResolutionToScan(model, x, s.XResolution) || !ResolutionToScan(model, y, s.YResolution))
        return false;
    corrected = s.XResolution != x || s.YResolution != y;
    return IsScannableComposition(CompositionOf(s), s.BitsPerPixel, model) && s.Brightness >= 0 &&
           s.Brightness <= 50 && s.Threshold >= 0 && s.Threshold <= 255 &&
           (values.TransferMechanism == TWSX_NATIVE || values.TransferMechanism == TWSX_MEMORY) &&
           IsScannableWindow(s, model) && IsToneable(s);
}

}  // namespace

TW_UINT16 GiveSettingsBlock(const Negotiated& asked, const HandoutMemory& memory,
                            TW_CUSTOMDSDATA& custom, TW_UINT16& condition) {
    const std::vector<uint8_t> block = EncodeSettingsBlock(asked);
    HGLOBAL handle = memory.Copy(block.data(), block.size());
    if (!handle) {
        condition = TWCC_LOWMEMORY;
        return TWRC_FAILURE;
    }
    custom.InfoLength = static_cast<TW_UINT32>(block.size());
    custom.hData = handle;
    return TWRC_SUCCESS;
}

TW_UINT16 TakeSettingsBlock(Negotiated& asked, Model model, const TW_CUSTOMDSDATA& custom,
                            TW_UINT16& condition) {
    Negotiated values = asked;
    bool corrected = false;
    if (!ReadApplicationBlock(custom, values) || !MakeScannable(values, model, corrected)) {
        condition = TWCC_BADVALUE;
        return TWRC_FAILURE;
    }
    asked = values;
    return corrected ? TWRC_CHECKSTATUS : TWRC_SUCCESS;
}
