// TWAIN codes in words, for messages to a person.
#pragma once

#include <string>

#include "platform/twain.h"

const char* ReturnCodeName(TW_UINT16 rc);
const char* ConditionCodeName(TW_UINT16 cc);
const char* CapabilityName(TW_UINT16 cap);
const char* ItemTypeName(TW_UINT16 itemType);
const char* ContainerName(TW_UINT16 conType);
const char* MessageName(TW_UINT16 msg);
const char* PixelTypeName(TW_UINT16 pixelType);
// "TWRC_FAILURE (1), TWCC_BADVALUE (10): ..." with a short explanation of the
// condition code.
std::string DescribeFailure(TW_UINT16 rc, TW_UINT16 cc);
