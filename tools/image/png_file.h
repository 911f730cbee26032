// .png files, written with zlib's deflate and read back with its inflate.
// Written as: 24-bit colour (colour type 2); 16-bit grey (type 0, 16 bits); 1, 4
// and 8 bits as grey when the colour table is the grey ramp (type 0), otherwise
// indexed with the colour table as PLTE (type 3). No interlace; every row with
// filter 0.
#pragma once

#include <string>

#include "tools/image/image.h"

bool WritePng(const std::string& path, const Image& image, std::string& error);

// Reads the colour types and depths this program writes (and the five standard
// row filters); checks every chunk's CRC. A grey image is returned with the grey
// ramp as its colour table, 16-bit grey little-endian as in memory.
bool ReadPng(const std::string& path, Image& image, std::string& error);
