#include "tests/support/device_log.h"

#include <windows.h>

#include <fstream>
#include <sstream>

std::string DeviceLog::TemporaryPath(const std::string& fileName) {
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    return std::string(directory) + fileName;
}

DeviceLog::DeviceLog(const std::string& path) : path_(path), variable_("TARNSCAN_LOG", path_) {
    DeleteFileA(path_.c_str());
}

DeviceLog::~DeviceLog() {
    DeleteFileA(path_.c_str());
}

std::vector<std::string> DeviceLog::Lines(size_t from) const {
    std::vector<std::string> lines;
    std::ifstream in(path_);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (from >= lines.size()) return {};
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end());
}

std::vector<std::string> DeviceLog::Calls(const std::string& name, size_t from) const {
    std::vector<std::string> calls;
    for (const std::string& line : Lines(from)) {
        if (CallName(line) == name) calls.push_back(line);
    }
    return calls;
}

std::string DeviceLog::SentWindowField(const std::string& field) const {
    const std::vector<std::string> windows = Calls("SetWindow");
    if (windows.empty()) return "";
    const auto fields = Fields(windows.back());
    const auto found = fields.find(field);
    return found == fields.end() ? "" : found->second;
}

std::string DeviceLog::CallName(const std::string& line) {
    return line.substr(0, line.find(' '));
}

std::map<std::string, std::string> DeviceLog::Fields(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::istringstream words(line);
    std::string word;
    words >> word;  // the call's name
    while (words >> word) {
        if (word == "->") {
            words >> fields["result"];
            break;
        }
        const size_t equals = word.find('=');
        if (equals != std::string::npos) fields[word.substr(0, equals)] = word.substr(equals + 1);
    }
    return fields;
}
