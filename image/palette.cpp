// DG_IMAGE/DAT_PALETTE8: the colour table of the image about to be transferred,
// the same one the native image carries, for an application that receives the
// image by memory transfer and needs the colours its indices stand for.
#include <windows.h>

#include "engine/dib_builder.h"
#include "image/image_triplets.h"
#include "source/twain_source.h"

namespace {

constexpr TW_UINT16 PaletteTypeRgb = 0;   // TWPA_RGB
constexpr TW_UINT16 PaletteTypeGray = 1;  // TWPA_GRAY

bool HasPalette(const ScanSettings& settings) {
    if (CompositionOf(settings) == Composition::PaletteColour)
        return settings.BitsPerPixel == 4 || settings.BitsPerPixel == 8;
    return CompositionOf(settings) == Composition::Greyscale && settings.BitsPerPixel == 8;
}

void FillPalette(const ScanSettings& settings, TW_PALETTE8& palette) {
    RGBQUAD table[256] = {};
    WriteColourTable(table, settings.BitsPerPixel, CompositionOf(settings));
    palette = TW_PALETTE8();
    palette.NumColors = static_cast<TW_UINT16>(ColourTableEntries(settings.BitsPerPixel));
    palette.PaletteType =
        CompositionOf(settings) == Composition::Greyscale ? PaletteTypeGray : PaletteTypeRgb;
    for (TW_UINT16 i = 0; i < palette.NumColors; ++i) {
        palette.Colors[i].Index = static_cast<TW_UINT8>(i);
        palette.Colors[i].Channel1 = table[i].rgbRed;
        palette.Colors[i].Channel2 = table[i].rgbGreen;
        palette.Colors[i].Channel3 = table[i].rgbBlue;
    }
}

}  // namespace

TW_UINT16 HandlePalette(CTwainSource& source, TW_UINT16 msg, pTW_PALETTE8 palette) {
    if (msg != MSG_GET && msg != MSG_GETDEFAULT) return source.Fail(TWCC_BADPROTOCOL);
    if (source.Session.State() < StateOpen) return source.Fail(TWCC_SEQERROR);
    if (!palette) return source.Fail(TWCC_BADVALUE);
    // Bilevel and RGB images carry no palette an application could use.
    if (!HasPalette(source.Settings)) return source.Fail(TWCC_BADPROTOCOL);
    FillPalette(source.Settings, *palette);
    return TWRC_SUCCESS;
}
