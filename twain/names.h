// TWAIN codes by their names in the standard, for traces and messages to a person:
// data groups, data argument types, messages, return and condition codes,
// capabilities, container and item types. An unknown code gives a short
// "unknown ..." text.
#pragma once

#include "platform/twain.h"

const char* DataGroupName(TW_UINT32 dg);
const char* DataArgumentName(TW_UINT16 dat);
const char* MessageName(TW_UINT16 msg);
const char* ReturnCodeName(TW_UINT16 rc);
const char* ConditionCodeName(TW_UINT16 cc);
const char* CapabilityName(TW_UINT16 cap);
const char* ItemTypeName(TW_UINT16 itemType);
const char* ContainerName(TW_UINT16 conType);

// What a condition code means, in a few words for a person; null for an unknown code.
const char* ConditionMeaning(TW_UINT16 cc);
