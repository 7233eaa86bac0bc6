// Independent SPICE sources (V, I) with their value texts, and the controlled sources
// E, F, G, H in their linear and POLY forms.

#include <cctype>
#include <cstdio>

#include "circuit/attribute_ids.h"
#include "foundation/numbers.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/poly_source.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/poly_source.h"

namespace ob7 {

namespace {

std::string Upper(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

// The words of a source value text; a parenthesised group is split into its items.
std::vector<std::string> SourceWords(const std::string& text) {
    std::vector<std::string> words;
    std::string w;
    int depth = 0;
    auto flush = [&] {
        if (!w.empty()) words.push_back(w), w.clear();
    };
    for (char ch : text) {
        if (ch == '{') ++depth;
        if (ch == '}') --depth;
        if (depth == 0 && (std::isspace(static_cast<unsigned char>(ch)) || ch == ',' || ch == '(' || ch == ')')) {
            flush();
            if (ch == '(' || ch == ')') words.push_back(std::string(1, ch));
        } else {
            w += ch;
        }
    }
    flush();
    return words;
}

struct TimeFunction {
    const char* name;
    int kind;
};
constexpr TimeFunction kTimeFunctions[] = {{"PULSE", kSourcePulse}, {"SIN", kSourceSin}, {"EXP", kSourceExp},
                                           {"PWL", kSourcePwl},     {"SFFM", kSourceSffm}};

}  // namespace

// VALUE: [[DC] value] [AC mag [phase]] [time function (p1 p2 ...)].
int BuildIndependentSource(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    const int type = p.type == CT_VSPICE ? kSpiceVoltageSource : CT_ISPICE;
    const std::vector<std::string> words = SourceWords(PartAttr(p, ATTR_VALUE));
    double dc = 0, acMagnitude = 0, acPhase = 0;
    int kind = kSourceDc;
    std::vector<double> params;
    std::vector<double> pwl;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string w = Upper(words[i]);
        if (w == "DC" || (i == 0 && w != "AC" && w != "(")) {
            bool known = false;
            for (const auto& f : kTimeFunctions) known = known || w == f.name;
            if (!known) {
                if (w == "DC" && ++i >= words.size()) return ReportCompileError(cc, part, 11901, "value", "DC");
                if (int code = EvalPartValue(cc, part, words[i], &dc)) return code;
                continue;
            }
        }
        if (w == "AC") {
            // The magnitude and phase (degrees) of the small-signal analysis.
            for (int k = 0; k < 2 && i + 1 < words.size(); ++k) {
                int bad = 0;
                if (words[i + 1] == "(" || Upper(words[i + 1]) == "DC") break;
                ParseNumber(words[i + 1].c_str(), &bad);
                if (bad && words[i + 1][0] != '{') break;
                if (int code = EvalPartValue(cc, part, words[++i], k == 0 ? &acMagnitude : &acPhase)) return code;
            }
            continue;
        }
        bool isFunction = false;
        for (const auto& f : kTimeFunctions)
            if (w == f.name) kind = f.kind, isFunction = true;
        if (!isFunction) return ReportCompileError(cc, part, 10847, words[i].c_str());
        if (i + 1 < words.size() && words[i + 1] == "(") ++i;
        while (i + 1 < words.size() && words[i + 1] != ")") {
            double v = 0;
            if (int code = EvalPartValue(cc, part, words[++i], &v)) return code;
            params.push_back(v);
        }
        if (i + 1 < words.size()) ++i;  // the ")"
    }
    SpiceSource* s = AddSpiceSource(p.pinNodes[0], p.pinNodes[1], type, dc);
    s->spec_kind = kind;
    s->ac_magnitude = acMagnitude;
    s->ac_phase = acPhase;
    if (kind == kSourcePwl) {
        for (size_t k = 0; k + 1 < params.size(); k += 2) {
            PwlEntry e;
            e.time = params[k];
            char text[32];
            std::snprintf(text, sizeof text, "%.17g", params[k + 1]);
            e.value_text = text;
            s->pwl.entries.push_back(e);
        }
    } else {
        for (size_t k = 0; k < params.size() && k < 7; ++k) s->p[k] = params[k];
    }
    AttachDeviceToPart(cc, part, s);
    return 0;
}

namespace {
struct ControlledRecord {
    int part;
    PolySourceRecord record;
    PolySource* device;
};
std::vector<ControlledRecord> PendingControlled;
}  // namespace

// Every E, F, G, H becomes a polynomial source: the linear form is the polynomial of
// one input with coefficients 0 and the gain, whose load is the same stamp.
int BuildControlledSource(CompileContext& cc, int part) {
    NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 2) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_VALUE).c_str());
    PolySourceRecord r;
    r.part = part;
    r.scope = p.scope;
    r.componentType = p.type;
    r.outPlus = p.pinNodes[0];
    r.outMinus = p.pinNodes[1];
    if (int code = BuildPolySource(cc.c, part, PartAttr(p, ATTR_VALUE), r)) {
        MarkPartErrorSource(cc.c, part);
        return code;
    }
    std::vector<double> coefficients(r.coefficients.begin() + 1, r.coefficients.begin() + 1 + r.count);
    std::vector<PolyControl> controls;
    const bool byCurrent = p.type == kPolyFIofI || p.type == kPolyHVofI;
    const size_t inputs = byCurrent ? r.sources.size() : r.nodes.size();
    for (size_t k = 1; k < inputs; ++k) {
        PolyControl control;
        if (!byCurrent) control.a = r.nodes[k].first, control.b = r.nodes[k].second;
        controls.push_back(control);
    }
    PolySource* s = AddPolySource(p.type, r.outPlus, r.outMinus, std::move(coefficients), std::move(controls));
    AttachDeviceToPart(cc, part, s);
    PendingControlled.push_back({part, std::move(r), s});
    return 0;
}

// F and H: each controlling source's branch, once every source is built.
int LinkControlledSources(CompileContext& cc) {
    std::vector<PolySourceRecord> records;
    for (auto& pending : PendingControlled) records.push_back(pending.record);
    int code = ResolvePolyControlSources(cc.c, records);
    for (size_t i = 0; !code && i < records.size(); ++i) {
        const PolySourceRecord& r = records[i];
        PolySource* s = PendingControlled[i].device;
        for (size_t k = 1; k < r.sourceParts.size(); ++k) {
            const int controlPart = r.sourceParts[k];
            auto* source = static_cast<SpiceSource*>(cc.partDevice[static_cast<size_t>(controlPart)]);
            if (!source || !source->IsVoltage()) {
                code = ReportCompileError(cc, r.part, 10799, r.sources[k].c_str());
                break;
            }
            s->controls[k - 1].branch = &source->branch;
        }
    }
    if (code) MarkPartErrorSource(cc.c, PendingControlled.empty() ? -1 : PendingControlled[0].part);
    PendingControlled.clear();
    return code;
}

}  // namespace ob7

namespace ob7 {
void ForgetControlledSources() { PendingControlled.clear(); }
}  // namespace ob7
