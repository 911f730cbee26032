// The resolutions the source offers and scans, by model.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/models.h"

constexpr int32_t DefaultResolution = 400;

// The resolutions a TWAIN 2 application is offered: every one the scanner scans,
// its continuous range and its two interpolated resolutions, ascending.
std::vector<int32_t> OfferedResolutions(Model model);
// A TWAIN 2 application's default: 400 dpi, or the nearest the model scans.
int32_t Twain2DefaultResolution(Model model);

// A resolution a TWAIN 2 application asks for (ICAP_XRESOLUTION, ICAP_YRESOLUTION,
// a settings block): false when it lies outside the model's steps; else the
// resolution scanned, which is the one asked for or the nearest step.
bool ResolutionToScan(Model model, int32_t requested, int32_t& scanned);
