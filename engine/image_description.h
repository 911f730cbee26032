// What an application is told of the planned image: DAT_IMAGEINFO and DAT_PALETTE8.
#pragma once

#include "engine/scan_plan.h"
#include "platform/twain.h"

// `length`: the image's rows as they stand now (-1 while unknown).
void DescribeImage(const ScanPlan& plan, int32_t length, TW_IMAGEINFO& info);
// The colours the pixel values of a palette or 8-bit grey image stand for (the
// plan's HasPalette), the same ones the native image carries.
void DescribePalette(const ScanPlan& plan, TW_PALETTE8& palette);
