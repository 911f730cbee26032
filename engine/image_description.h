// What an application is told of the planned image: DAT_IMAGEINFO and DAT_PALETTE8.
#pragma once

#include "engine/scan_plan.h"
#include "platform/twain.h"

void DescribeImage(const ScanPlan& plan, TW_IMAGEINFO& info);
// The colours the pixel values of a palette or 8-bit grey image stand for (the
// plan's HasPalette), the same ones the native image carries.
void DescribePalette(const ScanPlan& plan, TW_PALETTE8& palette);
