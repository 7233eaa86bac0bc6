// Resistors, capacitors and inductors: the VALUE text is a number or a formula, followed
// by TC=tc1[,tc2] (resistors) or IC=value (capacitors and inductors); MODEL may name a
// RES, CAP or IND model.

#include <cctype>

#include "circuit/attribute_ids.h"
#include "foundation/numbers.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "netlist/model_statements.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/inductor.h"
#include "sim/devices/resistor.h"

namespace ob7 {

namespace {

struct PassiveValue {
    double value = 0;
    double tc1 = 0, tc2 = 0;
    int tc1Given = 0, tc2Given = 0;
    double ic = 0;
    int icGiven = 0;
    std::string expression;  // a formula that is not a constant, compiled later
};

// The value: a number, a constant formula folded now, or a formula kept for the sweep.
int MainValue(CompileContext& cc, int part, const std::string& token, PassiveValue* out) {
    std::string t;
    if (SubstituteDefines(cc.c.tables, t, cc.Part(part).scope, token, false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    const size_t start = t.find_first_not_of(" \t");
    if (start == std::string::npos) return ReportCompileError(cc, part, 15040);
    t = t.substr(start, t.find_last_not_of(" \t") + 1 - start);
    int bad = 0;
    const double number = ParseNumber(t.c_str(), &bad);
    if (!bad) out->value = number;
    else if (!FoldConstantText(t, &out->value)) out->expression = token;
    return 0;
}

// type: CT_RESISTOR, CT_CAPACITOR or CT_INDUCTOR.
int ParsePassiveValue(CompileContext& cc, int part, int type, PassiveValue* out) {
    const std::string text = PartAttr(cc.Part(part), ATTR_VALUE);
    std::string token;
    size_t pos = NextValueToken(text, 0, &token, true);
    if (int code = MainValue(cc, part, token, out)) return code;
    auto skip = [&] {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    };
    skip();
    std::string word;
    while (pos < text.size() && std::isalpha(static_cast<unsigned char>(text[pos])) && word.size() < 50)
        word += text[pos++];
    if (word.empty()) {
        if (pos < text.size()) return ReportCompileError(cc, part, 10847, text.substr(pos).c_str());
        return 0;
    }
    const bool tc = word == "TC" && type == CT_RESISTOR;
    const bool ic = word == "IC" && type != CT_RESISTOR;
    if (!tc && !ic) return ReportCompileError(cc, part, 10847, word.c_str());
    skip();
    if (pos >= text.size() || text[pos] != '=') return ReportCompileError(cc, part, 11901, "=", word.c_str());
    ++pos;
    if (ic) {
        if (int code = EvalPartValue(cc, part, text.substr(pos), &out->ic)) return code;
        out->icGiven = 1;
        return 0;
    }
    pos += NextValueToken(text, pos, &token, true);
    if (int code = EvalPartValue(cc, part, token, &out->tc1)) return code;
    out->tc1Given = 1;
    skip();
    if (pos < text.size() && text[pos] == ',') {
        if (int code = EvalPartValue(cc, part, text.substr(pos + 1), &out->tc2)) return code;
        out->tc2Given = 1;
    } else if (pos < text.size()) {
        return ReportCompileError(cc, part, 10847, text.substr(pos).c_str());
    }
    return 0;
}

// A SPICE card written value first ("R1 1 2 1K RMOD") was read with the value as MODEL and
// the model name as VALUE: when VALUE names a model of the part's kind, the two change
// places.
void SwapValueAndModelName(CompileContext& cc, int part, int modelType) {
    NetlistPart& p = cc.Part(part);
    const std::string value = PartAttr(p, ATTR_VALUE);
    if (PartAttr(p, ATTR_FROMSPICE).empty() || value.empty() || value[0] == '{' ||
        value.find_first_of(" \t") != std::string::npos)
        return;
    const std::string model = PartAttr(p, ATTR_MODEL);
    int error = 0;
    if (!model.empty() && FindModelStatement(cc.c.tables, modelType, p.scope, model, &error) >= 0) return;
    if (FindModelStatement(cc.c.tables, modelType, p.scope, value, &error) < 0) return;
    p.object.SetAttr(ATTR_VALUE, model);
    p.object.SetAttr(ATTR_MODEL, value);
}

ModelParams* OptionalModel(CompileContext& cc, int part, int modelType, int* code) {
    *code = 0;
    SwapValueAndModelName(cc, part, modelType);
    if (PartAttr(cc.Part(part), ATTR_MODEL).empty()) return nullptr;
    ModelParams* model = FindPartModel(cc, part, {modelType});
    if (!model) *code = kMsgReported;
    return model;
}

int CheckTwoPins(CompileContext& cc, int part) {
    if (cc.Part(part).pinNodes.size() >= 2) return 0;
    return ReportCompileError(cc, part, 10847, PartAttr(cc.Part(part), ATTR_PART).c_str());
}

}  // namespace

// In an AC analysis the FREQ text, when given, is the value's small-signal formula.
int SetFrequencyExpression(CompileContext& cc, int part, CompiledExpression* e) {
    const NetlistPart& p = cc.Part(part);
    if (cc.c.analysisKind != kAc || PartAttr(p, ATTR_FREQ).empty()) return 0;
    std::string text;
    if (SubstituteDefines(cc.c.tables, text, p.scope, PartAttr(p, ATTR_FREQ), false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    SetExpressionText(e, text);
    return 0;
}

int BuildResistor(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (int code = CheckTwoPins(cc, part)) return code;
    int code = 0;
    ModelParams* model = OptionalModel(cc, part, MT_RES, &code);
    if (code) return code;
    PassiveValue v;
    if ((code = ParsePassiveValue(cc, part, CT_RESISTOR, &v))) return code;
    Resistor* r = AddResistor(p.pinNodes[0], p.pinNodes[1], v.value);
    r->kind = CT_RESISTOR;  // a part's resistor: it makes thermal noise
    r->model = model;
    r->tc1 = v.tc1, r->tc1_given = v.tc1Given;
    r->tc2 = v.tc2, r->tc2_given = v.tc2Given;
    if (!v.expression.empty()) SetExpressionText(&r->value_expression, v.expression);
    AttachDeviceToPart(cc, part, r);
    return SetFrequencyExpression(cc, part, &r->ac_value_expression);
}

int BuildCapacitor(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (int code = CheckTwoPins(cc, part)) return code;
    int code = 0;
    ModelParams* model = OptionalModel(cc, part, MT_CAP, &code);
    if (code) return code;
    PassiveValue v;
    if ((code = ParsePassiveValue(cc, part, CT_CAPACITOR, &v))) return code;
    Capacitor* cap = AddCapacitor(p.pinNodes[0], p.pinNodes[1], v.value);
    cap->model = model;
    cap->initial_condition = v.ic;
    if (!v.expression.empty()) SetExpressionText(&cap->value_expression, v.expression);
    AttachDeviceToPart(cc, part, cap);
    return SetFrequencyExpression(cc, part, &cap->ac_value_expression);
}

int BuildInductor(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (int code = CheckTwoPins(cc, part)) return code;
    int code = 0;
    ModelParams* model = OptionalModel(cc, part, MT_IND, &code);
    if (code) return code;
    PassiveValue v;
    if ((code = ParsePassiveValue(cc, part, CT_INDUCTOR, &v))) return code;
    Inductor* l = AddInductor(p.pinNodes[0], p.pinNodes[1], v.value);
    l->model = model;
    l->initial_current = v.ic, l->ic_given = v.icGiven;
    if (!v.expression.empty()) SetExpressionText(&l->value_expression, v.expression);
    AttachDeviceToPart(cc, part, l);
    return 0;
}

}  // namespace ob7
