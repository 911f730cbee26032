#include "tools/image/image_writer.h"

ImageFormat FormatOf(const Image& image) {
    ImageFormat format;
    format.Width = image.Width;
    format.Height = image.Height;
    format.BitsPerPixel = image.BitsPerPixel;
    format.Palette = image.Palette;
    return format;
}

bool WriteWholeImage(CImageWriter& writer, const Image& image, std::string& error) {
    if (!writer.Begin(FormatOf(image), error)) return false;
    for (int32_t y = 0; y < image.Height; ++y)
        if (!writer.WriteRow(image.Row(y), error)) return false;
    return writer.Finish(error);
}
