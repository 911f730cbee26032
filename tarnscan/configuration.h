// The simulated scanner's configuration: environment variables read at every Open.
//   TARNSCAN_MODEL         model name reported by Open (default QD120)
//   TARNSCAN_DOCUMENT      the paper: a binary PPM/PGM file, "flat", or unset for
//                          the built-in chart
//   TARNSCAN_DOCUMENT_DPI  resolution of that file (default 100)
//   TARNSCAN_FAULTS        comma-separated faults (see FaultSet)
//   TARNSCAN_LOG           call log file (default none)
//   TARNSCAN_SHEET_LENGTH  the sheet's length in inches (decimal, "50" or "12.5"),
//                          from the scan's first line to its trailing edge, where a
//                          scan's data ends; unset: endless paper
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarnscan {

// Faults that make the scanner misbehave on purpose.
struct FaultSet {
    bool open = false;        // Open returns false
    bool unitReady = false;   // UnitReady returns false
    bool setWindow = false;   // SetWindow returns false
    bool speed = false;       // SetFractionalSpeed returns false
    bool trc = false;         // LoadTrcTable returns false
    bool ctt = false;         // LoadColorTranslationTable returns false
    bool start = false;       // StartScan returns false
    bool position = false;    // SetObjectPosition returns false
    bool stuck = false;       // every read returns ReadRetry
    uint32_t retryReads = 0;  // retry=N: the first N reads of each scan return ReadRetry
    bool endEarly = false;    // end=N: the scan ends after N whole lines
    uint32_t endLines = 0;
    bool stall = false;  // stall=N: after N whole lines every read returns ReadRetry
    uint32_t stallLines = 0;
};

// A sheet's length as the decimal it was written in: whole inches and a fraction
// counted in 1/perInch inches, so that the lines before its edge are counted exactly.
struct SheetLength {
    uint64_t wholeInches = 0;
    uint64_t fraction = 0;  // less than perInch
    uint64_t perInch = 1;   // a power of ten
    // The whole lines at this resolution before the trailing edge: a line the edge
    // cuts is not one of them.
    int64_t Lines(int32_t yResolution) const;
};

struct Configuration {
    std::string model = "QD120";
    std::string document;  // empty: the built-in chart
    int documentDpi = 100;
    FaultSet faults;
    std::string logPath;
    std::optional<SheetLength> sheetLength;  // none: the paper does not end
    // A value that cannot be used (bad number, bad fault name); Open then fails.
    std::string problem;
};

// The variable's value, or an empty string when it is not set.
std::string EnvironmentValue(const char* name);

Configuration ReadConfiguration();

// Parses a TARNSCAN_FAULTS value; an unknown or malformed entry is reported in
// `problem` and otherwise ignored.
FaultSet ParseFaults(const std::string& text, std::string& problem);

}  // namespace tarnscan
