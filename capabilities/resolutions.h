// The resolutions the source offers and scans, by model.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/models.h"

constexpr int32_t DefaultResolution = 400;

// The resolutions a TWAIN 2 application is offered: the model's steps with its
// native and interpolated resolutions among them (a 1.x list may lack them),
// ascending and without repeats.
std::vector<int32_t> OfferedResolutions(Model model);

// A resolution a TWAIN 2 application asks for (ICAP_XRESOLUTION, ICAP_YRESOLUTION,
// a settings block): false when it lies outside the model's steps; else the
// resolution scanned, which is the one asked for or the nearest step.
bool ResolutionToScan(Model model, int32_t requested, int32_t& scanned);
