#include "sim/digital/constraint.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "expression/compiler.h"
#include "expression/expression.h"
#include "foundation/numbers.h"
#include "sim/digital/device_memory.h"
#include "sim/digital/digital_messages.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/timing_checks.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

std::vector<ConstraintRecord> ConstraintRecords;

namespace {

bool WordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '/' || c == '+' || c == '-' ||
           c == '*' || c == '%' || c == '.' || c == ':';
}

bool LegalName(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '/' || c == '.'))
            return false;
    return true;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Words, single characters, "{...}" groups (without the braces, marked by a leading '{')
// and quoted texts (marked by a leading '"').
std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == ',') { ++i; continue; }
        if (c == '{') {
            const size_t close = text.find('}', i);
            out.push_back(text.substr(i, close == std::string::npos ? std::string::npos : close - i));
            i = close == std::string::npos ? text.size() : close + 1;
            if (close == std::string::npos) out.back() += '\x01';  // unterminated
            continue;
        }
        if (c == '"') {
            const size_t close = text.find('"', i + 1);
            out.push_back(text.substr(i, close == std::string::npos ? std::string::npos : close - i));
            i = close == std::string::npos ? text.size() : close + 1;
            if (close == std::string::npos) out.back() += '\x01';
            continue;
        }
        if (!WordChar(c)) {
            out.push_back(std::string(1, c));
            ++i;
            continue;
        }
        std::string w;
        while (i < text.size() && WordChar(text[i])) w += text[i++];
        out.push_back(w);
    }
    return out;
}

struct Parser {
    const DigitalPartDesc& part;
    ConstraintRecord& record;
    std::vector<std::string> tokens;
    size_t at = 0;
    int inputs = 0;

    int Fail(int code, const char* a = nullptr, const char* b = nullptr) {
        return DigitalSetupFail(code, part.name, "", 0, a ? a : "", b ? b : "");
    }
    std::string Next() { return at < tokens.size() ? tokens[at++] : std::string(); }
    int Expect(const char* what) {
        const std::string t = Next();
        if (t == what) return 0;
        return Fail(11902, what, t.empty() ? "Nothing" : t.c_str());
    }
    int Pin(int illegal, int* pin) {
        const std::string name = Upper(Next());
        if (!LegalName(name)) return Fail(illegal);
        for (int i = 0; i < inputs; ++i)
            if (record.names[i] == name) {
                *pin = i;
                return 0;
            }
        return Fail(13231, name.c_str());
    }
    int Value(double* v) {
        if (int e = Expect("=")) return e;
        const std::string t = Next();
        int error = 0;
        *v = ParseNumber(t.c_str(), &error);
        if (t.empty() || error) return Fail(11902, "value", t.empty() ? "Nothing" : t.c_str());
        return 0;
    }
    // A level formula; with `edges` also a test of the pins' edges (CHANGED and its kin),
    // which the compiler takes only in its constraint options.
    int Program(DigitalProgram* program, bool* edges = nullptr) {
        if (int e = Expect("=")) return e;
        const std::string t = Next();
        if (t.empty() || t[0] != '{' || t.back() == '\x01') return Fail(11902, "{", t.empty() ? "Nothing" : t.c_str());
        const std::string source = t.substr(1);  // the compiler keeps a view of it
        int code = Compile(source, kModeLogicExpression, program);
        if (code && edges && Compile(source, kModeConstraint, program) == 0) {
            *edges = true;
            code = 0;
        }
        if (code) return Fail(11902, "expression", source.c_str());
        return 0;
    }
    int Compile(const std::string& source, int mode, DigitalProgram* program) {
        LocalNameSet locals;
        locals.names = record.names;
        locals.kinds.assign(record.names.size(), 1);
        CompiledExpression compiled;
        InitCompiledExpression(&compiled);
        ExpressionCompiler compiler;
        InitExpressionCompiler(&compiler, source, &compiled, 1, mode);
        compiler.pending_mode = 1;
        SetCompilerLocals(&compiler, &locals);
        int code = CompileExpression(&compiler);
        if (code == 0) code = BuildDigitalDelayProgram(*program, compiled, mode);
        FreeExpression(&compiled);
        return code;
    }

    int Run() {
        ConstraintCheck* check = nullptr;
        while (at < tokens.size()) {
            const std::string t = Next();
            int kind = 0;
            if (t == "BOOLEAN:") kind = kCheckBoolean;
            else if (t == "SETUP_HOLD:") kind = kCheckSetupHold;
            else if (t == "WIDTH:") kind = kCheckWidth;
            else if (t == "FREQ:") kind = kCheckFreq;
            else if (t == "GENERAL:") kind = kCheckGeneral;
            if (kind) {
                record.checks.emplace_back();
                check = &record.checks.back();
                check->kind = kind;
                check->error_limit = Options.digerrdefault;
                continue;
            }
            if (!check) return Fail(13230);
            if (t == "WHEN") {
                if (int e = Program(&check->when, &check->when_edges)) return e;
            } else if (t == "MESSAGE") {
                if (int e = Expect("=")) return e;
                const std::string m = Next();
                if (m.empty() || m[0] != '"' || m.back() == '\x01') return Fail(11902, "\"", m.empty() ? "Nothing" : m.c_str());
                check->message = m.substr(1);
            } else if (t == "ERRORLIMIT") {
                double v;
                if (int e = Value(&v)) return e;
                check->error_limit = static_cast<int>(v);
            } else if (check->kind == kCheckBoolean) {
                const std::string name = Upper(t);
                if (!LegalName(name)) return Fail(13248);
                int target = -1;
                for (size_t i = 0; i < record.names.size(); ++i)
                    if (record.names[i] == name) target = static_cast<int>(i);
                if (target >= 0 && target < inputs) return Fail(13222, name.c_str());
                if (int e = Program(&check->value)) return e;
                if (target < 0) {
                    target = static_cast<int>(record.names.size());
                    record.names.push_back(name);
                }
                check->target = target;
            } else if (check->kind == kCheckSetupHold && t == "CLOCK") {
                const std::string edge = Next();
                if (edge != "LH" && edge != "HL") return Fail(11902, "LH or HL", edge.empty() ? "Nothing" : edge.c_str());
                check->clock_edge = edge == "LH" ? 1 : 0;
                if (int e = Expect("=")) return e;
                if (int e = Pin(13246, &check->clock_pin)) return e;
            } else if (check->kind == kCheckSetupHold && t == "DATA") {
                if (int e = Expect("(")) return e;
                const std::string n = Next();
                int error = 0;
                const double count = ParseNumber(n.c_str(), &error);
                if (n.empty() || error || count < 1 || count != std::floor(count) || count > 256)
                    return Fail(13232, n.c_str());
                if (int e = Expect(")")) return e;
                if (int e = Expect("=")) return e;
                check->data_pins.clear();
                for (int k = 0; k < static_cast<int>(count); ++k) {
                    if (at >= tokens.size()) return Fail(11902, "values", "Nothing");
                    int pin = -1;
                    if (int e = Pin(13247, &pin)) return e;
                    check->data_pins.push_back(pin);
                }
            } else if (check->kind == kCheckSetupHold && (t.rfind("SETUPTIME", 0) == 0 || t.rfind("HOLDTIME", 0) == 0 ||
                                                           t.rfind("RELEASETIME", 0) == 0)) {
                static const char* kNames[kSetupHoldTimes] = {"SETUPTIME", "SETUPTIME_HI", "SETUPTIME_LO",
                                                              "HOLDTIME", "HOLDTIME_HI", "HOLDTIME_LO",
                                                              "RELEASETIME", "RELEASETIME_LH", "RELEASETIME_HL"};
                int which = -1;
                for (int k = 0; k < kSetupHoldTimes; ++k)
                    if (t == kNames[k]) which = k;
                if (which < 0) return Fail(13227, t.c_str());
                if (int e = Value(&check->times[which])) return e;
            } else if ((check->kind == kCheckWidth || check->kind == kCheckFreq) && t == "NODE") {
                if (int e = Expect("=")) return e;
                if (int e = Pin(13246, &check->node_pin)) return e;
            } else if (check->kind == kCheckWidth && (t == "MIN_HI" || t == "MIN_LO")) {
                if (int e = Value(t == "MIN_HI" ? &check->min_hi : &check->min_lo)) return e;
            } else if (check->kind == kCheckFreq && (t == "MINFREQ" || t == "MAXFREQ")) {
                if (int e = Value(t == "MINFREQ" ? &check->minfreq : &check->maxfreq)) return e;
            } else {
                return Fail(13227, t.c_str());
            }
        }
        return 0;
    }
};

void Write(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    DigitalWarningText += buffer;
}

double Seconds(uint32_t ticks) { return ticks * DigitalRun.tick_length; }

uint32_t Ticks(double seconds) {
    const double t = seconds / DigitalRun.tick_length;
    return t <= 0 ? 0u : t >= 4294967295.0 ? 0xffffffffu : static_cast<uint32_t>(t + 1e-6);
}

bool When(const ConstraintRecord& r, const ConstraintCheck& c) {
    if (c.when.count == 0) return true;
    if (!c.when_edges) return EvalLogicProgram(r.levels.data(), c.when.entries.get(), c.when.count) == kLvl1;
    PinDelayContext context;
    context.count = c.when.count;
    context.entries = c.when.entries.get();
    context.pin_levels = r.levels.data();
    context.histories = r.memory.pins.edges.data();
    uint8_t result = 0;
    return EvalPinDelayState(context, &result) == 0 && result != 0;
}

void Report(const ConstraintCheck& c, CheckMemory& m) {
    ++m.violations;
    ++DigitalWarningCount;
    if (!c.message.empty()) Write("%s\n", c.message.c_str());
    Write("\n");
}

// The lines of one violation: what and when, the device, the limit, what was measured.
void Violation(const std::string& part, const char* first, uint32_t now, const char* limit_line, double limit, int node,
               const char* what, uint32_t measured) {
    Write(first, Seconds(now));
    if (!part.empty()) Write("Device %s\n", part.c_str());
    Write(limit_line, limit);
    const std::string& name = static_cast<size_t>(node) < DigitalNet.node_names.size() ? DigitalNet.node_names[node] : "";
    Write("Node %s, measured %s was %g\n", name.c_str(), what, Seconds(measured));
}

void SetupHold(ConstraintRecord& r, const ConstraintCheck& c, CheckMemory& m, const std::string& part, const int32_t* pins, int changed, uint32_t now) {
    if (c.clock_pin < 0) return;
    const int clock = pins[c.clock_pin];
    const int clock_final = DigitalFinalLevel(LevelOf(DigitalNet.present[clock]));
    const bool armed = When(r, c) && clock_final == (c.clock_edge ? kLvl1 : kLvl0);
    if (armed && changed == clock && clock_final != m.clock_level) {
        for (size_t k = 0; k < c.data_pins.size(); ++k) {
            const CheckMemory::Data& d = m.data[k];
            const int pin = c.data_pins[k];
            if (d.tick == 0 || LevelOf(DigitalNet.previous[pins[pin]]) == kLvlX) continue;
            const uint32_t setup = (d.tick == now && c.time_ticks[kHoldTime] == 0) ? now - d.tick_before : now - d.tick;
            const int prev = DigitalFinalLevel(d.level);
            struct { int slot; bool applies; const char* first; const char* second; } tests[] = {
                {kSetupTime, true, "Setup time violation at t=%g\n", "Minimum setup time is %g\n"},
                {kSetupTimeLo, prev == kLvl0, "Setup time low violation at t=%g\n", "Minimum setup time low is %g\n"},
                {kSetupTimeHi, prev == kLvl1, "Setup time high violation at t=%g\n", "Minimum setup time high is %g\n"},
            };
            for (const auto& t : tests) {
                if (!t.applies || c.time_ticks[t.slot] == 0 || setup >= c.time_ticks[t.slot]) continue;
                Violation(part, t.first, now, t.second, c.times[t.slot], pins[pin], "setup time", setup);
                Report(c, m);
            }
        }
    }
    for (size_t k = 0; k < c.data_pins.size(); ++k) {
        if (changed != pins[c.data_pins[k]]) continue;
        CheckMemory::Data& d = m.data[k];
        const int level = DigitalFinalLevel(LevelOf(DigitalNet.present[changed]));
        if (armed && level != kLvlX && m.clock_tick != 0) {
            const uint32_t hold = now - m.clock_tick;
            struct { int slot; bool applies; const char* first; const char* second; } tests[] = {
                {kHoldTime, true, "*Hold time violation at t=%g\n", "Minimum hold time is %g\n"},
                {kHoldTimeLo, level == kLvl1, "Hold time low violation at t=%g\n", "Minimum hold time low is %g\n"},
                {kHoldTimeHi, level == kLvl0, "Hold time high violation at t=%g\n", "Minimum hold time high is %g\n"},
            };
            for (const auto& t : tests) {
                if (!t.applies || c.time_ticks[t.slot] == 0 || hold >= c.time_ticks[t.slot]) continue;
                Violation(part, t.first, now, t.second, c.times[t.slot], changed, "hold time", hold);
                Report(c, m);
            }
        }
        if (level != kLvlX && level != d.level) {
            d.tick_before = d.tick;
            d.tick = now;
            d.level = level;
        }
    }
    if (changed == clock && clock_final != kLvlX && clock_final != m.clock_level) {
        m.clock_level = clock_final;
        m.clock_tick = now;
    }
}

void Width(ConstraintRecord& r, const ConstraintCheck& c, CheckMemory& m, const std::string& part, const int32_t* pins, int changed, uint32_t now) {
    if (c.node_pin < 0 || changed != pins[c.node_pin]) return;
    const int level = LevelOf(DigitalNet.present[changed]);
    const int final_level = DigitalFinalLevel(level);
    if (final_level == kLvlX) return;
    if (final_level == kLvl1) {
        if (When(r, c) && m.fall != 0 && m.fall != now && c.min_lo_ticks && now - m.fall < c.min_lo_ticks) {
            Violation(part, "Width low violation at t=%g\n", now, "Minimum low width is %g\n", c.min_lo, changed, "width",
                      now - m.fall);
            Report(c, m);
        }
        if (level == kLvl1) m.rise = now;
    } else {
        if (When(r, c) && m.rise != 0 && m.rise != now && c.min_hi_ticks && now - m.rise < c.min_hi_ticks) {
            Violation(part, "Width high violation at t=%g\n", now, "Minimum high width is %g\n", c.min_hi, changed,
                      "width", now - m.rise);
            Report(c, m);
        }
        if (level == kLvl0) m.fall = now;
    }
}

void Freq(ConstraintRecord& r, const ConstraintCheck& c, CheckMemory& m, const std::string& part, const int32_t* pins, int changed, uint32_t now) {
    if (c.node_pin < 0 || changed != pins[c.node_pin]) return;
    const int level = LevelOf(DigitalNet.present[changed]);
    if (level == kLvlX) return;
    const int series = DigitalInitialLevel(level) == kLvl1 ? 1 : 0;
    const uint32_t previous = m.last_like[series];
    m.last_like[series] = now;
    if (previous == 0 || previous >= now || !When(r, c)) return;
    const uint32_t period = now - previous;
    if (c.min_period) {
        if (period < c.min_period) {
            if (m.max_armed) {
                Violation(part, "Maximum frequency violation at t=%g\n", now, "Minimum period is %g\n",
                          Seconds(c.min_period), changed, "period", period);
                Report(c, m);
                m.max_armed = false;
            }
        } else {
            m.max_armed = true;
        }
    }
    if (period > c.max_period) {
        if (m.min_armed) {
            Violation(part, "Minimum frequency violation at t=%g\n", now, "Maximum period is %g\n", Seconds(c.max_period),
                      changed, "period", period);
            Report(c, m);
            m.min_armed = false;
        }
    } else {
        m.min_armed = true;
    }
}

}  // namespace

int ParseConstraint(const DigitalPartDesc& part, const std::string& text, int primitive) {
    ConstraintRecord r;
    r.primitive = primitive;
    for (const std::string& name : part.pin_names) {
        const std::string n = Upper(name);
        if (!LegalName(n)) return DigitalSetupFail(13226, part.name, "", 0, n.c_str());
        r.names.push_back(n);
    }
    if (int e = ParseConstraintChecks(part, text, static_cast<int>(r.names.size()), &r)) return e;
    DigitalNet.prims[primitive].record = static_cast<int>(ConstraintRecords.size());
    ConstraintRecords.push_back(std::move(r));
    return 0;
}

int ParseConstraintChecks(const DigitalPartDesc& part, const std::string& text, int inputs, ConstraintRecord* r) {
    Parser parser{part, *r, Tokens(text), 0, inputs};
    if (int e = parser.Run()) return e;
    r->levels.assign(r->names.size(), kLvlX);
    return 0;
}

void InitConstraintRecord(ConstraintRecord& r, int pin_records) {
    const Primitive& p = DigitalNet.prims[r.primitive];
    const int32_t* pins = PinsOf(r.primitive);
    std::vector<DigitalState> states(std::max<size_t>(pin_records, p.pin_count), kStateX63);
    for (int i = 0; i < p.pin_count && i < static_cast<int>(states.size()); ++i) states[i] = DigitalNet.present[pins[i]];
    r.memory.pins.Reset(states.data(), static_cast<int>(states.size()), 0);
    r.memory.checks.assign(r.checks.size(), CheckMemory{});
    for (size_t k = 0; k < r.checks.size(); ++k) {
        ConstraintCheck& c = r.checks[k];
        r.memory.checks[k].data.assign(c.data_pins.size(), CheckMemory::Data{});
        for (int t = 0; t < kSetupHoldTimes; ++t) c.time_ticks[t] = Ticks(c.times[t]);
        c.min_hi_ticks = Ticks(c.min_hi);
        c.min_lo_ticks = Ticks(c.min_lo);
        c.min_period = c.maxfreq > 0 ? Ticks(1 / c.maxfreq) : 0;
        c.max_period = c.minfreq > 0 ? Ticks(1 / c.minfreq) : DigitalRun.end_tick;
    }
}

void InitConstraintDevices() {
    for (ConstraintRecord& r : ConstraintRecords) InitConstraintRecord(r, static_cast<int>(r.names.size()));
}

void AdvanceConstraintRecord(ConstraintRecord& r) {
    if (!r.memory.pins.Pending()) return;
    KeepConstraintMemory(r);
    r.memory.pins.Advance();
}

void AdvanceConstraintChecks() {
    for (ConstraintRecord& r : ConstraintRecords) AdvanceConstraintRecord(r);
}

int EvaluateConstraint(int changed_node, int primitive, uint32_t tick) {
    if (!TimingChecksActive() || !WarningsAllowed()) return 0;
    ConstraintRecord& r = ConstraintRecords[DigitalNet.prims[primitive].record];
    KeepConstraintMemory(r);
    const int32_t* pins = PinsOf(primitive);
    const int count = DigitalNet.prims[primitive].pin_count;
    for (int i = 0; i < count && i < static_cast<int>(r.names.size()); ++i)
        r.memory.pins.Refresh(i, DigitalNet.present[pins[i]], tick);
    RunConstraintChecks(r, changed_node, primitive, tick);
    return 0;
}

void RunConstraintChecks(ConstraintRecord& r, int changed_node, int primitive, uint32_t tick) {
    const Primitive& p = DigitalNet.prims[primitive];
    const std::string& part = InfoOf(primitive).part;
    const int32_t* pins = PinsOf(primitive);
    const int inputs = p.pin_count - p.outputs;
    for (int i = 0; i < inputs && i < static_cast<int>(r.levels.size()); ++i) {
        const DigitalState s = DigitalNet.present[pins[i]];
        r.levels[i] = static_cast<uint8_t>(StrengthOf(s) == 0 ? kLvlZ : LevelOf(s));
    }
    for (size_t k = 0; k < r.checks.size(); ++k) {
        const ConstraintCheck& c = r.checks[k];
        CheckMemory& m = r.memory.checks[k];
        if (c.error_limit != 0 && m.violations > c.error_limit) break;
        switch (c.kind) {
        case kCheckBoolean:
            if (c.target >= 0)
                r.levels[c.target] = EvalLogicProgram(r.levels.data(), c.value.entries.get(), c.value.count);
            break;
        case kCheckSetupHold: SetupHold(r, c, m, part, pins, changed_node, tick); break;
        case kCheckWidth: Width(r, c, m, part, pins, changed_node, tick); break;
        case kCheckFreq: Freq(r, c, m, part, pins, changed_node, tick); break;
        case kCheckGeneral:
            if (When(r, c) && WarningsAllowed()) {
                Write("\nDigital Warning\n");
                Write("General violation at t=%g\n", Seconds(tick));
                if (!part.empty()) Write("Device %s\n", part.c_str());
                Report(c, m);
            }
            break;
        default: break;
        }
    }
}

}  // namespace ob7
