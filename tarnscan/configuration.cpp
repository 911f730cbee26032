#include "tarnscan/configuration.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace tarnscan {

namespace {

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A decimal number from 0 to `limit`, the whole text and nothing else.
bool ParseNumber(const std::string& text, long long limit, long long& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    char* end = nullptr;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed > limit) return false;
    value = parsed;
    return true;
}

// A TARNSCAN_SHEET_LENGTH value: digits, optionally a point and up to nine more
// digits; false for anything else (a sign included).
bool ParseSheetLength(const std::string& text, SheetLength& length) {
    const size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    long long wholeValue = 0, fractionValue = 0;
    if (whole.empty() && fraction.empty()) return false;
    if (!whole.empty() && !ParseNumber(whole, 100000, wholeValue)) return false;
    if (fraction.size() > 9 ||
        (!fraction.empty() && !ParseNumber(fraction, 999999999, fractionValue)))
        return false;
    length.wholeInches = static_cast<uint64_t>(wholeValue);
    length.fraction = static_cast<uint64_t>(fractionValue);
    length.perInch = 1;
    for (size_t i = 0; i < fraction.size(); ++i)
        length.perInch *= 10;
    return true;
}

void Note(std::string& problem, const std::string& text) {
    if (!problem.empty()) problem += "; ";
    problem += text;
}

}  // namespace

int64_t SheetLength::Lines(int32_t yResolution) const {
    const uint64_t dpi = static_cast<uint64_t>(std::max<int32_t>(0, yResolution));
    return static_cast<int64_t>(wholeInches * dpi + fraction * dpi / perInch);
}

std::string EnvironmentValue(const char* name) {
    std::vector<char> value(256);
    for (;;) {
        DWORD length =
            GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) return std::string();
        if (length < value.size()) return std::string(value.data(), length);
        value.resize(length + 1);
    }
}

FaultSet ParseFaults(const std::string& text, std::string& problem) {
    FaultSet faults;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string entry = Trim(text.substr(start, comma - start));
        start = comma + 1;
        if (entry.empty()) continue;

        std::string name = entry;
        std::string argument;
        size_t equals = entry.find('=');
        if (equals != std::string::npos) {
            name = Trim(entry.substr(0, equals));
            argument = Trim(entry.substr(equals + 1));
        }
        long long number = 0;
        if (name == "open")
            faults.open = true;
        else if (name == "unitready")
            faults.unitReady = true;
        else if (name == "setwindow")
            faults.setWindow = true;
        else if (name == "speed")
            faults.speed = true;
        else if (name == "trc")
            faults.trc = true;
        else if (name == "ctt")
            faults.ctt = true;
        else if (name == "start")
            faults.start = true;
        else if (name == "position")
            faults.position = true;
        else if (name == "stuck")
            faults.stuck = true;
        else if (name == "retry" && ParseNumber(argument, 0xffffffffll, number))
            faults.retryReads = static_cast<uint32_t>(number);
        else if (name == "end" && ParseNumber(argument, 0xffffffffll, number)) {
            faults.endEarly = true;
            faults.endLines = static_cast<uint32_t>(number);
        } else if (name == "stall" && ParseNumber(argument, 0xffffffffll, number)) {
            faults.stall = true;
            faults.stallLines = static_cast<uint32_t>(number);
        } else {
            Note(problem, "unknown fault '" + entry + "'");
        }
    }
    return faults;
}

Configuration ReadConfiguration() {
    Configuration config;
    std::string model = EnvironmentValue("TARNSCAN_MODEL");
    if (!model.empty()) config.model = model;
    config.document = Trim(EnvironmentValue("TARNSCAN_DOCUMENT"));

    std::string dpi = Trim(EnvironmentValue("TARNSCAN_DOCUMENT_DPI"));
    long long number = 0;
    if (!dpi.empty()) {
        if (ParseNumber(dpi, 100000, number) && number > 0)
            config.documentDpi = static_cast<int>(number);
        else
            Note(config.problem,
                 "TARNSCAN_DOCUMENT_DPI '" + dpi + "' is not a resolution from 1 to 100000");
    }
    config.faults = ParseFaults(EnvironmentValue("TARNSCAN_FAULTS"), config.problem);
    config.logPath = EnvironmentValue("TARNSCAN_LOG");
    const std::string sheet = Trim(EnvironmentValue("TARNSCAN_SHEET_LENGTH"));
    SheetLength length;
    if (!sheet.empty() && ParseSheetLength(sheet, length))
        config.sheetLength = length;
    else if (!sheet.empty())
        Note(config.problem,
             "TARNSCAN_SHEET_LENGTH '" + sheet +
                 "' is not a length in inches from 0 to 100000 (a point and up to nine decimals)");
    return config;
}

}  // namespace tarnscan
