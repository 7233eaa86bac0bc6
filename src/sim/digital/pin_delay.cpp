#include "sim/digital/pin_delay.h"

#include <cctype>

#include "expression/compiler.h"
#include "expression/expression.h"
#include "sim/digital/device_memory.h"
#include "sim/digital/digital_messages.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/primitive_eval.h"
#include "sim/digital/timing_checks.h"

namespace ob7 {

std::vector<PinDelayRecord> PinDelayRecords;

namespace {

enum { kItemPinDelay = 6, kItemTriState = 7 };

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool LegalName(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '/' || c == '.'))
            return false;
    return true;
}

bool IsSection(const std::string& w) {
    return w == "PINDLY:" || w == "TRISTATE:" || w == "BOOLEAN:" || w == "SETUP_HOLD:" || w == "WIDTH:" ||
           w == "FREQ:" || w == "GENERAL:";
}

// Splits the text into sections at their keywords (outside braces and quotes).
std::vector<std::pair<std::string, std::string>> Sections(const std::string& text, std::string* before) {
    std::vector<std::pair<std::string, std::string>> out;
    size_t i = 0;
    int depth = 0;
    bool quoted = false;
    std::string* into = before;
    while (i < text.size()) {
        const char c = text[i];
        if (!quoted && depth == 0 && !std::isspace(static_cast<unsigned char>(c)) &&
            (i == 0 || std::isspace(static_cast<unsigned char>(text[i - 1])))) {
            size_t j = i;
            while (j < text.size() && !std::isspace(static_cast<unsigned char>(text[j]))) ++j;
            const std::string word = text.substr(i, j - i);
            if (IsSection(word)) {
                out.push_back({word, ""});
                into = &out.back().second;
                i = j;
                continue;
            }
        }
        if (c == '"') quoted = !quoted;
        if (!quoted && c == '{') ++depth;
        if (!quoted && c == '}' && depth > 0) --depth;
        *into += c;
        ++i;
    }
    return out;
}

struct ItemParser {
    const DigitalPartDesc& part;
    PinDelayRecord& r;
    const std::string& text;
    size_t at = 0;

    int Fail(int code, const std::string& a = "", const std::string& b = "") {
        return DigitalSetupFail(code, part.name, "", 0, a.c_str(), b.c_str());
    }
    void Skip() {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    }
    bool More() {
        Skip();
        return at < text.size();
    }
    std::string Word() {
        Skip();
        std::string w;
        while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at])) && text[at] != '=' &&
               text[at] != '{')
            w += text[at++];
        if (w.empty() && at < text.size()) w = text[at++];
        return Upper(w);
    }
    int Expect(char c, const std::string& after) {
        Skip();
        if (at < text.size() && text[at] == c) {
            ++at;
            return 0;
        }
        const std::string found = at < text.size() ? std::string(1, text[at]) : "Nothing";
        return DigitalSetupFail(13225, part.name, "", 0, std::string(1, c).c_str(), found.c_str(), after.c_str());
    }
    int Program(int mode, DigitalProgram* program, const std::string& after) {
        if (int e = Expect('=', after)) return e;
        if (int e = Expect('{', after)) return e;
        const size_t close = text.find('}', at);
        if (close == std::string::npos) return DigitalSetupFail(13225, part.name, "", 0, "}", "Nothing", after.c_str());
        const std::string expression = text.substr(at, close - at);
        at = close + 1;
        LocalNameSet locals;
        locals.names = r.names;
        locals.kinds.assign(r.names.size(), 1);
        CompiledExpression compiled;
        InitCompiledExpression(&compiled);
        ExpressionCompiler compiler;
        InitExpressionCompiler(&compiler, expression, &compiled, 1, mode);
        compiler.pending_mode = 1;
        SetCompilerLocals(&compiler, &locals);
        int code = CompileExpression(&compiler);
        if (code == 0) code = BuildDigitalDelayProgram(*program, compiled, mode);
        FreeExpression(&compiled);
        if (code) return DigitalSetupFail(11902, part.name, "", 0, "expression", expression.c_str());
        return 0;
    }
    int Output(const std::string& name, int* index) {
        if (!LegalName(name)) return Fail(13245);
        for (int k = 0; k < r.pairs; ++k)
            if (r.names[r.inputs + k] == name) {
                *index = k;
                return 0;
            }
        return Fail(13223, name);
    }
    // out out ... = { delay } items of a PINDLY or TRISTATE section.
    int DelayItems(int kind, int enable, int polarity) {
        while (More()) {
            PinDelayRecord::Item item;
            item.kind = kind;
            item.enable = enable;
            item.polarity = polarity;
            std::string last;
            for (;;) {
                Skip();
                if (at >= text.size() || text[at] == '=') break;
                last = Word();
                int o = -1;
                if (int e = Output(last, &o)) return e;
                item.outputs.push_back(o);
            }
            if (int e = Program(kModePinDelay, &item.program, last)) return e;
            r.items.push_back(std::move(item));
        }
        return 0;
    }
    int Booleans() {
        while (More()) {
            const std::string name = Word();
            if (!LegalName(name)) return Fail(13248);
            int target = -1;
            for (size_t i = 0; i < r.names.size(); ++i)
                if (r.names[i] == name) target = static_cast<int>(i);
            if (target >= 0 && target < r.inputs) return Fail(13222, name);
            PinDelayRecord::Item item;
            item.kind = kCheckBoolean;
            // Level formulas, like the conditions of the checks.
            if (int e = Program(kModeLogicExpression, &item.program, name)) return e;
            if (target < 0) {
                target = static_cast<int>(r.names.size());
                r.names.push_back(name);
            }
            item.target = target;
            r.items.push_back(std::move(item));
        }
        return 0;
    }
    int TriState() {
        if (Word() != "ENABLE") return Fail(13228);
        const std::string pol = Word();
        if (pol != "HI" && pol != "LO") return Fail(13228);
        if (int e = Expect('=', pol)) return e;
        const std::string pin = Word();
        if (!LegalName(pin)) return Fail(13244);
        int enable = -1;
        for (int i = 0; i < r.inputs; ++i)
            if (r.names[i] == pin) enable = i;
        if (enable < 0) return Fail(13233, pin);
        return DelayItems(kItemTriState, enable, pol == "HI" ? 1 : 2);
    }
};

int Level(const PinDelayRecord& r, int pin) { return pin >= 0 ? static_cast<int>(r.levels[pin]) : kLvlX; }

}  // namespace

int ParsePinDelay(const DigitalPartDesc& part, const std::string& text, int primitive) {
    PinDelayRecord r;
    r.primitive = primitive;
    r.pairs = part.output_count;
    r.inputs = static_cast<int>(part.pins.size()) - part.output_count;
    for (const std::string& name : part.pin_names) r.names.push_back(Upper(name));
    for (const std::string& n : r.names)
        if (!LegalName(n)) return DigitalSetupFail(13226, part.name, "", 0, n.c_str());
    std::string before;
    const auto sections = Sections(text, &before);
    for (char c : before)
        if (!std::isspace(static_cast<unsigned char>(c))) return DigitalSetupFail(13229, part.name, "", 0);
    std::string checks;  // the check sections, grouped as in a CONSTRAINT text
    for (const auto& [keyword, body] : sections) {
        ItemParser p{part, r, body};
        int e = 0;
        if (keyword == "PINDLY:") e = p.DelayItems(kItemPinDelay, -1, 1);
        else if (keyword == "TRISTATE:") e = p.TriState();
        else if (keyword == "BOOLEAN:") e = p.Booleans();
        else checks += keyword + " " + body + " ";
        if (e) return e;
    }
    r.checks.primitive = primitive;
    r.checks.names.assign(r.names.begin(), r.names.begin() + r.inputs);
    if (int e = ParseConstraintChecks(part, checks, r.inputs, &r.checks)) return e;
    r.levels.assign(r.names.size(), kLvlX);
    r.outputs.assign(r.pairs, PinDelayRecord::Output{});
    DigitalNet.prims[primitive].record = static_cast<int>(PinDelayRecords.size());
    PinDelayRecords.push_back(std::move(r));
    return 0;
}

void InitPinDelayDevices() {
    for (PinDelayRecord& r : PinDelayRecords) {
        for (PinDelayRecord::Output& o : r.outputs) o = PinDelayRecord::Output{};
        for (PinDelayRecord::Output& o : r.outputs) o.value = kStateX63;
        InitConstraintRecord(r.checks, static_cast<int>(r.names.size()));
    }
}

void AdvancePinDelays() {
    for (PinDelayRecord& r : PinDelayRecords) AdvanceConstraintRecord(r.checks);
}

int EvaluatePinDelay(int changed_node, int primitive, int output, uint32_t tick, int* low, int* high) {
    const Primitive& p = DigitalNet.prims[primitive];
    PinDelayRecord& r = PinDelayRecords[p.record];
    const int32_t* pins = PinsOf(primitive);
    if (output == 1) {
        KeepPinDelayMemory(r);
        PinValues& values = r.checks.memory.pins;
        for (int i = 0; i < r.inputs; ++i) {
            const DigitalState s = DigitalNet.present[pins[i]];
            r.levels[i] = static_cast<uint8_t>(StrengthOf(s) == 0 ? kLvlZ : LevelOf(s));
            values.Refresh(i, s, tick);
        }
        if (TimingChecksActive() && WarningsAllowed()) {
            r.checks.levels.assign(r.levels.begin(), r.levels.begin() + r.inputs);
            RunConstraintChecks(r.checks, changed_node, primitive, tick);
        }
        for (PinDelayRecord::Item& item : r.items) {
            if (item.kind == kCheckBoolean) {
                r.levels[item.target] = EvalLogicProgram(r.levels.data(), item.program.entries.get(), item.program.count);
                continue;
            }
            const int en = Level(r, item.enable);
            const bool enabled = item.enable < 0 || (item.polarity == 1 ? en == kLvl1 : en == kLvl0);
            for (int o : item.outputs) {
                PinDelayRecord::Output& out = r.outputs[o];
                const int level = r.levels[o];
                out.low = enabled ? p.default_low : 0;
                out.high = enabled ? p.default_high : 0;
                const DigitalState value =
                    MakeState(level, DigitalFinalLevel(level) != kLvl0 ? out.high : out.low);
                values.Refresh(r.inputs + o, value, tick);
                if (DigitalRun.transient) {
                    PinDelayContext context;
                    context.count = item.program.count;
                    context.entries = item.program.entries.get();
                    context.pin_levels = r.levels.data();
                    context.histories = values.edges.data();
                    uint8_t result = 0;
                    DelayTicks delay;
                    // Measured from what the output drives now: the record's value may
                    // already hold this evaluation's result from a settling pass.
                    const DigitalState old = DigitalNet.Slot(SlotOfOutput(p, r.pairs - o)).present;
                    if (EvalPinDelayProgram(context, value, old, &delay, &result) == 0) out.delay = delay;
                }
                out.value = value;
            }
        }
    }
    const int o = r.pairs - output;
    *low = r.outputs[o].low;
    *high = r.outputs[o].high;
    return LevelOf(r.outputs[o].value);
}

int PinDelayOutputStrength(int primitive, int node, DigitalState value) {
    const Primitive& p = DigitalNet.prims[primitive];
    const PinDelayRecord& r = PinDelayRecords[p.record];
    const int slot = OutputSlot(primitive, node);
    const int o = slot < 0 ? -1 : r.pairs - (p.slot_end - slot) / kSlotWords;
    if (o < 0 || o >= r.pairs) return 0;
    return DigitalFinalLevel(LevelOf(value)) != kLvl0 ? r.outputs[o].high : r.outputs[o].low;
}

uint32_t SchedulePinDelayOutput(uint32_t tick, int low, int high, int node, int primitive, DigitalState value,
                                bool changed) {
    const Primitive& p = DigitalNet.prims[primitive];
    const PinDelayRecord& r = PinDelayRecords[p.record];
    const int slot = OutputSlot(primitive, node);
    const int o = r.pairs - (p.slot_end - slot) / kSlotWords;
    const DelayTicks d = o >= 0 && o < r.pairs ? r.outputs[o].delay : DelayTicks{};
    const int level = LevelOf(value);
    auto schedule = [&](uint32_t at, int l, bool ch) {
        const DigitalState v = MakeState(l, DigitalFinalLevel(l) != kLvl0 ? high : low);
        if (int e = ScheduleOutputChange(at, low, high, node, primitive, v, ch))
            if (!DigitalRun.error) DigitalRun.error = e;
    };
    if (p.timing_mode != 4) {
        const int32_t delay = p.timing_mode == 1 ? d.min : p.timing_mode == 3 ? d.max : d.typ;
        schedule(tick + delay, level, changed);
        return tick + delay;
    }
    // Minimum and maximum: the ambiguous level first, the final level at the maximum.
    const int m = LevelOf(DigitalNet.present[node]);
    if (level == kLvl1 || level == kLvl0) {
        const bool hazard = level == kLvl1 ? (m == kLvlF || m == kLvlX) : (m == kLvlR || m == kLvlX);
        if (hazard) AmbiguityHazard(node, primitive);
        else schedule(tick + d.min, level == kLvl1 ? kLvlR : kLvlF, changed);
        schedule(tick + d.max, level, true);
        return tick + d.max;
    }
    schedule(tick + d.min, level, changed);
    if (level == kLvlX) schedule(tick + d.max, kLvlX, true);
    return tick + (level == kLvlX ? d.max : d.min);
}

}  // namespace ob7
