// The job's one output file. It is written under a temporary name beside the
// output (OUTPUT.part) and renamed to OUTPUT only when complete, so a failed or
// cancelled job never leaves a file that looks whole; the temporary file is
// removed on every other ending.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/twain.h"
#include "tools/image/file_io.h"
#include "tools/image/image_writer.h"
#include "tools/twacquire/options.h"

class COutputJob : public CImageWriter {
public:
    explicit COutputJob(const AcquireOptions& options);
    ~COutputJob() override;

    // Creates the temporary file, before anything is scanned.
    bool Create(std::string& error);
    // Whether the chosen format can hold the image the source announces, of at most
    // `rows` rows, known before the scan starts.
    bool Accepts(const TW_IMAGEINFO& info, int64_t rows, std::string& error) const;

    bool Begin(const ImageFormat& format, std::string& error) override;
    bool WriteRow(const uint8_t* row, std::string& error) override;
    // Ends the file, closes it and gives it its name.
    bool Finish(std::string& error) override;
    // Closes and removes the temporary file.
    void Abandon();

    const std::string& Path() const { return path_; }
    const char* FormatName() const;

private:
    std::string Failure(const std::string& reason) const;

    AcquireOptions options_;
    std::string path_;
    std::string temporary_;
    COutputFile file_;
    std::unique_ptr<CImageWriter> writer_;
    bool created_ = false;
};
