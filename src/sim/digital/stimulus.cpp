#include "sim/digital/stimulus.h"

#include <cctype>
#include <cmath>

#include "foundation/numbers.h"
#include "sim/digital/digital_messages.h"
#include "sim/digital/digital_network.h"

namespace ob7 {

std::vector<StimulusProgram> StimulusProgramTable;
uint32_t StimulusRandomSeed = 12345;

namespace {

constexpr int kMaxLabels = 50;
constexpr int kMaxRepeatDepth = 20;

int RandomBit() {
    StimulusRandomSeed = StimulusRandomSeed * 1103515245u + 12345u;
    return (StimulusRandomSeed >> 16) & 1;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Blank-separated tokens; a group in braces stays one token.
std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        if (i >= text.size()) break;
        std::string t;
        int depth = 0;
        while (i < text.size() && (depth > 0 || !std::isspace(static_cast<unsigned char>(text[i])))) {
            if (text[i] == '{') ++depth;
            if (text[i] == '}' && depth > 0) --depth;
            t += text[i++];
        }
        out.push_back(t);
    }
    return out;
}

const char* AllowedFor(char digit) {
    switch (digit) {
    case '1': return "?01ZXRF";
    case '3': return "?01234567ZXRF";
    default: return "?01234567890ABCDEFZX";
    }
}

bool StartsCount(const std::string& t) {
    return !t.empty() && (std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '{' || t[0] == '-');
}

struct Parser {
    const DigitalPartDesc& part;
    const std::string& file;
    int line;
    StimulusProgram& program;
    std::vector<std::string> tokens;
    size_t at = 0;
    double timestep = 0;
    bool has_timestep = false;

    int Fail(int code) { return DigitalSetupFail(code, part.name, file, line); }
    int Fail(int code, const std::string& arg) { return DigitalSetupFail(code, part.name, file, line, arg.c_str()); }
    bool More() const { return at < tokens.size(); }
    std::string Next() { return More() ? Upper(tokens[at++]) : std::string(); }

    int Time(const std::string& text, double* seconds) {
        std::string t = text;
        bool cycles = false;
        if (!t.empty() && t[0] != '{' && (t.back() == 'C' || t.back() == 'c')) {
            cycles = true;
            t.pop_back();
        }
        int code = 0;
        if (!t.empty() && t[0] == '{') {
            std::string inner = t.substr(1, t.size() >= 2 && t.back() == '}' ? t.size() - 2 : t.size() - 1);
            *seconds = EvalNumberOrExpression(inner.c_str(), &code);
            if (code) return Fail(13202);
        } else {
            int error = 0;
            *seconds = ParseNumber(t.c_str(), &error);
            if (error || t.empty()) return Fail(13202);
        }
        if (cycles) {
            if (timestep <= 0) return Fail(13207);
            *seconds *= timestep;
        }
        return 0;
    }

    // A value of one character per format group, expanded to one character per pin.
    int Value(const std::string& text, std::string* out) {
        if (text == "RND") {
            *out = std::string(program.width, '?');
            return 0;
        }
        const char c = text.empty() ? 0 : text[0];
        if (!(std::isxdigit(static_cast<unsigned char>(c)) || c == '?' || c == 'R' || c == 'X' || c == 'Z'))
            return Fail(11903, text);
        if (text.size() != program.format.size()) return Fail(13192, text);
        for (size_t i = 0; i < text.size(); ++i) {
            const char* allowed = AllowedFor(program.format[i]);
            bool ok = false;
            for (const char* a = allowed; *a; ++a) ok = ok || *a == text[i];
            if (!ok) return Fail(13192, text);
        }
        *out = ExpandRadixDigits(text, program.format, false);
        return 0;
    }

    int Count(const std::string& t, long long* n) {
        int code = 0;
        double v;
        if (t[0] == '{') {
            std::string inner = t.substr(1, t.size() >= 2 && t.back() == '}' ? t.size() - 2 : t.size() - 1);
            v = EvalNumberOrExpression(inner.c_str(), &code);
        } else {
            v = ParseNumber(t.c_str(), &code);
        }
        // Any negative count repeats without end, like FOREVER; huge ones are as good.
        *n = !(v >= 0) ? -1 : v > 1e15 ? static_cast<long long>(1e15) : static_cast<long long>(v);
        return code;
    }

    int Run() {
        struct Label { std::string name; int command; };
        std::vector<Label> labels;
        std::vector<int> repeats;
        while (More()) {
            const std::string t = Next();
            if (t == "LABEL" || t.rfind("LABEL=", 0) == 0) {
                std::string name = t.size() > 6 ? t.substr(6) : Next();
                if (name == "=") name = Next();
                if (!name.empty() && name[0] == '=') name.erase(0, 1);
                if (name.empty()) return Fail(13203);
                if (!repeats.empty()) return Fail(13206);
                if (labels.size() >= kMaxLabels) return Fail(13191);
                labels.push_back({name, static_cast<int>(program.commands.size())});
                continue;
            }
            if (t == "REPEAT") {
                if (repeats.size() >= kMaxRepeatDepth) return Fail(13195);
                if (!More()) return Fail(13196);
                StimulusCommand c;
                c.flags = kStimRepeat;
                const std::string n = Next();
                if (n == "FOREVER") {
                    c.count = -1;
                } else {
                    if (!StartsCount(n)) return Fail(13197);
                    if (Count(n, &c.count)) return Fail(13197);
                    if (Next() != "TIMES") return Fail(13196);
                }
                repeats.push_back(static_cast<int>(program.commands.size()));
                program.commands.push_back(c);
                continue;
            }
            if (t == "ENDREPEAT") {
                if (repeats.empty()) return Fail(13198);
                StimulusCommand c;
                c.flags = kStimEndRepeat;
                c.index = repeats.back();
                program.commands[repeats.back()].index = static_cast<int>(program.commands.size());
                repeats.pop_back();
                program.commands.push_back(c);
                continue;
            }
            StimulusCommand c;
            std::string time_text;
            if (t[0] == '+') {
                c.flags = kStimRelative;
                time_text = t.size() > 1 ? t.substr(1) : Next();
                if (time_text.empty()) return Fail(13202);
            } else if (std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '{' || t[0] == '.') {
                c.flags = kStimAbsolute;
                time_text = t;
            } else {
                return Fail(11903, tokens[at - 1]);
            }
            if (int e = Time(time_text, &c.time)) return e;
            if (!More()) return Fail(13185);
            const std::string v = Next();
            if (v == "GOTO") {
                const std::string label = Next();
                if (label.empty()) return Fail(13186);
                int target = -1;
                for (const Label& l : labels)
                    if (l.name == label) target = l.command;
                if (target < 0) return Fail(13183);
                if (target == static_cast<int>(program.commands.size())) return Fail(13182);
                c.flags |= kStimGoto;
                c.index = target;
                const std::string how = Next();
                if (how == "UNTIL") {
                    const std::string op = Next();
                    if (op == "GT") c.flags |= kStimUntilGt;
                    else if (op == "GE") c.flags |= kStimUntilGe;
                    else if (op == "LT") c.flags |= kStimUntilLt;
                    else if (op == "LE") c.flags |= kStimUntilLe;
                    else return Fail(13184);
                    if (!More()) return Fail(13186);
                    if (int e = Value(Next(), &c.value)) return e;
                } else {
                    if (!StartsCount(how)) return Fail(13186);
                    if (Count(how, &c.count)) return Fail(13186);
                    if (Next() != "TIMES") return Fail(13204);
                }
            } else if (v == "INCR" || v == "DECR") {
                c.flags |= v == "INCR" ? kStimIncr : kStimDecr;
                if (Next() != "BY") return Fail(13201);
                if (int e = Value(Next(), &c.value)) return e;
            } else {
                if (int e = Value(v, &c.value)) return e;
            }
            program.commands.push_back(c);
        }
        if (!repeats.empty()) return Fail(13199);
        return 0;
    }
};

unsigned long long Bits(const std::string& value) {
    unsigned long long n = 0;
    for (char c : value) n = n << 1 | (c == '1' || (c == '?' && RandomBit()) ? 1u : 0u);
    return n;
}

std::string BitsToValue(unsigned long long n, int width) {
    std::string s(width, '0');
    for (int i = width - 1; i >= 0; --i, n >>= 1) s[i] = (n & 1) ? '1' : '0';
    return s;
}

bool Numeric(const std::string& v) {
    for (char c : v)
        if (c != '0' && c != '1' && c != '?') return false;
    return !v.empty();
}

}  // namespace

int StimulusFormatWidth(const std::string& format) {
    int w = 0;
    for (char c : format) {
        if (c == '1' || c == '3' || c == '4') w += c - '0';
        else return -1;
    }
    return w;
}

std::string ExpandRadixDigits(const std::string& digits, const std::string& formats, bool one_format) {
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        const char f = one_format || formats.size() <= i ? (formats.empty() ? '1' : formats[0]) : formats[i];
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(digits[i])));
        int bits = 1;
        if (f == '3' || f == 'O') bits = 3;
        if (f == '4' || f == 'X') bits = 4;
        if (bits == 1) { out += c; continue; }
        int value = -1;
        if (c >= '0' && c <= '9') value = c - '0';
        else if (bits == 4 && c >= 'A' && c <= 'F') value = c - 'A' + 10;
        if (value < 0 || value >= (1 << bits)) {
            out.append(bits, c);
            continue;
        }
        for (int b = bits - 1; b >= 0; --b) out += (value >> b & 1) ? '1' : '0';
    }
    return out;
}

int ParseStimulus(const DigitalPartDesc& part, int primitive, const std::string& command, const std::string& format,
                  const std::string& file, int line) {
    StimulusProgram program;
    program.primitive = primitive;
    program.format = format;
    if (format.empty()) return DigitalSetupFail(13200, part.name, file, line);
    program.width = StimulusFormatWidth(format);
    if (program.width < 0) return DigitalSetupFail(13190, part.name, file, line);
    if (program.width > 32) return DigitalSetupFail(13193, part.name, file, line);
    if (program.width != static_cast<int>(part.pins.size())) return DigitalSetupFail(13181, part.name, file, line);
    program.is_switch = part.type == kCtDigitalSwitch;
    program.switch_closed = part.switch_closed;
    for (int j = 0; j < program.width; ++j) program.pin_map.push_back(j);
    Parser parser{part, file, line, program, Tokens(command)};
    auto ts = part.attributes.find("TIMESTEP");
    if (ts != part.attributes.end() && !ts->second.empty()) {
        int code = 0;
        parser.timestep = EvalNumberOrExpression(ts->second.c_str(), &code);
        if (code) return DigitalSetupFail(13207, part.name, file, line);
    }
    if (int e = parser.Run()) return e;
    StimulusProgramTable.push_back(std::move(program));
    return 0;
}

void FreeDigitalStimulusData() { StimulusProgramTable.clear(); }

namespace {

int Expand(StimulusProgram& program, double tmin, double tmax, bool operating_point) {
    DigitalNetwork& n = DigitalNet;
    DigitalRunState& r = DigitalRun;
    Primitive& p = n.prims[program.primitive];
    const int32_t* pins = PinsOf(program.primitive);
    const int pin_count = static_cast<int>(program.pin_map.size());
    std::vector<char> last(pin_count, '#');
    std::vector<double> pass_start(program.commands.size(), -1);
    // What a pass of each loop started with: events stored, value, random draws.
    std::vector<size_t> pass_events(program.commands.size(), 0);
    std::vector<std::string> pass_value(program.commands.size());
    std::vector<long long> pass_draws(program.commands.size(), 0);
    long long draws = 0;
    for (StimulusCommand& c : program.commands) c.counter = c.count;
    std::string current;
    double t = tmin, b = 0;
    long long previous_tick = -1;
    bool jumped = false;
    size_t pc = 0;
    // Each loop pass must advance time by at least a tick, or the program ends there: a
    // shorter pass only replaces the events it made at the same tick, without end.
    auto later = [&](double a, double b) {
        return static_cast<long long>((a - tmin) / r.tick_length + 1e-6) >
               static_cast<long long>((b - tmin) / r.tick_length + 1e-6);
    };
    auto advanced = [&](size_t at) {
        const bool moved = pass_start[at] < 0 || later(t, pass_start[at]);
        pass_start[at] = t;
        return moved;
    };
    // Expansion work is bounded like the events it makes: a loop of tiny steps that never
    // changes a pin would otherwise run for up to a billion passes.
    long long steps = 0;
    while (pc < program.commands.size()) {
        if (++steps > 10 * static_cast<long long>(kMaxStimulusEvents))
            return DigitalSetupFail(kMsgDigitalOutOfMemory, InfoOf(program.primitive).part, "", 0);
        StimulusCommand& c = program.commands[pc];
        if (c.flags & kStimRepeat) {
            const bool first_pass = c.count < 0 ? pass_start[pc] < 0 : c.counter == c.count;
            if (c.counter != 0) {
                if (c.counter > 0) --c.counter;
                if (!first_pass) b = t;
                pass_start[pc] = t;
                pass_events[pc] = r.queue.Stored();
                pass_value[pc] = current;
                pass_draws[pc] = draws;
                ++pc;
            } else {
                c.counter = c.count;
                b = 0;
                pass_start[pc] = -1;
                pc = static_cast<size_t>(c.index) + 1;
            }
            continue;
        }
        if (c.flags & kStimEndRepeat) {
            const size_t rep = static_cast<size_t>(c.index);
            if (pass_start[rep] >= 0 && !later(t, pass_start[rep])) return 0;  // the pass added no time
            // An endless loop whose pass made no event, drew nothing and kept the value
            // repeats that pass unchanged to the end of the run: nothing more to expand.
            if (program.commands[rep].count < 0 && pass_start[rep] >= 0 && r.queue.Stored() == pass_events[rep] &&
                current == pass_value[rep] && draws == pass_draws[rep])
                return 0;
            pc = rep;
            continue;
        }
        if (jumped) {
            b = t - c.reached;
            jumped = false;
        } else {
            t = (c.flags & kStimRelative) ? t + c.time : tmin + b + c.time;
            if (t > tmax) return 0;
            c.reached = t;
        }
        if (operating_point && t > tmin) return 0;
        if (c.flags & kStimGoto) {
            bool jump;
            if (c.flags & (kStimUntilGt | kStimUntilGe | kStimUntilLt | kStimUntilLe)) {
                const unsigned long long v = Bits(c.value), cur = Bits(current);
                jump = (c.flags & kStimUntilGt) ? v >= cur
                     : (c.flags & kStimUntilGe) ? cur < v
                     : (c.flags & kStimUntilLt) ? cur >= v
                                                : cur > v;
            } else {
                jump = c.counter != 0;
                if (jump && c.counter > 0) --c.counter;
                if (!jump) {
                    c.counter = c.count;
                    b = 0;
                }
            }
            if (jump) {
                if (!advanced(pc)) return 0;
                pc = static_cast<size_t>(c.index);
                jumped = true;
                continue;
            }
            pass_start[pc] = -1;
            ++pc;
            continue;
        }
        if (c.flags & (kStimIncr | kStimDecr)) {
            if (Numeric(current) && Numeric(c.value)) {
                const unsigned long long mask = program.width >= 64 ? ~0ull : (1ull << program.width) - 1;
                const unsigned long long a = Bits(current), d = Bits(c.value);
                current = BitsToValue(((c.flags & kStimIncr) ? a + d : a - d) & mask, program.width);
            }
        } else {
            current = c.value;
            for (char& ch : current)
                if (ch == '?') {
                    ch = RandomBit() ? '1' : '0';
                    ++draws;
                }
        }
        if (program.is_switch) current.assign(1, program.switch_closed ? '1' : '0');
        const double ticks = (t - tmin) / r.tick_length;
        if (!(ticks > -1)) return DigitalSetupFail(13194, InfoOf(program.primitive).part, "", 0);  // before the start
        const long long tick = ticks > 1e15 ? static_cast<long long>(1e15) : static_cast<long long>(ticks + 1e-6);
        for (int j = 0; j < pin_count; ++j) {
            const int bit = program.pin_map[j];
            const char ch = bit < static_cast<int>(current.size()) ? current[bit] : 'X';
            if (ch == last[j]) continue;
            if (tick > static_cast<long long>(r.end_tick)) break;
            if (tick < previous_tick || (tick == previous_tick && (c.flags & kStimAbsolute)))
                return DigitalSetupFail(13194, InfoOf(program.primitive).part, "", 0);
            const int level = DigitalLevelOfLetter(ch) < 0 ? kLvlX : DigitalLevelOfLetter(ch);
            const int strength = level == kLvlZ ? 0 : DigitalFinalLevel(level) == kLvl0 ? p.low : p.high;
            const DigitalState state = MakeState(level, strength);
            const int node = pins[j];
            uint32_t at = static_cast<uint32_t>(tick);
            const bool first = last[j] == '#';
            if (!first && tick > 0) {
                const int slot = OutputSlot(program.primitive, node);
                if (slot >= 0) at += DigitalFinalLevel(level) != kLvl0 ? n.Slot(slot).load_rise : n.Slot(slot).load_fall;
            }
            if (first || tick == 0) {
                n.pending[node] = state;
                if (operating_point) n.present[node] = state;
            }
            if (r.queue.Stored() >= kMaxStimulusEvents) return DigitalSetupFail(kMsgDigitalOutOfMemory, InfoOf(program.primitive).part, "", 0);
            r.queue.Add({r.queue.Snap(at), node, program.primitive, state, p.low, p.high});
            n.pending[node] = state;
            last[j] = ch;
        }
        previous_tick = tick;
        ++pc;
    }
    return 0;
}

}  // namespace

int ScheduleStimulusEventsFor(double tmin, double tmax, bool operating_point) {
    DigitalNetwork& n = DigitalNet;
    if (!operating_point) {
        const uint32_t at = DigitalTimeTick(tmin + 1e-9);
        for (size_t i = 1; i < n.prims.size(); ++i) {
            const Primitive& p = n.prims[i];
            if (p.type != kCtPullup && p.type != kCtPulldn) continue;
            const int node = n.Pin(p.pin_begin + p.pin_count - 1);
            const DigitalState s = p.type == kCtPullup ? MakeState(kLvl1, p.high) : MakeState(kLvl0, p.low);
            DigitalRun.queue.Add({at, node, static_cast<int>(i), s, p.low, p.high});
        }
    }
    for (StimulusProgram& program : StimulusProgramTable)
        if (int e = Expand(program, tmin, tmax, operating_point)) return e;
    return 0;
}

int ScheduleStimulusEvents() {
    return ScheduleStimulusEventsFor(DigitalRun.start_time, DigitalRun.start_time + DigitalRun.tick_length * 1e9,
                                     false);
}

}  // namespace ob7
