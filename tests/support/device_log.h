// The simulated scanner's call log for the scope of a test: a fresh file in the
// temporary directory, named to the scanner through TARNSCAN_LOG, one line per
// device call ("Name field=value ... -> result").
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/source_fixture.h"

class DeviceLog {
public:
    // The scanner logs to `path` from the next module load on; the file is deleted
    // now and when the log goes.
    explicit DeviceLog(const std::string& path);
    // A file of this name in the temporary directory.
    static std::string TemporaryPath(const std::string& fileName);
    ~DeviceLog();
    DeviceLog(const DeviceLog&) = delete;
    DeviceLog& operator=(const DeviceLog&) = delete;

    // The lines from line `from` on.
    std::vector<std::string> Lines(size_t from = 0) const;
    // Only the lines of the calls named, in order.
    std::vector<std::string> Calls(const std::string& name, size_t from = 0) const;
    // The value of `field` in the last window the scanner was sent; empty when it
    // was sent none.
    std::string SentWindowField(const std::string& field) const;

    static std::string CallName(const std::string& line);
    // The name=value pairs of a line, "->" under the key "result".
    static std::map<std::string, std::string> Fields(const std::string& line);

private:
    std::string path_;
    ScopedEnvironment variable_;
};
