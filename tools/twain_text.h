// TWAIN codes in words, for messages to a person.
#pragma once

#include <string>

#include "platform/twain.h"

#include "twain/names.h"

const char* PixelTypeName(TW_UINT16 pixelType);
// "TWRC_FAILURE (1), TWCC_BADVALUE (10): ..." with a short explanation of the
// condition code.
std::string DescribeFailure(TW_UINT16 rc, TW_UINT16 cc);
