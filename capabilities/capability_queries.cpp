// The answers to MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT and MSG_RESET, one
// capability at a time.
#include "capabilities/capability_handlers.h"
#include "capabilities/capability_table.h"
#include "capabilities/fix32.h"
#include "engine/models.h"
#include "source/twain_source.h"

namespace {

const int32_t DefaultResolution = 400;

TW_UINT16 BadCap(CTwainSource& source) {
    return source.Fail(TWCC_BADCAP);
}

TW_UINT16 OneInt16(CTwainSource& source, pTW_CAPABILITY capability, int16_t value) {
    return source.MakeOneValue(capability, TWTY_INT16, static_cast<TW_UINT16>(value));
}

TW_UINT16 OneUInt16(CTwainSource& source, pTW_CAPABILITY capability, int32_t value) {
    return source.MakeOneValue(capability, TWTY_UINT16, static_cast<TW_UINT16>(value));
}

TW_UINT16 OneFix32(CTwainSource& source, pTW_CAPABILITY capability, double value) {
    return source.MakeOneValue(capability, TWTY_FIX32, Fix32Item(FloatToFix32(value)));
}

TW_UINT16 Enumeration(CTwainSource& source, pTW_CAPABILITY capability, const TW_UINT16* items,
                      TW_UINT32 count, TW_UINT32 current, TW_UINT32 defaultIndex) {
    EnumerationHeader header = {TWTY_UINT16, count, current, defaultIndex};
    return source.MakeEnumeration(capability, header, items);
}

TW_UINT16 PixelTypeEnumeration(CTwainSource& source, pTW_CAPABILITY capability) {
    static const TW_UINT16 types[] = {TWPT_BW, TWPT_GRAY, TWPT_PALETTE, TWPT_RGB};
    TW_UINT32 current = 0;
    switch (source.Settings.ImageComposition) {
    case 2:
        current = 1;
        break;
    case 3:
        current = 2;
        break;
    case 5:
        current = 3;
        break;
    }
    return Enumeration(source, capability, types, 4, current, 3);
}

TW_UINT16 TransferMechanismEnumeration(CTwainSource& source, pTW_CAPABILITY capability) {
    static const TW_UINT16 mechanisms[] = {TWSX_NATIVE, TWSX_MEMORY};
    return Enumeration(source, capability, mechanisms, 2, source.TransferMechanism != 0 ? 1 : 0, 0);
}

// The model's resolutions with the current entry at the resolution truncated to a
// multiple of 50.
TW_UINT16 ResolutionEnumeration(CTwainSource& source, pTW_CAPABILITY capability,
                                int32_t resolution) {
    ResolutionList list = ResolutionsOfModel(source.ModelCode());
    TW_UINT32 current = ResolutionPosition(list, resolution / 50 * 50);
    TW_UINT32 defaultIndex = ResolutionPosition(list, DefaultResolution);
    return Enumeration(source, capability, list.Entries, list.Count, current, defaultIndex);
}

TW_UINT16 BitDepthOfGet(CTwainSource& source, pTW_CAPABILITY capability) {
    const ScanSettings& settings = source.Settings;
    if (settings.ImageComposition != 3) return OneUInt16(source, capability, settings.BitsPerPixel);
    static const TW_UINT16 depths[] = {8, 4};
    return Enumeration(source, capability, depths, 2, settings.BitsPerPixel != 8 ? 1 : 0, 0);
}

int32_t DefaultBitDepth(int32_t imageComposition) {
    switch (imageComposition) {
    case 0:
        return 1;
    case 2:
        return 8;
    case 3:
        return 8;
    case 5:
        return 24;
    default:
        return 0;
    }
}

TW_UINT16 Answer(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability) {
    ScanSettings& settings = source.Settings;
    const bool get = msg == MSG_GET;
    const bool reset = msg == MSG_RESET;
    switch (capability->Cap) {
    case CAP_XFERCOUNT:
        return OneInt16(source, capability, 1);
    case ICAP_COMPRESSION:
        return reset ? BadCap(source) : OneInt16(source, capability, TWCP_NONE);
    case ICAP_PIXELTYPE:
        if (get) return PixelTypeEnumeration(source, capability);
        if (msg == MSG_GETCURRENT)
            return OneUInt16(source, capability, PixelTypeOfComposition(settings.ImageComposition));
        if (reset) {
            settings.ImageComposition = 5;
            settings.BitsPerPixel = 24;
        }
        return OneUInt16(source, capability, TWPT_RGB);
    case ICAP_UNITS:
        return OneUInt16(source, capability, TWUN_INCHES);
    case ICAP_XFERMECH:
        if (reset) source.TransferMechanism = TWSX_NATIVE;
        return TransferMechanismEnumeration(source, capability);
    case CAP_SUPPORTEDCAPS:
        return get ? source.MakeSupportedCaps(capability) : BadCap(source);
    case CAP_UICONTROLLABLE:
        return get ? source.MakeOneValue(capability, TWTY_BOOL, TRUE) : BadCap(source);
    case ICAP_PHYSICALWIDTH:
        return reset ? BadCap(source)
                     : OneFix32(source, capability, PhysicalWidthInches(source.ModelCode()));
    case ICAP_PHYSICALHEIGHT:
        return reset ? BadCap(source) : OneFix32(source, capability, PhysicalLengthInches);
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
        int32_t current =
            capability->Cap == ICAP_XRESOLUTION ? settings.XResolution : settings.YResolution;
        if (get) return ResolutionEnumeration(source, capability, current);
        if (msg == MSG_GETCURRENT) return OneUInt16(source, capability, current);
        if (reset) settings.XResolution = settings.YResolution = DefaultResolution;
        return OneUInt16(source, capability, DefaultResolution);
    }
    case ICAP_BITORDER:
        return OneUInt16(source, capability, TWBO_MSBFIRST);
    case ICAP_PIXELFLAVOR:
        return reset ? BadCap(source) : OneUInt16(source, capability, TWPF_CHOCOLATE);
    case ICAP_PLANARCHUNKY:
        return reset ? BadCap(source) : OneInt16(source, capability, TWPC_CHUNKY);
    case ICAP_BITDEPTH:
        if (get) return BitDepthOfGet(source, capability);
        if (msg == MSG_GETDEFAULT)
            return OneUInt16(source, capability, DefaultBitDepth(settings.ImageComposition));
        if (reset && settings.ImageComposition == 3) settings.BitsPerPixel = 8;
        return OneUInt16(source, capability, settings.BitsPerPixel);
    default:
        // ICAP_BRIGHTNESS and ICAP_THRESHOLD can only be set; nothing else is known.
        return BadCap(source);
    }
}

// What a reset may change, kept so that a reset whose container cannot be built
// leaves the parameters as they were.
struct NegotiatedValues {
    explicit NegotiatedValues(const CTwainSource& source)
        : XResolution(source.Settings.XResolution),
          YResolution(source.Settings.YResolution),
          ImageComposition(source.Settings.ImageComposition),
          BitsPerPixel(source.Settings.BitsPerPixel),
          TransferMechanism(source.TransferMechanism) {}

    void RestoreInto(CTwainSource& source) const {
        source.Settings.XResolution = XResolution;
        source.Settings.YResolution = YResolution;
        source.Settings.ImageComposition = ImageComposition;
        source.Settings.BitsPerPixel = BitsPerPixel;
        source.TransferMechanism = TransferMechanism;
    }

    int32_t XResolution, YResolution, ImageComposition, BitsPerPixel;
    TW_UINT16 TransferMechanism;
};

}  // namespace

TW_UINT16 AnswerCapabilityQuery(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability) {
    NegotiatedValues before(source);
    TW_UINT16 result = Answer(source, msg, capability);
    if (result != TWRC_SUCCESS) before.RestoreInto(source);
    return result;
}
