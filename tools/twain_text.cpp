#include "tools/twain_text.h"

#include "tools/twain_client.h"

namespace {

struct CodeName {
    TW_UINT16 code;
    const char* name;
};

template <size_t N>
const char* Lookup(const CodeName (&table)[N], TW_UINT16 code, const char* unknown) {
    for (const CodeName& entry : table)
        if (entry.code == code) return entry.name;
    return unknown;
}

const CodeName kReturnCodes[] = {
    {TWRC_SUCCESS, "TWRC_SUCCESS"},         {TWRC_FAILURE, "TWRC_FAILURE"},
    {TWRC_CHECKSTATUS, "TWRC_CHECKSTATUS"}, {TWRC_CANCEL, "TWRC_CANCEL"},
    {TWRC_DSEVENT, "TWRC_DSEVENT"},         {TWRC_NOTDSEVENT, "TWRC_NOTDSEVENT"},
    {TWRC_XFERDONE, "TWRC_XFERDONE"},       {TWRC_ENDOFLIST, "TWRC_ENDOFLIST"},
};

const CodeName kConditionCodes[] = {
    {TWCC_SUCCESS, "TWCC_SUCCESS"},
    {TWCC_BUMMER, "TWCC_BUMMER"},
    {TWCC_LOWMEMORY, "TWCC_LOWMEMORY"},
    {TWCC_NODS, "TWCC_NODS"},
    {TWCC_MAXCONNECTIONS, "TWCC_MAXCONNECTIONS"},
    {TWCC_OPERATIONERROR, "TWCC_OPERATIONERROR"},
    {TWCC_BADCAP, "TWCC_BADCAP"},
    {TWCC_BADPROTOCOL, "TWCC_BADPROTOCOL"},
    {TWCC_BADVALUE, "TWCC_BADVALUE"},
    {TWCC_SEQERROR, "TWCC_SEQERROR"},
    {TWCC_BADDEST, "TWCC_BADDEST"},
    {TWCC_CAPUNSUPPORTED, "TWCC_CAPUNSUPPORTED"},
    {TWCC_CAPBADOPERATION, "TWCC_CAPBADOPERATION"},
    {TWCC_CAPSEQERROR, "TWCC_CAPSEQERROR"},
    {kNoConditionCode, "condition code unavailable"},
};

const CodeName kConditionMeanings[] = {
    {TWCC_SUCCESS, "no condition reported"},
    {TWCC_BUMMER, "failure for an unknown reason"},
    {TWCC_LOWMEMORY, "not enough memory for the operation"},
    {TWCC_NODS, "no data source, or the scanner was not recognised"},
    {TWCC_MAXCONNECTIONS, "the source is already connected to another application"},
    {TWCC_OPERATIONERROR, "the source or the scanner failed the operation"},
    {TWCC_BADCAP, "unknown capability"},
    {TWCC_BADPROTOCOL, "the source does not support this operation"},
    {TWCC_BADVALUE, "a value was refused"},
    {TWCC_SEQERROR, "operation not allowed in the current state"},
    {TWCC_BADDEST, "unknown destination, or the notification was refused"},
    {TWCC_CAPUNSUPPORTED, "capability not supported"},
    {TWCC_CAPBADOPERATION, "operation not supported on this capability"},
    {TWCC_CAPSEQERROR, "capability depends on another one"},
};

const CodeName kCapabilities[] = {
    {CAP_XFERCOUNT, "CAP_XFERCOUNT"},           {ICAP_COMPRESSION, "ICAP_COMPRESSION"},
    {ICAP_PIXELTYPE, "ICAP_PIXELTYPE"},         {ICAP_UNITS, "ICAP_UNITS"},
    {ICAP_XFERMECH, "ICAP_XFERMECH"},           {CAP_SUPPORTEDCAPS, "CAP_SUPPORTEDCAPS"},
    {CAP_UICONTROLLABLE, "CAP_UICONTROLLABLE"}, {ICAP_BRIGHTNESS, "ICAP_BRIGHTNESS"},
    {ICAP_PHYSICALWIDTH, "ICAP_PHYSICALWIDTH"}, {ICAP_PHYSICALHEIGHT, "ICAP_PHYSICALHEIGHT"},
    {ICAP_XRESOLUTION, "ICAP_XRESOLUTION"},     {ICAP_YRESOLUTION, "ICAP_YRESOLUTION"},
    {ICAP_BITORDER, "ICAP_BITORDER"},           {ICAP_PIXELFLAVOR, "ICAP_PIXELFLAVOR"},
    {ICAP_PLANARCHUNKY, "ICAP_PLANARCHUNKY"},   {ICAP_THRESHOLD, "ICAP_THRESHOLD"},
    {ICAP_BITDEPTH, "ICAP_BITDEPTH"},
};

const CodeName kItemTypes[] = {
    {TWTY_INT8, "TWTY_INT8"},     {TWTY_INT16, "TWTY_INT16"},   {TWTY_INT32, "TWTY_INT32"},
    {TWTY_UINT8, "TWTY_UINT8"},   {TWTY_UINT16, "TWTY_UINT16"}, {TWTY_UINT32, "TWTY_UINT32"},
    {TWTY_BOOL, "TWTY_BOOL"},     {TWTY_FIX32, "TWTY_FIX32"},   {TWTY_FRAME, "TWTY_FRAME"},
    {TWTY_STR32, "TWTY_STR32"},   {TWTY_STR64, "TWTY_STR64"},   {TWTY_STR128, "TWTY_STR128"},
    {TWTY_STR255, "TWTY_STR255"},
};

const CodeName kContainers[] = {
    {TWON_ARRAY, "TWON_ARRAY"},
    {TWON_ENUMERATION, "TWON_ENUMERATION"},
    {TWON_ONEVALUE, "TWON_ONEVALUE"},
    {TWON_RANGE, "TWON_RANGE"},
};

const CodeName kMessages[] = {
    {MSG_NULL, "MSG_NULL"},
    {MSG_XFERREADY, "MSG_XFERREADY"},
    {MSG_CLOSEDSREQ, "MSG_CLOSEDSREQ"},
    {MSG_CLOSEDSOK, "MSG_CLOSEDSOK"},
};

const CodeName kPixelTypes[] = {
    {TWPT_BW, "bw"},
    {TWPT_GRAY, "gray"},
    {TWPT_RGB, "rgb"},
    {TWPT_PALETTE, "palette"},
};

}  // namespace

const char* ReturnCodeName(TW_UINT16 rc) {
    return Lookup(kReturnCodes, rc, "unknown return code");
}
const char* ConditionCodeName(TW_UINT16 cc) {
    return Lookup(kConditionCodes, cc, "unknown condition code");
}
const char* CapabilityName(TW_UINT16 cap) {
    return Lookup(kCapabilities, cap, "unknown capability");
}
const char* ItemTypeName(TW_UINT16 itemType) {
    return Lookup(kItemTypes, itemType, "unknown item type");
}
const char* ContainerName(TW_UINT16 conType) {
    return Lookup(kContainers, conType, "unknown container");
}
const char* MessageName(TW_UINT16 msg) {
    return Lookup(kMessages, msg, "unknown message");
}
const char* PixelTypeName(TW_UINT16 pixelType) {
    return Lookup(kPixelTypes, pixelType, "unknown");
}

std::string DescribeFailure(TW_UINT16 rc, TW_UINT16 cc) {
    std::string text =
        std::string(ReturnCodeName(rc)) + " (" + std::to_string(rc) + "), " + ConditionCodeName(cc);
    if (cc != kNoConditionCode) text += " (" + std::to_string(cc) + ")";
    const char* meaning = Lookup(kConditionMeanings, cc, nullptr);
    if (meaning) text += ": " + std::string(meaning);
    return text;
}
