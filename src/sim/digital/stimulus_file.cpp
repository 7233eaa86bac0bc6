#include "sim/digital/stimulus_file.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "foundation/numbers.h"
#include "sim/digital/digital_messages.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/stimulus.h"

namespace ob7 {

namespace {

constexpr int kMaxSignals = 256;
constexpr size_t kMaxLine = 500;

// Skips blanks and commas; a token is one of ( ) = or a run up to a separator.
size_t NextStimToken(const std::string& text, size_t at, std::string* token) {
    auto sep = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    while (at < text.size() && sep(text[at])) ++at;
    token->clear();
    if (at >= text.size()) return at;
    if (text[at] == '(' || text[at] == ')' || text[at] == '=') {
        *token = text[at++];
    } else {
        while (at < text.size() && !sep(text[at]) && text[at] != '(' && text[at] != ')' && text[at] != '=')
            *token += text[at++];
    }
    while (at < text.size() && sep(text[at])) ++at;
    return at;
}

bool LegalName(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '.' || c == '/' ||
              c == '-' || c == '+' || c == '[' || c == ']' || c == '#'))
            return false;
    return true;
}

}  // namespace

int ReadStimText(const DigitalPartDesc& part, int primitive, const std::string& text, const std::string& file,
                 const std::string& signal_names) {
    int line_no = 0;
    auto fail = [&](int code, auto... args) { return DigitalSetupFail(code, part.name, file, line_no, args...); };
    std::vector<std::string> names;
    std::string format;
    double timescale = 1;
    bool header = true;
    StimulusProgram program;
    program.primitive = primitive;
    double last_time = -1;  // absolute time of the previous data line
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        ++line_no;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (raw.size() > kMaxLine) raw.resize(kMaxLine);
        std::string line;
        for (char c : raw) line += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        line = line.substr(0, line.find(';'));
        line = line.substr(0, line.find('*'));
        bool blank = true;
        for (char c : line) blank = blank && std::isspace(static_cast<unsigned char>(c));
        if (header) {
            if (blank) {
                if (raw.find_first_not_of(" \t") != std::string::npos) continue;  // a comment line
                header = false;
                program.format = format;
                program.width = static_cast<int>(names.size());
                const std::vector<std::string> given = [&] {
                    std::vector<std::string> v;
                    std::string t;
                    std::string s = signal_names;
                    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                    for (size_t at = NextStimToken(s, 0, &t); !t.empty(); at = NextStimToken(s, at, &t)) v.push_back(t);
                    return v;
                }();
                for (size_t j = 0; j < part.pins.size(); ++j) {
                    std::string name = j < given.size() ? given[j] : std::string();
                    if (name.empty() && static_cast<size_t>(part.pins[j]) < DigitalNet.node_names.size())
                        name = DigitalNet.node_names[part.pins[j]];
                    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                    int found = -1;
                    for (size_t k = 0; k < names.size() && found < 0; ++k)
                        if (names[k] == name) found = static_cast<int>(k);
                    if (found < 0) return fail(13255, name.c_str(), file.c_str());
                    program.pin_map.push_back(found);
                }
                continue;
            }
            std::string tok;
            size_t at = NextStimToken(line, 0, &tok);
            if (tok == "TIMESCALE") {
                at = NextStimToken(line, at, &tok);
                if (tok != "=") return fail(13257);
                at = NextStimToken(line, at, &tok);
                int error = 0;
                timescale = ParseNumber(tok.c_str(), &error);
                if (error || tok.empty()) {
                    int code = 0;
                    timescale = EvalNumberOrExpression(tok.c_str(), &code);
                    if (code || tok.empty()) return fail(13257);
                }
                NextStimToken(line, at, &tok);
                if (!tok.empty()) return fail(13253);
                continue;
            }
            while (!tok.empty()) {
                if (tok == "HEX" || tok == "OCT") {
                    const bool hex = tok == "HEX";
                    const std::string group = tok;
                    at = NextStimToken(line, at, &tok);
                    if (tok != "(") return fail(11901, "(", group.c_str());
                    for (int k = 0; k < (hex ? 4 : 3); ++k) {
                        at = NextStimToken(line, at, &tok);
                        if (tok.empty() || tok == ")") return fail(13252, group.c_str());
                        if (names.size() >= kMaxSignals) return fail(13256, kMaxSignals);
                        names.push_back(tok);
                    }
                    at = NextStimToken(line, at, &tok);
                    if (tok != ")") return fail(11901, ")", group.c_str());
                    format += hex ? '4' : '3';
                } else {
                    if (!LegalName(tok)) return fail(11901, "name", tok.c_str());
                    if (names.size() >= kMaxSignals) return fail(13256, kMaxSignals);
                    names.push_back(tok);
                    format += '1';
                }
                at = NextStimToken(line, at, &tok);
            }
            continue;
        }
        if (blank) continue;
        std::string tok;
        size_t at = NextStimToken(line, 0, &tok);
        StimulusCommand c;
        c.flags = kStimAbsolute;
        if (!tok.empty() && tok[0] == '+') {
            c.flags = kStimRelative;
            tok.erase(0, 1);
        }
        int error = 0;
        c.time = ParseNumber(tok.c_str(), &error) * timescale;
        if (error || tok.empty()) return fail(11903, tok.c_str());
        const double absolute = (c.flags & kStimRelative) ? (last_time < 0 ? 0 : last_time) + c.time : c.time;
        if (absolute < last_time || (absolute == last_time && (c.flags & kStimAbsolute))) return fail(13194);
        last_time = absolute;
        std::string values;
        for (size_t k = at; k < line.size(); ++k)
            if (line[k] != ' ' && line[k] != '\t' && line[k] != ',') values += line[k];
        if (values.size() != format.size()) return fail(13254, values.c_str());
        for (size_t k = 0; k < values.size(); ++k) {
            const char* allowed = format[k] == '1' ? "?01ZXRF" : format[k] == '3' ? "?01234567ZXRF"
                                                                                 : "?01234567890ABCDEFZX";
            bool ok = false;
            for (const char* a = allowed; *a; ++a) ok = ok || *a == values[k];
            if (!ok) return fail(13192, values.c_str());
        }
        c.value = ExpandRadixDigits(values, format, false);
        program.commands.push_back(c);
    }
    if (header || program.commands.empty()) {
        line_no = 0;
        return fail(13258);
    }
    StimulusProgramTable.push_back(std::move(program));
    return 0;
}

int ReadStimFile(const DigitalPartDesc& part, int primitive, const std::string& file_name,
                 const std::string& signal_names) {
    std::ifstream in(file_name, std::ios::binary);
    if (!in) return DigitalSetupFail(11902, part.name, file_name, 0, "file", file_name.c_str());
    std::stringstream ss;
    ss << in.rdbuf();
    return ReadStimText(part, primitive, ss.str(), file_name, signal_names);
}

}  // namespace ob7
