#include "tools/twacquire/options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tools/twain_client.h"

namespace {

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0';
}

bool ParseWhole(const std::string& text, unsigned long long limit, unsigned long long& value) {
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 10);
    unsigned long long scale = 1;
    if (*end == 'k' || *end == 'K')
        scale = 1024, ++end;
    else if (*end == 'm' || *end == 'M')
        scale = 1024 * 1024, ++end;
    if (errno != 0 || *end != '\0' || value > limit / scale) return false;
    value *= scale;
    return true;
}

bool ParsePixelType(const std::string& text, TW_UINT16& type) {
    if (text == "bw" || text == "bilevel")
        type = TWPT_BW;
    else if (text == "gray" || text == "grey")
        type = TWPT_GRAY;
    else if (text == "rgb" || text == "colour" || text == "color")
        type = TWPT_RGB;
    else if (text == "palette")
        type = TWPT_PALETTE;
    else
        return false;
    return true;
}

bool ParseFrame(const std::string& text, FrameInches& frame) {
    double values[4];
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        size_t comma = text.find(',', start);
        const bool last = i == 3;
        if (last != (comma == std::string::npos)) return false;
        std::string part = text.substr(start, last ? std::string::npos : comma - start);
        if (!ParseNumber(part, values[i])) return false;
        start = comma + 1;
    }
    frame = {values[0], values[1], values[2], values[3]};
    return true;
}

bool ParseCompression(const std::string& text, TiffCompression& compression) {
    if (text == "none")
        compression = TiffCompression::None;
    else if (text == "packbits")
        compression = TiffCompression::PackBits;
    else if (text == "deflate" || text == "zip")
        compression = TiffCompression::Deflate;
    else if (text == "g4" || text == "group4")
        compression = TiffCompression::Group4;
    else
        return false;
    return true;
}

bool EndsWith(const std::string& text, const char* ending) {
    const size_t n = std::strlen(ending);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != ending[i])
            return false;
    return true;
}

}  // namespace

const char* UsageText() {
    return "usage: twacquire [options] OUTPUT\n"
           "Acquires one image through the TWAIN Source Manager into OUTPUT, a .tif (or\n"
           ".tiff), .png or .bmp file as its ending says. The file is written as the image\n"
           "arrives, as OUTPUT.part, which becomes OUTPUT when complete. Ctrl+C cancels.\n"
           "\n"
           "  --source NAME        data source product name (default \"Halvard TWAIN Driver\")\n"
           "  --dsm LIBRARY        the Source Manager to load (default TWAIN_32.DLL; the\n"
           "                       TWAIN 2 Source Manager is TWAINDSM.DLL)\n"
           "  --twain1             identify as a TWAIN 1.x application (default: TWAIN 2)\n"
           "  --list               print the source's identity and capabilities and stop\n"
           "  --pixel TYPE         bw, gray, rgb or palette\n"
           "  --bits N             bits per pixel (1, 4, 8, 24)\n"
           "  --resolution DPI     both resolutions\n"
           "  --xres DPI, --yres DPI\n"
           "  --frame L,T,R,B      image frame in inches\n"
           "  --auto-length        the image ends where the sheet ends (a TWAIN 2 source's\n"
           "                       automatic length detection); the frame's length is the\n"
           "                       longest sheet expected\n"
           "  --brightness V       brightness\n"
           "  --threshold V        bilevel threshold (0: adaptive)\n"
           "  --transfer MODE      auto (default: native when the image is small enough to\n"
           "                       hold in one piece, memory otherwise), native or memory\n"
           "  --buffer BYTES       memory transfer buffer size (K and M suffixes allowed;\n"
           "                       default: the size the source prefers)\n"
           "  --compression C      TIFF compression: none, packbits, deflate or g4\n"
           "                       (default: g4 for black and white, deflate otherwise)\n"
           "  --bigtiff            write BigTIFF even when the file stays below 4 GiB\n"
           "  --ui                 show the source's dialog; acquire or cancel there\n"
           "  --timeout SECONDS    wait this long for the image (default 30; none with --ui)\n"
           "  --help               this text\n";
}

ParseResult ParseOptions(int argc, char** argv, AcquireOptions& options, std::string& error) {
    options = AcquireOptions{};
    options.Source = HalvardProductName;
    bool timeoutGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&](std::string& text) {
            if (i + 1 >= argc) {
                error = option + " needs a value";
                return false;
            }
            text = argv[++i];
            return true;
        };
        std::string text;
        double number = 0;
        unsigned long long whole = 0;
        TiffCompression compression;
        if (option == "--help" || option == "-h") {
            return ParseResult::Help;
        } else if (option == "--list") {
            options.List = true;
        } else if (option == "--ui") {
            options.ShowUI = true;
        } else if (option == "--dsm") {
            if (!value(options.Manager)) return ParseResult::Error;
        } else if (option == "--twain1") {
            options.Twain1 = true;
        } else if (option == "--source") {
            if (!value(options.Source)) return ParseResult::Error;
        } else if (option == "--pixel") {
            TW_UINT16 type;
            if (!value(text)) return ParseResult::Error;
            if (!ParsePixelType(text, type)) {
                error = "unknown pixel type \"" + text + "\" (bw, gray, rgb, palette)";
                return ParseResult::Error;
            }
            options.PixelType = type;
        } else if (option == "--bits") {
            if (!value(text)) return ParseResult::Error;
            if (!ParseWhole(text, 0xffff, whole)) {
                error = "bad bit depth \"" + text + "\"";
                return ParseResult::Error;
            }
            options.BitDepth = static_cast<TW_UINT16>(whole);
        } else if (option == "--resolution" || option == "--xres" || option == "--yres") {
            if (!value(text)) return ParseResult::Error;
            if (!ParseWhole(text, 0xffff, whole)) {
                error = "bad resolution \"" + text + "\"";
                return ParseResult::Error;
            }
            if (option != "--yres") options.XResolution = static_cast<TW_UINT32>(whole);
            if (option != "--xres") options.YResolution = static_cast<TW_UINT32>(whole);
        } else if (option == "--frame") {
            FrameInches frame;
            if (!value(text)) return ParseResult::Error;
            if (!ParseFrame(text, frame)) {
                error = "bad frame \"" + text + "\" (left,top,right,bottom in inches)";
                return ParseResult::Error;
            }
            options.Frame = frame;
        } else if (option == "--brightness" || option == "--threshold") {
            if (!value(text)) return ParseResult::Error;
            if (!ParseNumber(text, number) || number < -32768 || number >= 32768) {
                error = "bad value \"" + text + "\" for " + option;
                return ParseResult::Error;
            }
            (option == "--brightness" ? options.Brightness : options.Threshold) = number;
        } else if (option == "--transfer") {
            if (!value(text)) return ParseResult::Error;
            if (text == "auto")
                options.TransferMechanism.reset();
            else if (text == "native")
                options.TransferMechanism = TWSX_NATIVE;
            else if (text == "memory")
                options.TransferMechanism = TWSX_MEMORY;
            else {
                error = "unknown transfer \"" + text + "\" (auto, native, memory)";
                return ParseResult::Error;
            }
        } else if (option == "--compression") {
            if (!value(text)) return ParseResult::Error;
            if (!ParseCompression(text, compression)) {
                error = "unknown compression \"" + text + "\" (none, packbits, deflate, g4)";
                return ParseResult::Error;
            }
            options.Compression = compression;
        } else if (option == "--auto-length") {
            options.AutoLength = true;
        } else if (option == "--bigtiff") {
            options.BigTiff = true;
        } else if (option == "--buffer") {
            if (!value(text)) return ParseResult::Error;
            if (!ParseWhole(text, 0xffffffffull, whole)) {
                error = "bad buffer size \"" + text + "\"";
                return ParseResult::Error;
            }
            options.BufferSize = static_cast<TW_UINT32>(whole);
        } else if (option == "--timeout") {
            if (!value(text)) return ParseResult::Error;
            if (!ParseNumber(text, number) || number <= 0) {
                error = "bad timeout \"" + text + "\"";
                return ParseResult::Error;
            }
            options.TimeoutSeconds = number;
            timeoutGiven = true;
        } else if (!option.empty() && option[0] == '-') {
            error = "unknown option " + option;
            return ParseResult::Error;
        } else if (options.Output.empty()) {
            options.Output = option;
        } else {
            error = "more than one output name";
            return ParseResult::Error;
        }
    }
    if (options.AutoLength && options.Twain1) {
        error = "--auto-length needs a TWAIN 2 session (leave out --twain1)";
        return ParseResult::Error;
    }
    if (options.ShowUI && !timeoutGiven) options.TimeoutSeconds = 0;  // wait for the person
    if (options.List) return ParseResult::Run;
    if (options.Output.empty()) {
        error = "no output name given";
        return ParseResult::Error;
    }
    if (!FormatFromName(options.Output, options.Format)) {
        error = "the output's ending must be .tif, .tiff, .png or .bmp: " + options.Output;
        return ParseResult::Error;
    }
    if ((options.Compression || options.BigTiff) && options.Format != OutputFormat::Tiff) {
        error = "--compression and --bigtiff are for .tif output";
        return ParseResult::Error;
    }
    return ParseResult::Run;
}

bool FormatFromName(const std::string& path, OutputFormat& format) {
    if (EndsWith(path, ".tif") || EndsWith(path, ".tiff"))
        format = OutputFormat::Tiff;
    else if (EndsWith(path, ".png"))
        format = OutputFormat::Png;
    else if (EndsWith(path, ".bmp"))
        format = OutputFormat::Bmp;
    else
        return false;
    return true;
}
