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

const CodeName kPixelTypes[] = {
    {TWPT_BW, "bw"},
    {TWPT_GRAY, "gray"},
    {TWPT_RGB, "rgb"},
    {TWPT_PALETTE, "palette"},
};

}  // namespace

const char* PixelTypeName(TW_UINT16 pixelType) {
    return Lookup(kPixelTypes, pixelType, "unknown");
}

std::string DescribeFailure(TW_UINT16 rc, TW_UINT16 cc) {
    const char* condition =
        cc == kNoConditionCode ? "condition code unavailable" : ConditionCodeName(cc);
    std::string text =
        std::string(ReturnCodeName(rc)) + " (" + std::to_string(rc) + "), " + condition;
    if (cc != kNoConditionCode) text += " (" + std::to_string(cc) + ")";
    const char* meaning = Lookup(kConditionMeanings, cc, nullptr);
    if (meaning) text += ": " + std::string(meaning);
    return text;
}
