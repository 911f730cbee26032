#include "framework/data_exchange.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "framework/dialog.h"
#include "framework/framework_resource.h"
#include "framework/module_application.h"

namespace text {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
}  // namespace

bool ParseNumber(const std::string& text, double& value) {
    const char* start = text.c_str();
    while (IsBlank(*start))
        ++start;
    // Only plain decimal notation: no "inf", "nan" or hexadecimal forms.
    const char* digits = (*start == '-' || *start == '+') ? start + 1 : start;
    if (!((*digits >= '0' && *digits <= '9') || *digits == '.')) return false;
    char* end = nullptr;
    errno = 0;
    double parsed = std::strtod(start, &end);
    if (end == start || errno == ERANGE || !std::isfinite(parsed)) return false;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) return false;
    while (IsBlank(*end))
        ++end;
    if (*end != '\0') return false;
    value = parsed;
    return true;
}

double LeadingNumber(const std::string& text) {
    const char* start = text.c_str();
    while (IsBlank(*start))
        ++start;
    const char* digits = (*start == '-' || *start == '+') ? start + 1 : start;
    if (!((*digits >= '0' && *digits <= '9') || *digits == '.')) return 0;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) return 0;
    double value = std::strtod(start, nullptr);
    return std::isfinite(value) ? value : 0;
}

bool ParseInteger(const std::string& text, int64_t& value) {
    const char* start = text.c_str();
    while (IsBlank(*start))
        ++start;
    const char* digits = (*start == '-' || *start == '+') ? start + 1 : start;
    if (*digits < '0' || *digits > '9') return false;
    char* end = nullptr;
    errno = 0;
    long long parsed = std::strtoll(start, &end, 10);
    if (errno == ERANGE || parsed < -2147483648LL || parsed > 4294967295LL) return false;
    while (IsBlank(*end))
        ++end;
    if (*end != '\0') return false;
    value = parsed;
    return true;
}

}  // namespace text

namespace {

std::string Prompt(UINT id) {
    CModuleApplication* application = CModuleApplication::Current();
    return application ? application->LoadText(id) : std::string();
}

std::string RangePrompt(int low, int high) {
    std::string prompt = Prompt(IDS_PROMPT_INTEGER_RANGE);
    for (auto [marker, number] : {std::make_pair("%1", low), std::make_pair("%2", high)}) {
        size_t at = prompt.find(marker);
        if (at != std::string::npos) prompt.replace(at, 2, std::to_string(number));
    }
    return prompt;
}

}  // namespace

CDataExchange::CDataExchange(CDialog& dialog, bool saveAndValidate)
    : dialog_(dialog), saving_(saveAndValidate) {}

void CDataExchange::Fail(int id, const std::string& prompt) {
    failed_ = true;
    pending_.clear();
    if (CModuleApplication* application = CModuleApplication::Current())
        application->ShowWarning(dialog_.Handle(), prompt);
    dialog_.FocusAndSelect(id, 0, -1);
}

void CDataExchange::Text(int id, std::string& value) {
    if (Skip()) return;
    if (saving_)
        Assign(value, dialog_.ItemText(id));
    else
        dialog_.SetItemText(id, value);
}

void CDataExchange::Text(int id, float& value) {
    if (Skip()) return;
    if (!saving_) {
        char shown[64];
        std::snprintf(shown, sizeof shown, "%.*g", FLT_DIG, static_cast<double>(value));
        dialog_.SetItemText(id, shown);
        return;
    }
    double parsed = 0;
    if (!text::ParseNumber(dialog_.ItemText(id), parsed) || std::fabs(parsed) > FLT_MAX)
        return Fail(id, Prompt(IDS_PROMPT_NUMBER));
    Assign(value, static_cast<float>(parsed));
}

void CDataExchange::Text(int id, uint32_t& value) {
    if (Skip()) return;
    if (!saving_) return dialog_.SetItemText(id, std::to_string(value));
    int64_t parsed = 0;
    if (!text::ParseInteger(dialog_.ItemText(id), parsed) || parsed < 0)
        return Fail(id, Prompt(IDS_PROMPT_POSITIVE_INTEGER));
    Assign(value, static_cast<uint32_t>(parsed));
}

void CDataExchange::Text(int id, uint8_t& value) {
    if (Skip()) return;
    if (!saving_) return dialog_.SetItemText(id, std::to_string(value));
    int64_t parsed = 0;
    if (!text::ParseInteger(dialog_.ItemText(id), parsed) || parsed < 0 || parsed > 255)
        return Fail(id, RangePrompt(0, 255));
    Assign(value, static_cast<uint8_t>(parsed));
}

void CDataExchange::Radio(int firstId, int32_t& value) {
    if (Skip()) return;
    HWND button = dialog_.Item(firstId);
    int32_t checked = -1;
    int32_t index = 0;
    for (bool first = true; button; button = GetWindow(button, GW_HWNDNEXT), first = false) {
        if (!first && (GetWindowLongA(button, GWL_STYLE) & WS_GROUP)) break;
        if (!(SendMessageA(button, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)) continue;
        if (saving_) {
            if (SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED) checked = index;
        } else {
            SendMessageA(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
    if (saving_) Assign(value, checked);
}

void CDataExchange::Check(int id, bool& value) {
    if (Skip()) return;
    if (saving_)
        Assign(value, dialog_.IsChecked(id));
    else
        CheckDlgButton(dialog_.Handle(), id, value ? BST_CHECKED : BST_UNCHECKED);
}

bool CDataExchange::Commit() {
    if (failed_) return false;
    for (auto& assign : pending_)
        assign();
    pending_.clear();
    return true;
}
