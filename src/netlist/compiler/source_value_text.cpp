// The value text of a SPICE-style independent source: a DC value, an AC magnitude and
// phase, and at most one time function (PULSE, SIN, EXP, SFFM with their numbers, or a
// PWL body of points, repeat blocks and scale factors).

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/numbers.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "sim/devices/independent_sources.h"

namespace ob7 {

namespace {

struct SourceFunction {
    const char* name;
    int kind;
    int count;  // parameters at most; -1 the PWL body
};
constexpr SourceFunction kSourceFunctions[] = {
    {"PULSE", kSourcePulse, 7}, {"SIN", kSourceSin, 6}, {"EXP", kSourceExp, 6},
    {"PWL", kSourcePwl, -1},    {"SFFM", kSourceSffm, 5}};

std::string Upper(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

// Tokens separated by blanks, commas, parentheses and "="; a braced group is one token.
std::vector<std::string> SourceTokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::string t;
    int depth = 0;
    for (char ch : text) {
        if (ch == '{') ++depth;
        const bool separator = depth == 0 && (std::isspace(static_cast<unsigned char>(ch)) || ch == ',' ||
                                              ch == '(' || ch == ')' || ch == '=');
        if (ch == '}' && depth > 0) --depth;
        if (separator) {
            if (!t.empty()) tokens.push_back(t), t.clear();
        } else {
            t += ch;
        }
    }
    if (!t.empty()) tokens.push_back(t);
    return tokens;
}

class SourceTextParser {
public:
    SourceTextParser(CompileContext& cc, int part, SpiceSource* s) : cc_(cc), part_(part), s_(s) {}

    int Parse(const std::string& text) {
        tokens_ = SourceTokens(text);
        while (i_ < tokens_.size() && !result_) Step();
        s_->value = s_->dc_value;
        return result_;
    }

private:
    bool More() const { return i_ < tokens_.size(); }
    std::string Peek() const { return More() ? Upper(tokens_[i_]) : std::string(); }
    template <class... Args>
    void Report(int code, Args... args) {
        ReportCompileError(cc_, part_, code, args...);
        result_ = kMsgReported;
    }

    // A token that stands for a value: a braced formula or a number or formula that
    // evaluates without error.
    bool IsNumeric(const std::string& token) const {
        if (token.empty()) return false;
        if (token[0] == '{') return true;
        int bad = 0;
        ParseNumber(token.c_str(), &bad);
        if (!bad) return true;
        int code = 0;
        EvalNumberOrExpression(token.c_str(), &code);
        if (code) ClearPendingMessage();
        return code == 0;
    }
    bool Value(const std::string& token, double* out) {
        if (int code = EvalPartValue(cc_, part_, token, out)) result_ = code;
        return result_ == 0;
    }

    void Step() {
        const std::string raw = tokens_[i_++];
        const std::string w = Upper(raw);
        if (w == "DC") {
            if (!More()) return Report(11901, "<value>", "DC");
            return DcValue(tokens_[i_++]);
        }
        if (w == "AC") {
            if (!More()) return Report(11901, "<value>", "AC");
            if (!Value(tokens_[i_++], &s_->ac_magnitude)) return;
            if (More() && IsNumeric(tokens_[i_])) Value(tokens_[i_++], &s_->ac_phase);
            return;
        }
        if (w == "STIMULUS") {
            Report(10623);
            ++i_;
            return;
        }
        const SourceFunction* f = nullptr;
        for (const auto& candidate : kSourceFunctions)
            if (w == candidate.name) f = &candidate;
        if (!f) {
            if (IsNumeric(raw)) return DcValue(raw);
            return Report(11903, raw.c_str());
        }
        if (functionGiven_) return Report(11903, raw.c_str());
        functionGiven_ = true;
        s_->spec_kind = f->kind;
        if (f->count < 0) return ParsePwl();
        int n = 0;
        while (n < f->count && More() && IsNumeric(tokens_[i_]))
            if (!Value(tokens_[i_++], &s_->p[n++])) return;
        if (n < 2) return Report(10622, f->name);
        s_->last_given_parameter = n - 1;
    }

    void DcValue(const std::string& token) {
        if (dcGiven_) return Report(10839);
        dcGiven_ = true;
        Value(token, &s_->dc_value);
    }

    void ParsePwl() {
        PwlSpec& pwl = s_->pwl;
        int depth = 0;
        bool afterRepeat = false;
        while (More() && !result_) {
            const std::string w = Peek();
            const std::string raw = tokens_[i_++];
            const bool repeatJustOpened = afterRepeat;
            afterRepeat = false;
            if (w == "TIME_SCALE_FACTOR" || w == "VALUE_SCALE_FACTOR") {
                const bool time = w[0] == 'T';
                if (!More() || !IsNumeric(tokens_[i_])) return Report(time ? 10629 : 10630);
                double v = 0;
                if (!Value(tokens_[i_++], &v)) return;
                if (time && v == 0) return Report(10633);
                (time ? pwl.time_scale : pwl.value_scale) = v;
            } else if (w == "REPEAT") {
                PwlEntry e;
                e.type = kPwlRepeat;
                const std::string how = Peek();
                if (how == "FOREVER") {
                    ++i_;
                    e.count = -1;
                } else if (how == "FOR") {
                    ++i_;
                    double n = 0;
                    if (!More() || !IsNumeric(tokens_[i_])) return Report(10624);
                    if (!Value(tokens_[i_++], &n)) return;
                    e.count = n < 0 ? 0 : n > 2e9 ? 2000000000 : static_cast<int>(n);
                } else {
                    return Report(10625);
                }
                pwl.entries.push_back(e);
                ++depth;
                afterRepeat = true;
            } else if (w == "ENDREPEAT") {
                if (--depth < 0) return Report(10626);
                if (repeatJustOpened) return Report(10632);
                PwlEntry e;
                e.type = kPwlEndRepeat;
                pwl.entries.push_back(e);
            } else if (w == "FILE") {
                Report(10628);
                ++i_;
            } else if (IsNumeric(raw)) {
                PwlEntry e;
                if (!Value(raw, &e.time)) return;
                if (!More() || !IsNumeric(tokens_[i_])) return Report(10621);
                double v = 0;
                if (!Value(tokens_[i_++], &v)) return;
                char text[32];
                std::snprintf(text, sizeof text, "%.17g", v);
                e.value_text = text;
                pwl.entries.push_back(e);
            } else {
                return Report(10635, raw.c_str());
            }
        }
        if (!result_ && depth > 0) Report(10627);
    }

    CompileContext& cc_;
    int part_;
    SpiceSource* s_;
    std::vector<std::string> tokens_;
    size_t i_ = 0;
    int result_ = 0;
    bool dcGiven_ = false, functionGiven_ = false;
};

}  // namespace

int ParseSourceValueText(CompileContext& cc, int part, SpiceSource* source, const std::string& text) {
    std::string substituted;
    if (SubstituteDefines(cc.c.tables, substituted, cc.Part(part).scope, text, false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    return SourceTextParser(cc, part, source).Parse(substituted);
}

}  // namespace ob7
