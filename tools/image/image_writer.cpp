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

bool RowsComplete(const ImageFormat& format, uint64_t rows, std::string& error) {
    if (!format.HeightKnown && rows == 0)
        error = "the image ended before its first row";
    else if (format.HeightKnown && rows != static_cast<uint64_t>(format.Height))
        error = "the image ended after " + std::to_string(rows) + " of " +
                std::to_string(format.Height) + " rows";
    else
        return true;
    return false;
}
