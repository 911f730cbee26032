// DAT_IMAGEINFO: the image the next transfer delivers, from the window descriptor.
#include "engine/scan_window.h"
#include "image/image_triplets.h"
#include "source/twain_source.h"

namespace {

TW_FIX32 WholeFix32(int32_t value) {
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(value);
    fix.Frac = 0;
    return fix;
}

}  // namespace

void CTwainSource::AlignInterpolatedWidth() {
    Settings.ScanWidth = InterpolatedScanWidth(Settings, ModelCode());
}

TW_UINT16 HandleImageInfo(CTwainSource& source, pTW_IMAGEINFO info) {
    if (source.Session.State() != StateTransferReady) return source.Fail(TWCC_SEQERROR);
    if (!info) return source.Fail(TWCC_BADVALUE);
    // The width the transfer will deliver: an interpolated scan's width is aligned now
    // rather than when the transfer begins, so no buffer sized from here is too small.
    source.AlignInterpolatedWidth();
    const ScanSettings& settings = source.Settings;
    info->XResolution = WholeFix32(settings.XResolution);
    info->YResolution = WholeFix32(settings.YResolution);
    info->ImageWidth = settings.ScanWidth;
    info->ImageLength = settings.ScanLength;
    info->Planar = FALSE;
    info->Compression = TWCP_NONE;
    info->SamplesPerPixel = 1;
    info->BitsPerSample[0] = static_cast<TW_INT16>(settings.BitsPerPixel);
    info->BitsPerPixel = static_cast<TW_INT16>(settings.BitsPerPixel);
    switch (CompositionOf(settings)) {
    case Composition::Greyscale:
        info->PixelType = TWPT_GRAY;
        break;
    case Composition::PaletteColour:
        info->PixelType = TWPT_PALETTE;
        break;
    case Composition::RgbColour:
        info->PixelType = TWPT_RGB;
        info->SamplesPerPixel = 3;
        for (int sample = 0; sample < 3; ++sample)
            info->BitsPerSample[sample] = 8;
        info->BitsPerPixel = 24;
        break;
    default:
        info->PixelType = TWPT_BW;
        break;
    }
    return TWRC_SUCCESS;
}
