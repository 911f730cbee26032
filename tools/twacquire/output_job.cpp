#include "tools/twacquire/output_job.h"

#include <windows.h>

#include <algorithm>

namespace {

TiffCompression DefaultCompression(int bitsPerPixel) {
    return bitsPerPixel == 1 ? TiffCompression::Group4 : TiffCompression::Deflate;
}

}  // namespace

COutputJob::COutputJob(const AcquireOptions& options)
    : options_(options), path_(options.Output), temporary_(options.Output + ".part") {}

COutputJob::~COutputJob() {
    Abandon();
}

bool COutputJob::Create(std::string& error) {
    std::string reason;
    if (!file_.Create(temporary_, reason)) {
        error = "cannot create " + path_ + " (" + reason + ")";
        return false;
    }
    created_ = true;
    return true;
}

bool COutputJob::Accepts(const TW_IMAGEINFO& info, int64_t rows, std::string& error) const {
    ImageFormat format;
    format.Width = info.ImageWidth;
    format.Height = static_cast<int32_t>(std::max<int64_t>(0, rows));
    format.BitsPerPixel = info.BitsPerPixel;
    if (options_.Format == OutputFormat::Bmp && BmpFileBytes(format) > 0xffffffffull) {
        error = "the image (" + std::to_string(format.ImageBytes() / 1000000) +
                " MB) is too large for a .bmp file, which stops at 4 GiB: name the output .tif "
                "(BigTIFF is chosen by itself)";
        return false;
    }
    if (options_.Compression == TiffCompression::Group4 && info.BitsPerPixel != 1) {
        error = "Group 4 compression is for black-and-white images only (this one has " +
                std::to_string(info.BitsPerPixel) + " bits per pixel)";
        return false;
    }
    return true;
}

const char* COutputJob::FormatName() const {
    switch (options_.Format) {
    case OutputFormat::Png:
        return "PNG";
    case OutputFormat::Bmp:
        return "BMP";
    default:
        return "TIFF";
    }
}

std::string COutputJob::Failure(const std::string& reason) const {
    return "cannot write " + path_ + ": " + reason;
}

bool COutputJob::Begin(const ImageFormat& format, std::string& error) {
    FILE* out = file_.Get();
    switch (options_.Format) {
    case OutputFormat::Png:
        writer_ = MakePngWriter(out);
        break;
    case OutputFormat::Bmp:
        writer_ = MakeBmpWriter(out);
        break;
    default:
        writer_ = MakeTiffWriter(
            out, options_.Compression.value_or(DefaultCompression(format.BitsPerPixel)),
            options_.BigTiff);
        break;
    }
    std::string reason;
    if (!writer_->Begin(format, reason)) {
        error = Failure(reason);
        return false;
    }
    return true;
}

bool COutputJob::WriteRow(const uint8_t* row, std::string& error) {
    std::string reason;
    if (writer_->WriteRow(row, reason)) return true;
    error = Failure(reason);
    return false;
}

bool COutputJob::Finish(std::string& error) {
    std::string reason;
    if (!writer_ || !writer_->Finish(reason)) {
        error = Failure(reason.empty() ? "no image was written" : reason);
        return false;
    }
    if (!file_.Close()) {
        error = Failure(LastFileError());
        return false;
    }
    if (!MoveFileExA(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = "cannot rename " + temporary_ + " to " + path_ + " (Windows error " +
                std::to_string(GetLastError()) + ")";
        return false;
    }
    created_ = false;
    return true;
}

void COutputJob::Abandon() {
    writer_.reset();
    file_.Close();
    if (created_) DeleteFileA(temporary_.c_str());
    created_ = false;
}
