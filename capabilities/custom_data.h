// DG_CONTROL/DAT_CUSTOMDSDATA for TWAIN 2 applications: what was asked, handed out
// as a settings block (settings/settings_block.h) in the memory the application
// frees, and taken back from such a block.
#pragma once

#include "engine/models.h"
#include "platform/handout_memory.h"
#include "platform/twain.h"
#include "settings/negotiated.h"

TW_UINT16 GiveSettingsBlock(const Negotiated& asked, const HandoutMemory& memory,
                            TW_CUSTOMDSDATA& custom, TW_UINT16& condition);

// A block that is not whole and of this version, or that names what the scanner
// cannot scan, is refused with TWCC_BADVALUE and changes nothing; a resolution
// between the model's steps becomes the nearest step (TWRC_CHECKSTATUS), as the
// resolution capabilities do.
TW_UINT16 TakeSettingsBlock(Negotiated& asked, Model model, const TW_CUSTOMDSDATA& custom,
                            TW_UINT16& condition);
