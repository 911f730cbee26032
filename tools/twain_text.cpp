#include "tools/twain_text.h"

#include "tools/twain_client.h"

const char* PixelTypeName(TW_UINT16 pixelType) {
    switch (pixelType) {
    case TWPT_BW:
        return "bw";
    case TWPT_GRAY:
        return "gray";
    case TWPT_RGB:
        return "rgb";
    case TWPT_PALETTE:
        return "palette";
    default:
        return "unknown";
    }
}

std::string DescribeFailure(TW_UINT16 rc, TW_UINT16 cc) {
    const char* condition =
        cc == NoConditionCode ? "condition code unavailable" : ConditionCodeName(cc);
    std::string text =
        std::string(ReturnCodeName(rc)) + " (" + std::to_string(rc) + "), " + condition;
    if (cc != NoConditionCode) text += " (" + std::to_string(cc) + ")";
    const char* meaning = ConditionMeaning(cc);
    if (meaning) text += ": " + std::string(meaning);
    return text;
}
