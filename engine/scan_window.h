// The interpolated-colour window: RGB asked for at one of the model's interpolated
// resolutions is scanned at the native horizontal resolution and widened by the
// device library, by 3/2 or by 2. Scan start, both transfers and the reads share
// this one test so that the window programmed and the lines read always agree.
#pragma once

#include <cstdint>

#include "engine/models.h"
#include "tarnscan/tarnscan.h"

// 24 bits per pixel at a resolution (YResolution) the model reaches by interpolation.
bool IsInterpolatedScan(const WindowDescriptorType& window, Model model);

// The widening taken from XResolution over the native resolution: below 1.9 it is
// 3/2, from 1.9 on it is 2.
bool WidensByThreeHalves(const WindowDescriptorType& window, Model model);

// The resolution the device library widens each line to: the native resolution
// times the widening. It equals YResolution when both resolutions are the same;
// when they differ it still makes every widened line exactly ScanWidth pixels.
int32_t WidenedResolution(const WindowDescriptorType& window, Model model);

// The window the device is given: for an interpolated scan the native horizontal
// resolution with the offset and width narrowed accordingly; otherwise the window
// unchanged.
WindowDescriptorType DeviceWindow(const WindowDescriptorType& window, Model model);

// The width an interpolated scan delivers: ScanWidth raised to a multiple of the
// widening's denominator (3 or 2), so that every widened line is exactly that
// long. Other scans keep ScanWidth.
int32_t InterpolatedScanWidth(const WindowDescriptorType& window, Model model);
