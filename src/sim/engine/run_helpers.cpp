#include "sim/engine/run_helpers.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/string_table.h"
#include "sim/engine/run_control.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

double NumberList[kNumberListSize];

namespace {

constexpr char kStateLetters[] = "0RF1XZ?";
constexpr uint32_t kStrengthBits = 0x1F8;
constexpr int kFirstRunningPrompt = 13986;
constexpr int kStopOnSpice3Command = 18406;

bool IsBlank(const std::string& item) {
    for (char c : item)
        if (!std::isspace(static_cast<unsigned char>(c))) return false;
    return true;
}

// The top-level comma items of a text.
std::vector<std::string> SplitItems(const char* text) {
    std::string copy = text ? text : "";
    std::vector<std::string> items;
    char* at = copy.data();
    for (;;) {
        char* rest = SplitAtTopLevelComma(at);
        items.emplace_back(at);
        if (rest == at + std::strlen(at)) break;
        at = rest;
    }
    return items;
}

int FillNumberList(const char* text, int n, bool strict) {
    for (double& slot : NumberList) slot = 0;
    if (n > kNumberListSize) n = kNumberListSize;
    const std::vector<std::string> items = SplitItems(text);
    int filled = 0;
    for (const std::string& item : items) {
        if (filled == n) break;
        if (IsBlank(item)) {
            if (strict) return kMsgMissingParameter;
        } else {
            int code = 0;
            NumberList[filled] = EvalNumberOrExpression(item.c_str(), &code);
            if (code) return code;
        }
        ++filled;
    }
    return strict && filled < n ? kMsgMissingParameter : 0;
}

}  // namespace

char* SplitAtTopLevelComma(char* text) {
    int depth = 0;
    for (char* p = text; *p; ++p) {
        if (*p == '(') ++depth;
        else if (*p == ')' && depth > 0) --depth;
        else if (*p == ',' && depth == 0) {
            *p = '\0';
            return p + 1;
        }
    }
    return text + std::strlen(text);
}

int ParseTwoNumbers(const char* text, double* a, double* b) {
    const std::vector<std::string> items = SplitItems(text);
    int code = 0;
    *a = EvalNumberOrExpression(items[0].c_str(), &code);
    *b = 0;
    if (code || items.size() < 2 || IsBlank(items[1])) return code;
    *b = EvalNumberOrExpression(items[1].c_str(), &code);
    return code;
}

int ParseNumberList(const char* text, int n) { return FillNumberList(text, n, false); }
int ParseNumberListOpt(const char* text, int n) { return FillNumberList(text, n, true); }

std::vector<double> ParseNumberArray(const char* text, int* error) {
    std::vector<double> values;
    *error = 0;
    for (const std::string& item : SplitItems(text)) {
        if (IsBlank(item)) continue;
        const double value = EvalNumberOrExpression(item.c_str(), error);
        if (*error) return {};
        values.push_back(value);
    }
    return values;
}

std::string FormatDigitalValue(uint32_t curve_flags, uint32_t value, int bit_width) {
    if (curve_flags & (kRadixBinary | kRadixOctal | kRadixDecimal | kRadixHex))
        return FormatDigitalValueRadix(curve_flags, value, bit_width);
    const char letter = (value & kStrengthBits) ? kStateLetters[value & 7] : 'Z';
    return std::string(1, letter);
}

std::string FormatDigitalValueRadix(uint32_t radix_flags, uint32_t value, int bit_width) {
    if (bit_width < 1) bit_width = 1;
    if (bit_width > 32) bit_width = 32;
    int base = 10, digits = 1;
    if (radix_flags & kRadixBinary) base = 2, digits = bit_width;
    if (radix_flags & kRadixOctal) base = 8, digits = (bit_width + 2) / 3;
    if (radix_flags & kRadixDecimal) base = 10, digits = 1;
    if (radix_flags & kRadixHex) base = 16, digits = (bit_width + 3) / 4;
    std::string text;
    do {
        text.insert(text.begin(), "0123456789ABCDEF"[value % base]);
        value /= base;
    } while (value);
    if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

int DigitalStateIndex(char c) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (int i = 0; kStateLetters[i]; ++i)
        if (kStateLetters[i] == upper) return i;
    return -1;
}

uint32_t AnalysisMaskBit(int command) {
    if (command == kStopOnSpice3Command) return 0x10000;
    return 1u << (static_cast<unsigned>(command) % 32);
}

void ShowRunningPrompt() {
    if (!RunView.show_prompt || AnalysisKind < 0 || AnalysisKind > 2) return;
    if (RunView.update_mode_indicator) RunView.update_mode_indicator();
    char text[128];
    LoadResString(text, kFirstRunningPrompt + AnalysisKind, sizeof text);
    ShowPrompt(text);
}

void ReportRunError2(int field_kind, int index, int column, const char* text, int message,
                     const char* arg1, const char* arg2, const char* arg3) {
    const bool dynamic_dc = RunView.dynamic_dc_mode && RunView.dynamic_dc_mode();
    if (dynamic_dc) {
        void* frame = RunView.main_frame ? RunView.main_frame() : nullptr;
        ReportMessage("DtE", frame, text, message, arg1, arg2, arg3);
    } else if (!RunControl.error_shown) {
        const bool characteristic = RunView.is_characteristic_plot && RunView.is_characteristic_plot();
        const int state = RunView.limits_dialog_state ? RunView.limits_dialog_state() : 0;
        if (!characteristic && (state == 0 || state == 1)) {
            if (RunView.restore_stepping_backup) RunView.restore_stepping_backup();
            void* dialog = RunView.open_limits_dialog ? RunView.open_limits_dialog() : nullptr;
            ReportMessage("DtE", dialog, text, message, arg1, arg2, arg3);
            if (dialog && RunView.focus_field) RunView.focus_field(dialog, field_kind, index, column);
        }
    }
    if (!dynamic_dc && RunView.limits_dialog_state && RunView.limits_dialog_state() == 0 && RunView.clear_run_flag)
        RunView.clear_run_flag();
    RunControl.error_shown = 1;
}

void ReportRunError(int field_kind, int index, int column, const char* text, int message) {
    ReportRunError2(field_kind, index, column, text, message, nullptr, nullptr, nullptr);
}

void ReportOutOfMemoryDuringRun() { ReportRunError(3, 0, -1, nullptr, kMsgInsufficientMemory); }

TemperatureSweep RunTemperatureSweep;
void (*RestartSteppingCases)() = nullptr;

void NextTemperatureCase(TemperatureCases& cases) {
    if (cases.is_list) {
        if (cases.next < cases.values.size()) Run.temp = cases.values[cases.next++];
    } else {
        const double next = Run.temp + RunTemperatureSweep.step;
        Run.temp = RunTemperatureSweep.step >= 0 ? std::min(next, RunTemperatureSweep.end)
                                                 : std::max(next, RunTemperatureSweep.end);
    }
    if (RestartSteppingCases) RestartSteppingCases();
}

bool EqualShortLists(const CompiledExpression& a, const CompiledExpression& b) {
    if (a.tokens.size() != b.tokens.size()) return false;
    for (size_t i = 0; i < a.tokens.size(); ++i) {
        const ExpressionToken& x = a.tokens[i];
        const ExpressionToken& y = b.tokens[i];
        if (x.opcode != y.opcode || std::memcmp(&x.value, &y.value, sizeof x.value) != 0) return false;
    }
    return true;
}

int MaxCoreIndex(const CompiledExpression& e) {
    // A bus call ends with the bit count the compiler appends as a constant.
    constexpr int16_t kOpBusValue = 121;
    int widest = 0;
    for (size_t i = 1; i < e.tokens.size(); ++i) {
        const ExpressionToken& count = e.tokens[i - 1];
        if (e.tokens[i].opcode == kOpBusValue && count.opcode == kOpConstant)
            widest = std::max(widest, ClampToInt(count.value.number));
    }
    return widest;
}

}  // namespace ob7
