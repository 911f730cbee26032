// DG_CONTROL/DAT_CUSTOMDSDATA for TWAIN 2 applications, in state 4: MSG_GET hands
// out the negotiated settings as a block (settings_block.h) in the memory the
// application frees; MSG_SET takes such a block back. A block that is not whole
// and of this version, or that names what the scanner cannot scan, is refused and
// changes nothing; a resolution between the model's steps becomes the nearest step,
// as the resolution capabilities do.
#include <cmath>
#include <cstring>
#include <vector>

#include "capabilities/capability_answers.h"
#include "capabilities/settings_block.h"
#include "engine/models.h"
#include "platform/global_memory.h"
#include "source/twain_source.h"

namespace {

TW_UINT16 GiveSettings(CTwainSource& source, TW_CUSTOMDSDATA& custom) {
    const std::vector<uint8_t> block =
        EncodeSettingsBlock({source.Settings, source.TransferMechanism, source.Indicators});
    const HandoutMemory memory = source.Handout();
    HGLOBAL handle = memory.Allocate(GMEM_MOVEABLE, block.size());
    void* bytes = handle ? memory.Lock(handle) : nullptr;
    if (!bytes) {
        if (handle) memory.Free(handle);
        return source.Fail(TWCC_LOWMEMORY);
    }
    std::memcpy(bytes, block.data(), block.size());
    memory.Unlock(handle);
    custom.InfoLength = static_cast<TW_UINT32>(block.size());
    custom.hData = handle;
    return TWRC_SUCCESS;
}

// The application's block, read within the size its handle has; false when the
// handle does not lock or InfoLength claims more than the block holds.
bool ReadApplicationBlock(const TW_CUSTOMDSDATA& custom, SettingsBlockValues& values) {
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
bool MakeScannable(SettingsBlockValues& values, Model model, bool& corrected) {
    ScanSettings& s = values.Settings;
    const int32_t x = s.XResolution, y = s.YResolution;
    if (!ResolutionToScan(model, x, s.XResolution) || !ResolutionToScan(model, y, s.YResolution))
        return false;
    corrected = s.XResolution != x || s.YResolution != y;
    return IsScannableComposition(CompositionOf(s), s.BitsPerPixel, model) && s.Brightness >= 0 &&
           s.Brightness <= 50 && s.Threshold >= 0 && s.Threshold <= 255 &&
           (values.TransferMechanism == TWSX_NATIVE || values.TransferMechanism == TWSX_MEMORY) &&
           IsScannableWindow(s, model) && IsToneable(s);
}

TW_UINT16 TakeSettings(CTwainSource& source, const TW_CUSTOMDSDATA& custom) {
    SettingsBlockValues values = {source.Settings, source.TransferMechanism, source.Indicators};
    bool corrected = false;
    if (!ReadApplicationBlock(custom, values) ||
        !MakeScannable(values, source.ModelCode(), corrected))
        return source.Fail(TWCC_BADVALUE);
    source.Settings = values.Settings;
    source.TransferMechanism = values.TransferMechanism;
    source.Indicators = values.Indicators;
    return corrected ? TWRC_CHECKSTATUS : TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 CTwainSource::HandleCustomData(TW_UINT16 msg, pTW_CUSTOMDSDATA custom) {
    if (msg != MSG_GET && msg != MSG_SET) return Fail(TWCC_BADPROTOCOL);
    if (Session.State() != StateOpen) return Fail(TWCC_SEQERROR);
    if (!custom) return Fail(TWCC_BADVALUE);
    return msg == MSG_GET ? GiveSettings(*this, *custom) : TakeSettings(*this, *custom);
}
