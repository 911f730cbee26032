// Every capability the source knows, one row each (see capability_table.h for the
// columns). The rows are in the order CAP_SUPPORTEDCAPS lists them: the TWAIN 1.x
// list first, then what only TWAIN 2 applications are offered.
#include "capabilities/capability_table.h"

#include "capabilities/capability_answers.h"
#include "source/twain_source.h"

namespace {

constexpr TW_UINT32 AllMessages =
    TWQC_GET | TWQC_SET | TWQC_GETDEFAULT | TWQC_GETCURRENT | TWQC_RESET;
constexpr TW_UINT32 GetsOnly = TWQC_GET | TWQC_GETDEFAULT | TWQC_GETCURRENT;
constexpr TW_UINT32 NoMessages = 0;

constexpr Reply BadCap = Reply::BadCap, Current = Reply::Current, Default = Reply::Default,
                Choices = Reply::Choices, Supported = Reply::Supported, AsTwain1 = Reply::AsTwain1,
                Own = Reply::Own;

// A TWAIN 2 application answered as a TWAIN 1.x one, to every message or to the gets.
constexpr Twain2Rule AsTwain1Always = {
    AllMessages, 0, {AsTwain1, AsTwain1, AsTwain1, AsTwain1}, AsTwain1, nullptr};
constexpr Twain2Rule AsTwain1GetsOnly = {
    GetsOnly, 0, {AsTwain1, AsTwain1, AsTwain1, BadCap}, BadCap, nullptr};

constexpr uint32_t WhenOpen = InState(StateOpen);

// MSG_SET of a capability an application cannot change.
constexpr SetRule NotSettable = {ConNone, TWCC_BADCAP, ReadAt::Offset2, EntryCheck::CurrentOnly,
                                 nullptr, nullptr};
// MSG_SET of a fixed value, which the application may only repeat: the 32 bits at
// offset 2 of any container, or their low half.
constexpr SetRule Repeat32 = {
    ConAny, TWCC_BADVALUE, ReadAt::Offset2, EntryCheck::CurrentOnly, &IsCurrentValue, nullptr};
constexpr SetRule RepeatLow16 = {
    ConAny, TWCC_BADVALUE, ReadAt::Offset2, EntryCheck::CurrentOnly, &LowHalfIsCurrentValue,
    nullptr};
// MSG_SET of a value stored as it comes, from anything but an array.
constexpr SetRule Stored(SetStore store) {
    return {ConOneValue | ConRange | ConEnumeration,
            TWCC_BADVALUE,
            ReadAt::ItemOrEntryAtWidth,
            EntryCheck::CurrentOnly,
            nullptr,
            store};
}

constexpr bool Listed = true, Unlisted = false;

// Each row:
//   cap, in the TWAIN 1.x list, 1.x item type, current value, default value, choices,
//   1.x replies {GET, GETCURRENT, GETDEFAULT, RESET}, what RESET changes, MSG_SET rule
//     {containers read, condition for others, where the value is read, enumeration
//      entries checked, check, store},
//   TWAIN 2 {messages answered, item type, replies {GET, GETCURRENT, GETDEFAULT, RESET},
//     MSG_SET, answer for the Own replies}, states for SET and RESET.
// A message outside a TWAIN 2 row's messages never reaches its replies.
// clang-format off
const CapabilityRow Rows[] = {
    {CAP_XFERCOUNT, Listed, TWTY_INT16, Fixed(1), Fixed(1), nullptr,
     {Current, Current, Default, Current}, nullptr, Repeat32,
     {AllMessages, TWTY_INT16, {AsTwain1, AsTwain1, AsTwain1, AsTwain1}, Own, &Twain2TransferCount}, WhenOpen},
    {CAP_SUPPORTEDCAPS, Listed, TWTY_UINT16, Fixed(0), Fixed(0), nullptr,
     {Supported, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {GetsOnly, TWTY_UINT16, {Supported, Supported, Supported, BadCap}, BadCap, nullptr}, WhenOpen},
    {CAP_UICONTROLLABLE, Listed, TWTY_BOOL, Fixed(TRUE), Fixed(TRUE), nullptr,
     {Current, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {GetsOnly, TWTY_BOOL, {Current, Current, Current, BadCap}, BadCap, nullptr}, WhenOpen},
    {ICAP_COMPRESSION, Listed, TWTY_INT16, Fixed(TWCP_NONE), Fixed(TWCP_NONE), nullptr,
     {Current, Current, Default, BadCap}, nullptr, NotSettable,
     {AllMessages, TWTY_UINT16, {Current, Current, Default, Current}, Own, &Twain2Compression}, WhenOpen},
    {ICAP_PLANARCHUNKY, Listed, TWTY_INT16, Fixed(TWPC_CHUNKY), Fixed(TWPC_CHUNKY), nullptr,
     {Current, Current, Default, BadCap}, nullptr, NotSettable,
     {AllMessages, TWTY_UINT16, {Current, Current, Default, Current}, Own, &Twain2PlanarChunky}, WhenOpen},
    {ICAP_PHYSICALHEIGHT, Listed, TWTY_FIX32, ReadFrom(&PhysicalHeightItem), ReadFrom(&PhysicalHeightItem), nullptr,
     {Current, Current, Default, BadCap}, nullptr, NotSettable,
     AsTwain1GetsOnly, WhenOpen},
    {ICAP_PHYSICALWIDTH, Listed, TWTY_FIX32, ReadFrom(&PhysicalWidthItem), ReadFrom(&PhysicalWidthItem), nullptr,
     {Current, Current, Default, BadCap}, nullptr, NotSettable,
     AsTwain1GetsOnly, WhenOpen},
    {ICAP_PIXELFLAVOR, Listed, TWTY_UINT16, Fixed(TWPF_CHOCOLATE), Fixed(TWPF_CHOCOLATE), nullptr,
     {Current, Current, Default, BadCap}, nullptr, RepeatLow16,
     {AllMessages, TWTY_UINT16, {AsTwain1, AsTwain1, AsTwain1, Current}, AsTwain1, nullptr}, WhenOpen},
    {ICAP_BITDEPTH, Listed, TWTY_UINT16, ReadFrom(&CurrentBitDepth), ReadFrom(&DefaultBitDepth), &BitDepthChoices,
     {Choices, Current, Default, Current}, &ResetPaletteDepth,
     {ConOneValue | ConEnumeration, TWCC_BADVALUE, ReadAt::ItemOrEntry16, EntryCheck::Every, &IsDepthOfComposition, &StoreBitDepth},
     AsTwain1Always, WhenOpen},
    {ICAP_BITORDER, Listed, TWTY_UINT16, Fixed(TWBO_MSBFIRST), Fixed(TWBO_MSBFIRST), nullptr,
     {Current, Current, Default, Current}, nullptr, Repeat32,
     AsTwain1Always, WhenOpen},
    // Any container but a one value or an enumeration is taken for a mistaken capability.
    {ICAP_PIXELTYPE, Listed, TWTY_UINT16, ReadFrom(&CurrentPixelType), Fixed(TWPT_RGB), &PixelTypeChoices,
     {Choices, Current, Default, Current}, &ResetToRgb,
     {ConOneValue | ConEnumeration, TWCC_BADCAP, ReadAt::ItemOrEntry16, EntryCheck::CurrentOnly, &IsScannablePixelType, &StorePixelType},
     AsTwain1Always, WhenOpen},
    {ICAP_UNITS, Listed, TWTY_UINT16, Fixed(TWUN_INCHES), Fixed(TWUN_INCHES), nullptr,
     {Current, Current, Default, Current}, nullptr,
     {ConOneValue, TWCC_BADVALUE, ReadAt::Offset2, EntryCheck::CurrentOnly, &IsCurrentValue, nullptr},
     AsTwain1Always, WhenOpen},
    {ICAP_XFERMECH, Listed, TWTY_UINT16, ReadFrom(&CurrentTransferMechanism), Fixed(TWSX_NATIVE), &TransferMechanismChoices,
     {Choices, Choices, Choices, Choices}, &ResetToNativeTransfer,
     {ConOneValue | ConEnumeration, TWCC_BADVALUE, ReadAt::ItemOrEntry16, EntryCheck::Every, &IsNotFileTransfer, &StoreTransferMechanism},
     {AllMessages, TWTY_UINT16, {AsTwain1, Current, Default, AsTwain1}, Own, &Twain2TransferMechanism}, WhenOpen},
    // Resetting either resolution resets both.
    {ICAP_XRESOLUTION, Listed, TWTY_UINT16, ReadFrom(&CurrentXResolution), Fixed(DefaultResolution), &XResolutionChoices,
     {Choices, Current, Default, Current}, &ResetBothResolutions, Stored(&StoreXResolution),
     {AllMessages, TWTY_FIX32, {Own, Own, Own, Own}, Own, &Twain2Resolution}, WhenOpen},
    {ICAP_YRESOLUTION, Listed, TWTY_UINT16, ReadFrom(&CurrentYResolution), Fixed(DefaultResolution), &YResolutionChoices,
     {Choices, Current, Default, Current}, &ResetBothResolutions, Stored(&StoreYResolution),
     {AllMessages, TWTY_FIX32, {Own, Own, Own, Own}, Own, &Twain2Resolution}, WhenOpen},
    // Set-only for TWAIN 1.x applications.
    {ICAP_BRIGHTNESS, Unlisted, TWTY_FIX32, Fixed(0), Fixed(0), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, Stored(&StoreBrightness),
     {AllMessages, TWTY_FIX32, {Own, Own, Own, Own}, Own, &Twain2Brightness}, WhenOpen},
    {ICAP_THRESHOLD, Unlisted, TWTY_FIX32, Fixed(0), Fixed(0), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, Stored(&StoreThreshold),
     {AllMessages, TWTY_FIX32, {Own, Own, Own, Own}, Own, &Twain2Threshold}, WhenOpen},
    // Unknown to TWAIN 1.x applications.
    {CAP_DEVICEONLINE, Unlisted, TWTY_BOOL, Fixed(0), Fixed(0), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {GetsOnly, TWTY_BOOL, {Own, Own, Own, BadCap}, BadCap, &Twain2DeviceOnline}, WhenOpen},
    {CAP_SUPPORTEDDATS, Unlisted, TWTY_UINT32, Fixed(0), Fixed(0), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {GetsOnly, TWTY_UINT32, {Own, Own, Own, BadCap}, BadCap, &Twain2SupportedDats}, WhenOpen},
    {CAP_INDICATORS, Unlisted, TWTY_BOOL, Fixed(0), Fixed(0), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {AllMessages, TWTY_BOOL, {Own, Own, Own, Own}, Own, &Twain2Indicators}, WhenOpen},
    {CAP_ENABLEDSUIONLY, Unlisted, TWTY_BOOL, Fixed(TRUE), Fixed(TRUE), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {GetsOnly, TWTY_BOOL, {Current, Current, Default, BadCap}, BadCap, nullptr}, WhenOpen},
    {CAP_CUSTOMDSDATA, Unlisted, TWTY_BOOL, Fixed(TRUE), Fixed(TRUE), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {GetsOnly, TWTY_BOOL, {Current, Current, Default, BadCap}, BadCap, nullptr}, WhenOpen},
    // The scanner reports no paper sensor: the device library has no call that asks.
    {CAP_PAPERDETECTABLE, Unlisted, TWTY_BOOL, Fixed(FALSE), Fixed(FALSE), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {GetsOnly, TWTY_BOOL, {Current, Current, Default, BadCap}, BadCap, nullptr}, WhenOpen},
    // The frame as capabilities, for TWAIN 2 applications only: a paper size, the
    // frame itself, and how many frames there are.
    {ICAP_SUPPORTEDSIZES, Unlisted, TWTY_UINT16, ReadFrom(&CurrentPaperSize), Fixed(TWSS_NONE), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {AllMessages, TWTY_UINT16, {Own, Current, Default, Own}, Own, &Twain2SupportedSizes}, WhenOpen},
    {ICAP_FRAMES, Unlisted, TWTY_FRAME, Fixed(0), Fixed(0), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {AllMessages, TWTY_FRAME, {Own, Own, Own, Own}, Own, &Twain2Frames}, WhenOpen},
    {ICAP_MAXFRAMES, Unlisted, TWTY_UINT16, Fixed(1), Fixed(1), nullptr,
     {BadCap, BadCap, BadCap, BadCap}, nullptr, NotSettable,
     {AllMessages, TWTY_UINT16, {Current, Current, Default, Current}, Own, &Twain2MaxFrames}, WhenOpen},
};
// clang-format on

static_assert(sizeof Rows / sizeof Rows[0] <= sizeof CapabilityList::Caps / sizeof(TW_UINT16),
              "every row fits in a supported-capabilities list");

}  // namespace

const CapabilityRow* FindCapability(TW_UINT16 cap) {
    for (const CapabilityRow& row : Rows)
        if (row.Cap == cap) return &row;
    return nullptr;
}

// An unknown capability is changed in no state, but a change is refused for the
// state before it is refused for the capability.
uint32_t ChangeStatesOf(const CapabilityRow* row) {
    return row ? row->ChangeStates : WhenOpen;
}

CapabilityList Twain1Capabilities() {
    CapabilityList list = {};
    for (const CapabilityRow& row : Rows)
        if (row.ListedToTwain1) list.Caps[list.Count++] = row.Cap;
    return list;
}

CapabilityList Twain2Capabilities() {
    CapabilityList list = {};
    for (const CapabilityRow& row : Rows)
        if (row.Twain2.Messages != NoMessages) list.Caps[list.Count++] = row.Cap;
    return list;
}
