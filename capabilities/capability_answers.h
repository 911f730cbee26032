// The functions the capability rows name: values read from the source, lists of
// choices, what a reset changes, what MSG_SET checks and stores (for TWAIN 1.x
// applications, capability_values.cpp), and the answers an application that speaks
// TWAIN 2 gets where they differ (twain2_capabilities.cpp).
#pragma once

#include <cstdint>

#include "capabilities/capability_table.h"
#include "engine/models.h"
#include "platform/twain.h"
#include "tarnscan/tarnscan.h"

constexpr int32_t DefaultResolution = 400;

// --- values -------------------------------------------------------------------
TW_UINT32 CurrentPixelType(const CTwainSource& source);
TW_UINT32 CurrentBitDepth(const CTwainSource& source);
TW_UINT32 DefaultBitDepth(const CTwainSource& source);
TW_UINT32 CurrentXResolution(const CTwainSource& source);
TW_UINT32 CurrentYResolution(const CTwainSource& source);
TW_UINT32 CurrentTransferMechanism(const CTwainSource& source);
TW_UINT32 PhysicalWidthItem(const CTwainSource& source);
TW_UINT32 PhysicalHeightItem(const CTwainSource& source);
// The paper size the window is (TWSS_), else TWSS_NONE.
TW_UINT32 CurrentPaperSize(const CTwainSource& source);

// --- choices (TWAIN 1.x) ------------------------------------------------------
TW_UINT16 PixelTypeChoices(CTwainSource& source, pTW_CAPABILITY capability);
TW_UINT16 BitDepthChoices(CTwainSource& source, pTW_CAPABILITY capability);
TW_UINT16 TransferMechanismChoices(CTwainSource& source, pTW_CAPABILITY capability);
TW_UINT16 XResolutionChoices(CTwainSource& source, pTW_CAPABILITY capability);
TW_UINT16 YResolutionChoices(CTwainSource& source, pTW_CAPABILITY capability);

// --- what MSG_RESET changes (TWAIN 1.x) -----------------------------------------
void ResetToRgb(CTwainSource& source);
void ResetPaletteDepth(CTwainSource& source);
void ResetToNativeTransfer(CTwainSource& source);
void ResetBothResolutions(CTwainSource& source);

// --- MSG_SET (TWAIN 1.x) ----------------------------------------------------------
bool IsCurrentValue(const CTwainSource& source, const CapabilityRow& row,
                    const SetRequest& request);
bool LowHalfIsCurrentValue(const CTwainSource& source, const CapabilityRow& row,
                           const SetRequest& request);
bool IsScannablePixelType(const CTwainSource& source, const CapabilityRow& row,
                          const SetRequest& request);
bool IsNotFileTransfer(const CTwainSource& source, const CapabilityRow& row,
                       const SetRequest& request);
bool IsDepthOfComposition(const CTwainSource& source, const CapabilityRow& row,
                          const SetRequest& request);
void StorePixelType(CTwainSource& source, const SetRequest& request);
void StoreTransferMechanism(CTwainSource& source, const SetRequest& request);
void StoreBitDepth(CTwainSource& source, const SetRequest& request);
void StoreBrightness(CTwainSource& source, const SetRequest& request);
void StoreThreshold(CTwainSource& source, const SetRequest& request);
void StoreXResolution(CTwainSource& source, const SetRequest& request);
void StoreYResolution(CTwainSource& source, const SetRequest& request);

// --- TWAIN 2 answers the rows cannot give (their Own replies)
// ------------------------------------------
TW_UINT16 Twain2TransferCount(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2Compression(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2PlanarChunky(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2TransferMechanism(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2Resolution(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2Brightness(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2Threshold(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2DeviceOnline(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2SupportedDats(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2Indicators(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);

// A resolution a TWAIN 2 application asks for, as ICAP_XRESOLUTION and
// ICAP_YRESOLUTION take it: false when it lies outside the model's steps; else the
// resolution scanned, which is the one asked for or the nearest step.
bool ResolutionToScan(Model model, int32_t requested, int32_t& scanned);
TW_UINT16 Twain2SupportedSizes(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2Frames(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
TW_UINT16 Twain2MaxFrames(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
// The number a TWAIN 2 application's MSG_SET names (a one value or an enumeration's
// current entry, any numeric type); false with TWCC_BADVALUE set in `result` when
// it names none.
bool ReadTwain2Request(CTwainSource& source, pTW_CAPABILITY capability, int32_t& value,
                       TW_UINT16& result);

// --- resolutions and pixel types ------------------------------------------------
// The resolutions a model offers to applications, ascending.
using ResolutionList = ResolutionSteps;
ResolutionList ResolutionsOfModel(Model model);
// Position reported for a resolution in a model's list (see the definition).
TW_UINT32 ResolutionPosition(const ResolutionList& list, int32_t dpi);

// TWAIN pixel type <-> ImageComposition, with the bit depth set along with it.
struct PixelTypeMapping {
    TW_UINT16 PixelType;
    Composition ImageComposition;
    int32_t BitsPerPixel;  // the composition's default depth
};
// The mapping for pixel types 0 to 3 (TWPT_BW, TWPT_GRAY, TWPT_RGB, TWPT_PALETTE).
const PixelTypeMapping& MappingOfPixelType(TW_UINT16 pixelType);
// The depths a composition is scanned at: its one depth, and 4 bits as well for a
// palette image. A value that names no composition has none.
bool IsDepthOf(Composition composition, TW_UINT32 depth);
// The pixel type of a composition; a value that names none reads as TWPT_BW.
TW_UINT16 PixelTypeOfComposition(Composition composition);
