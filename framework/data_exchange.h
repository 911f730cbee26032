// Two-way exchange between a dialog's values and its controls. Writing shows
// each value in its control; reading parses every bound control first and only
// when all of them could be taken are the values assigned. The first control that
// cannot be taken gets the standard prompt and the focus, and the exchange fails.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate);

    bool Saving() const { return saving_; }
    bool Failed() const { return failed_; }

    // Texts of fields and labels, as they stand.
    void Text(int id, std::string& value);
    // A number shown with six significant digits ("%.*g").
    void Text(int id, float& value);
    // Decimal integers; 8-bit values are limited to 0 to 255.
    void Text(int id, uint32_t& value);
    void Text(int id, uint8_t& value);
    // The index of the checked button of the radio group that starts at firstId
    // (-1 when none is checked).
    void Radio(int firstId, int32_t& value);
    void Check(int id, bool& value);

    // Assigns what was read; false (and nothing assigned) when a control failed.
    bool Commit();

private:
    bool Skip() const { return failed_; }
    void Fail(int id, const std::string& prompt);
    template <typename T>
    void Assign(T& target, T value) {
        pending_.push_back([&target, value] { target = value; });
    }

    CDialog& dialog_;
    bool saving_;
    bool failed_ = false;
    std::vector<std::function<void()>> pending_;
};

// Parsers shared with handlers that read a field's text directly.
namespace text {
// A whole text that is one finite number (blanks around it allowed).
bool ParseNumber(const std::string& text, double& value);
// The leading number of a text; 0 when it does not start with one.
double LeadingNumber(const std::string& text);
// A whole text that is one signed decimal integer within 32 bits.
bool ParseInteger(const std::string& text, int64_t& value);
}  // namespace text
