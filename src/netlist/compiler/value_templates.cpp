// The value-template matcher: a template and an input text are cut into tokens, then the
// template is walked while the input is consumed; "<...>" groups go back to their start
// after every matched item so that the items may come in any order.

#include "netlist/compiler/value_templates.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "foundation/message_codes.h"
#include "foundation/numbers.h"
#include "netlist/compiler/compile_error_source.h"
#include "netlist/define_table.h"
#include "netlist/netlist_read_internal.h"

namespace ob7 {

namespace {

bool IsIdentStart(char ch) { return std::isalpha(static_cast<unsigned char>(ch)) || ch == '_'; }
bool IsIdentChar(char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'; }
bool IsSeparator(char ch) { return ch && std::strchr(",=()[]<>", ch) != nullptr; }
bool IsBlank(char ch) { return std::isspace(static_cast<unsigned char>(ch)) != 0; }

struct TemplateToken {
    std::string text;
    bool flag = false;  // a keyword written directly before its conversion
};

// The template's tokens up to ";" or the end.
std::vector<TemplateToken> TemplateTokens(const char* t) {
    std::vector<TemplateToken> tokens;
    for (size_t i = 0; t[i] && t[i] != ';';) {
        if (IsBlank(t[i])) {
            ++i;
        } else if (IsIdentStart(t[i])) {
            size_t j = i;
            while (IsIdentChar(t[j])) ++j;
            tokens.push_back({std::string(t + i, j - i), t[j] == '%'});
            i = j;
        } else if (t[i] == '%' && t[i + 1]) {
            tokens.push_back({std::string(t + i, 2), false});
            i += 2;
        } else {
            tokens.push_back({std::string(1, t[i]), false});
            ++i;
        }
    }
    return tokens;
}

// A number with its sign, exponent and suffix letters, or a balanced (...) or {...}
// group; 0 when the text at i is neither.
size_t ValueTokenLength(const std::string& s, size_t i) {
    const size_t n = s.size();
    size_t j = i;
    if (s[j] == '(' || s[j] == '{') {
        const char open = s[j], close = open == '(' ? ')' : '}';
        int depth = 0;
        for (; j < n; ++j) {
            if (s[j] == open) ++depth;
            else if (s[j] == close && --depth == 0) return j + 1 - i;
        }
        return n - i;
    }
    if (s[j] == '+' || s[j] == '-') ++j;
    if (j < n && (s[j] == '(' || s[j] == '{')) return j - i + ValueTokenLength(s, j);
    const size_t digits = j;
    while (j < n && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
    if (j == digits) return 0;
    if (j < n && (s[j] == 'e' || s[j] == 'E')) {
        size_t k = j + 1;
        if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < n && std::isdigit(static_cast<unsigned char>(s[k]))) {
            j = k;
            while (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
        }
    }
    while (j < n && std::isalpha(static_cast<unsigned char>(s[j]))) ++j;
    return j - i;
}

// The input's tokens up to ";" or the end.
std::vector<std::string> InputTokens(const std::string& s) {
    std::vector<std::string> tokens;
    const size_t n = s.size();
    for (size_t i = 0; i < n && s[i] != ';';) {
        size_t len = 0;
        if (IsBlank(s[i])) {
            ++i;
            continue;
        }
        if (IsIdentStart(s[i])) {
            while (i + len < n && IsIdentChar(s[i + len])) ++len;
        } else if (s[i] != '(' && IsSeparator(s[i])) {
            len = 1;
        } else if (!(len = ValueTokenLength(s, i))) {
            while (i + len < n && !IsBlank(s[i + len]) && !IsSeparator(s[i + len]) && s[i + len] != ';') ++len;
            if (!len) len = 1;
        }
        tokens.push_back(s.substr(i, len));
        i += len;
    }
    return tokens;
}

bool IsConversion(const std::string& t) { return t.size() == 2 && t[0] == '%'; }

bool SameWord(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

class TemplateMatch {
public:
    TemplateMatch(NetlistCircuit& c, int part, const char* tmpl, const std::string& input,
                  std::initializer_list<void*> outputs)
        : c_(c), part_(part), t_(TemplateTokens(tmpl)), in_(InputTokens(input)), out_(outputs) {}

    int Run();

private:
    int Fail(int code, const char* a = nullptr, const char* b = nullptr) {
        ReportPartError(c_, part_, code, a, b);
        MarkPartErrorSource(c_, part_);
        return status_ = kMsgReported;
    }
    // Back to the "<" of the group: its outputs and items are walked again.
    void RestartGroup() {
        outIndex_ = savedOut_;
        tpos_ = savedTpos_;
        depth_ = 0;
        matched_ = false;
    }
    // Passes over the rest of the bracket at the present depth, an output for every
    // conversion met, up to and including the "]" that closes it.
    void SkipGroup() {
        int depth = 0;
        while (++tpos_ < t_.size()) {
            const std::string& t = t_[tpos_].text;
            if (IsConversion(t) && t != "%*") ++outIndex_;
            else if (t == "[") ++depth;
            else if (t == "]" && --depth < 0) break;
        }
        --depth_;
    }
    void Absent() {
        ++outIndex_;
        if (matched_ && depth_ != 0)
            while (depth_ > 0) SkipGroup();
    }
    int Convert(char letter);
    int Store(char letter, double value);
    void* Output() { return outIndex_ < out_.size() ? out_.begin()[outIndex_] : nullptr; }

    NetlistCircuit& c_;
    int part_;
    std::vector<TemplateToken> t_;
    std::vector<std::string> in_;
    std::initializer_list<void*> out_;
    size_t tpos_ = 0, ipos_ = 0, outIndex_ = 0;
    size_t savedOut_ = 0, savedTpos_ = 0;
    int depth_ = 0, restarts_ = 0, status_ = 0;
    bool matched_ = false, insideGroup_ = false, keywordMatched_ = false, valueExpected_ = false;
};

int TemplateMatch::Store(char letter, double value) {
    void* out = Output();
    ++outIndex_;
    if (!out) return 0;
    switch (letter) {
    case 'g':
    case 'f': *static_cast<double*>(out) = value; break;
    case 't': *static_cast<GivenValue*>(out) = {value, 1}; break;
    case 'd': *static_cast<int*>(out) = static_cast<int>(value); break;
    default: break;
    }
    return 0;
}

int TemplateMatch::Convert(char letter) {
    const std::string& token = in_[ipos_];
    if (!valueExpected_ && IsIdentStart(token[0])) {
        Absent();
        return 0;
    }
    std::string text;
    if (SubstituteDefines(c_.tables, text, c_.parts[part_].scope, token, false)) {
        MarkPartErrorSource(c_, part_);
        return status_ = kMsgReported;
    }
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
    while (!text.empty() && IsBlank(text.front())) text.erase(text.begin());
    if (SameWord(text, "OFF")) {
        Absent();
        return 0;
    }
    int bad = 0;
    double value = ParseNumber(text.c_str(), &bad);
    if (bad) {
        for (char& ch : text)
            if (ch == '{') ch = '(';
            else if (ch == '}') ch = ')';
        int code = 0;
        value = EvalNumberOrExpression(text.c_str(), &code);
        if (code == kMsgPending) return Fail(kMsgPending);
        if (code) {
            MarkPartErrorSource(c_, part_);
            return status_ = kMsgReported;
        }
    }
    Store(letter, value);
    ++ipos_;
    restarts_ = 0;
    matched_ = true;
    valueExpected_ = false;
    return 0;
}

int TemplateMatch::Run() {
    char previous = 0;
    while (ipos_ < in_.size() && tpos_ < t_.size() && restarts_ <= 2) {
        const TemplateToken& tok = t_[tpos_];
        const std::string& t = tok.text;
        const std::string& input = in_[ipos_];
        if (t == "<") {
            insideGroup_ = true;
            savedOut_ = outIndex_;
            savedTpos_ = tpos_;
        } else if (t == ">") {
            insideGroup_ = false;
        } else if (t == "[") {
            ++depth_;
            matched_ = false;
        } else if (t == "]") {
            --depth_;
            if (matched_ && insideGroup_ && depth_ == 0) {
                RestartGroup();
                ++restarts_;
            }
        } else if (t == "%*") {
            ++ipos_;
            restarts_ = 0;
        } else if (IsConversion(t)) {
            if (Convert(t[1])) return status_;
        } else if (t == "," || t == "=") {
            if (keywordMatched_) {
                if (input == t) {
                    valueExpected_ = true;
                    ++ipos_;
                    restarts_ = 0;
                } else if (previous == '[') {
                    keywordMatched_ = false;
                    if (insideGroup_) {
                        RestartGroup();
                        ++restarts_;
                    }
                } else {
                    return Fail(11902, t.c_str(), input.c_str());
                }
            }
        } else if (!SameWord(t, input)) {
            if (previous != '[') return Fail(11902, t.c_str(), input.c_str());
            keywordMatched_ = false;
            SkipGroup();
        } else {
            if (tok.flag && tpos_ + 1 < t_.size()) {
                ++tpos_;
                Store('d', 1);
                if (insideGroup_) RestartGroup();
            }
            keywordMatched_ = true;
            ++ipos_;
            restarts_ = 0;
        }
        if (tpos_ < t_.size()) previous = t_[tpos_].text[0];
        ++tpos_;
    }
    if (ipos_ < in_.size()) {
        // Said, but the values read stand.
        ReportPartError(c_, part_, 11904, in_[ipos_].c_str());
    }
    // What the input did not reach: the rest of a "<" group, optional items and the
    // rest of open brackets may go unmatched; anything else was required.
    for (; tpos_ < t_.size(); ++tpos_) {
        const std::string& t = t_[tpos_].text;
        if (t == "<") insideGroup_ = true;
        if (insideGroup_) {
            if (t == ">") insideGroup_ = false;
            continue;
        }
        if (t == "[") {
            ++depth_;
        } else if (t == "]") {
            if (depth_ > 0) --depth_;
        } else if (depth_ <= 0) {
            return Fail(11900, t.c_str());
        }
    }
    return status_;
}

}  // namespace

int ParseValueTemplate(NetlistCircuit& circuit, int part, const char* templateText, const std::string& input,
                       std::initializer_list<void*> outputs) {
    size_t start = input.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || input[start] == ';') return 0;
    TemplateMatch match(circuit, part, templateText, input, outputs);
    return match.Run();
}

}  // namespace ob7
