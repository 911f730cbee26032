// The two halves of capability negotiation behind CTwainSource::HandleCapability.
#pragma once

#include "platform/twain.h"

class CTwainSource;

// MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT and MSG_RESET: applies a reset's changes
// and hands the application a new container. A request that fails changes nothing.
TW_UINT16 AnswerCapabilityQuery(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);

// MSG_SET: reads the application's container and stores the value it carries.
TW_UINT16 SetCapability(CTwainSource& source, pTW_CAPABILITY capability);

// Every capability message from an application that speaks TWAIN 2: the answers
// the TWAIN 2 standard gives, and the 1.x answers where the two agree.
TW_UINT16 HandleTwain2Capability(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
