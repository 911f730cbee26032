// .bmp files: a BITMAPFILEHEADER followed by a packed DIB (dib.h).
#pragma once

#include <string>

#include "tools/image/image.h"

// Writes the image as a .bmp file. A 16-bit grey image, which BMP readers would
// take for 5-5-5 colour, is written as 8-bit grey of its high bytes.
bool WriteBmp(const std::string& path, const Image& image, std::string& error);

bool ReadBmp(const std::string& path, Image& image, std::string& error);
