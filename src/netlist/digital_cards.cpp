// U cards: digital primitives by name, with their parameters, gate arrays, power and
// ground nodes, models and keyword values.

#include <algorithm>
#include <cctype>
#include <strings.h>

#include "circuit/attribute_ids.h"
#include "libraries/component_types.h"
#include "netlist/netlist_read_internal.h"

namespace ob7 {

namespace {

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char ch : s)
        if (!std::isdigit(static_cast<unsigned char>(ch))) return false;
    return true;
}

// The first U row whose definition name equals the text.
int FindDigitalRow(const std::string& name) {
    for (int t = 0; t < kComponentTypeCount; ++t) {
        const ComponentTypeRow& r = ComponentTypeTable[t];
        if (r.letter == 'U' && r.definitionName[0] && strcasecmp(r.definitionName, name.c_str()) == 0) return t;
    }
    return -1;
}

bool IsSimpleGate(int base) { return base >= 58 && base <= 65; }
bool IsThreeStateGate(int base) { return base >= 78 && base <= 85; }
bool IsFlipFlop(int base) { return base >= 94 && base <= 97; }
bool IsAndOr(int base) { return base >= 74 && base <= 77; }

// "%s__%d" gate parts copy the first gate's attributes.
std::string GateName(const std::string& name, int gate) { return name + "__" + std::to_string(gate); }

}  // namespace

int ParseUCard(NetlistCircuit& c) {
    const std::string primitive = c.Token(1);
    const int row = FindDigitalRow(primitive);
    if (row < 0) return ReportReadError(c, 10910, primitive.c_str());
    const ComponentTypeRow& r = ComponentTypeTable[row];
    const bool array = r.pinSchemeFlags & PSF_ARRAYED_GATE;
    const int base = array ? r.pinNameBase : row;
    int nodeCount = 0;
    if (int code = NewCardPart(c, base, &nodeCount)) return code;
    const int first = c.currentPart;

    // Parameters: "(" n ["," n ["," n]] ")".
    const int flags = r.pinSchemeFlags;
    const int count = flags & PSF_THREE_SIZES ? 3 : flags & PSF_TWO_SIZES ? 2 : flags & PSF_ONE_SIZE ? 1 : 0;
    std::vector<int> params;
    int index = 2;
    if (count) {
        if (c.Token(index) != "(") return ReportReadError(c, 11900, "(");
        ++index;
        for (int k = 0; k < count; ++k) {
            const std::string t = c.Token(index);
            if (t == ")" || t.empty()) return ReportReadError(c, 11900, "value");
            if (!AllDigits(t)) return ReportReadError(c, 10922, t.c_str());
            params.push_back(t.size() > 5 ? 32767 : std::min(std::stoi(t), 32767));
            ++index;
            if (k + 1 < count) {
                if (c.Token(index) != ",") return ReportReadError(c, 11900, ",");
                ++index;
            }
        }
        if (c.Token(index) != ")") return ReportReadError(c, 11900, ")");
        ++index;
    }
    int gates = 1;
    if ((flags & PSF_ARRAY) && !params.empty()) gates = params.back();
    const int baseFlags = ComponentTypeTable[base].pinSchemeFlags;
    int data1 = baseFlags & 0x40024 && !params.empty() ? params[0] : 0;
    int data2 = baseFlags & PSF_DATA2_OUTPUT_PINS && params.size() > 1 ? params[1] : 0;
    if (base == CT_STIM || base == CT_FSTIM) {
        data1 = 0;
        data2 = params.empty() ? 0 : params[0];
    }
    if (base == CT_PINDLY) data2 = params.empty() ? 0 : params[0];
    if (gates < 1) return ReportReadError(c, 10913);

    // The definition: shared for equal data fields, else made with its pin count.
    ComponentDef* def = nullptr;
    if (!IsAndOr(base) && params.size() < 3)
        for (ComponentDef& d : c.defs)
            if (d.type == base && d.data1 == data1 && d.data2 == data2) def = &d;
    // A library definition only stands in for a type whose pins never change.
    const int fixedPins = ComponentTypeTable[base].fixedPinCount;
    if (!def && !IsAndOr(base) && params.size() < 3 && fixedPins > 0)
        if (ComponentDef* d = FindComponentDefGlobal(base))
            if (d->data1 == data1 && d->data2 == data2 && d->PinCount() == fixedPins) def = d;
    if (!def) {
        def = &c.defs.emplace_back();
        def->type = base;
        def->mask = 0x10;
        def->name = "U" + std::to_string(c.defCounter++) + "$";
        def->data1 = static_cast<int16_t>(data1);
        def->data2 = static_cast<int16_t>(data2);
        int pins = -1;
        if (IsAndOr(base)) pins = data1 * (params.size() > 1 ? params[1] : 1) + 1;
        else if (base == CT_LOGICEXP) pins = params.size() > 1 ? params[0] + params[1] : -1;
        else if (base == CT_PINDLY) pins = params.size() > 2 ? 2 * params[0] + params[1] + params[2] : -1;
        else if (base == CT_CONSTRAINT) pins = params.empty() ? -1 : params[0];
        else pins = GetPinCount(*def);
        if (pins < 0 || pins > 100000) return ReportReadError(c, 10914);
        SetPinCount(*def, pins);
    }
    const int pinCount = def->PinCount();
    c.parts[first].object.def = def;
    c.parts[first].type = base;

    // How many nodes the card carries.
    int inputs = data1;
    int nodes = pinCount;
    if (base == 58 || base == 59) inputs = 1;
    if (base == 64 || base == 65) inputs = 2;
    if (base == 78 || base == 79) inputs = 1;
    if (base == 84 || base == 85) inputs = 2;
    if (array) {
        if (IsSimpleGate(base)) nodes = gates * (inputs + 1);
        else if (IsThreeStateGate(base)) nodes = gates * (inputs + 1) + 1;
    }
    if (IsAndOr(base)) gates = 1;
    if (base == CT_JKFF || base == CT_SRFF) nodes = 4 * gates + 3;
    if (base == CT_DFF || base == CT_DLTCH) nodes = 3 * gates + 3;
    if (base == CT_PULLUP || base == CT_PULLDN) nodes = pinCount * gates;
    if (nodes > 100000) return ReportReadError(c, 10914);

    // One part per gate, sharing the definition.
    for (int g = 1; g < gates; ++g) {
        NetlistPart extra;
        extra.type = base;
        extra.scope = c.parts[first].scope;
        extra.line = c.parts[first].line;
        extra.object.page = -1;
        extra.object.def = def;
        c.parts.push_back(std::move(extra));
    }
    for (int g = 0; g < gates; ++g) c.parts[first + g].pinNodes.assign(static_cast<size_t>(pinCount), 0);
    NetlistPart& part = c.parts[first];
    if (base == CT_STIM && params.size() > 1) part.object.SetAttr(ATTR_FORMAT, std::to_string(params[1]));

    std::string power = c.Token(index++), ground = c.Token(index++);
    SubstituteOptionalNode(c, power);
    SubstituteOptionalNode(c, ground);
    part.object.SetAttr(ATTR_POWER_NODE, power);
    part.object.SetAttr(ATTR_GROUND_NODE, ground);

    for (int k = 0; k < nodes; ++k) {
        std::string token = c.Token(index);
        if (token.empty()) return ReportReadError(c, 10908);
        ++index;
        SubstituteOptionalNode(c, token);
        int entry = 0;
        if (int code = ResolveNodeName(c, token, &entry, c.currentScope, -1, false, false)) return code;
        const int node = c.nodes.entries[entry].number;
        int gate = 0, pin = k;
        if (base == CT_LOGICEXP || base == CT_PINDLY || base == CT_CONSTRAINT) {
            if (token == "0") return ReportReadError(c, 10923);
            char kind = 'i';
            if (base == CT_LOGICEXP) kind = k < data1 ? 'i' : 'o';
            if (base == CT_PINDLY) {
                const int p0 = params.size() > 0 ? params[0] : 0, p1 = params.size() > 1 ? params[1] : 0,
                          p2 = params.size() > 2 ? params[2] : 0;
                kind = k < p0 ? 'i' : k < p0 + p1 ? 'e' : k < p0 + p1 + p2 ? 'r' : 'o';
            }
            if (k < pinCount) SetPinName(*def, k, kind, token);
        }
        if (array && IsSimpleGate(base)) {
            if (k < gates * inputs) gate = k / inputs, pin = k % inputs;
            else gate = k - gates * inputs, pin = inputs;
        } else if (array && IsThreeStateGate(base)) {
            if (k < gates * inputs) gate = k / inputs, pin = k % inputs;
            else if (k == gates * inputs) gate = -1, pin = inputs;  // the common enable
            else gate = k - gates * inputs - 1, pin = inputs + 1;
        } else if (IsFlipFlop(base)) {
            if (k < 3) gate = -1, pin = k;
            else gate = (k - 3) % gates, pin = (k - 3) / gates + 3;
        } else if (base == CT_PULLUP || base == CT_PULLDN) {
            gate = k % gates, pin = k / gates;
        }
        for (int g = 0; g < gates; ++g) {
            if (gate >= 0 && g != gate) continue;
            auto& pins = c.parts[first + g].pinNodes;
            if (pin >= 0 && pin < static_cast<int>(pins.size())) pins[pin] = node;
        }
    }
    if (ComponentTypeTable[base].modelType >= 0) part.object.SetAttr(ATTR_TIMING_MODEL, c.Token(index++));
    part.object.SetAttr(ATTR_IO_MODEL, c.Token(index++));

    // Keyword values.
    for (;;) {
        const std::string k = c.Token(index);
        int attr = 0;
        if (k == "IO_LEVEL") attr = ATTR_IO_LEVEL;
        else if (k == "DATA" && row >= 101 && row <= 112) attr = ATTR_DATA;
        else if (k == "TIMESTEP" && base == CT_STIM) attr = ATTR_TIMESTEP;
        else if (k == "FILE" && ((row >= 101 && row <= 112) || base == CT_FSTIM)) attr = ATTR_FILE;
        else if (k == "SIGNAMES" && base == CT_FSTIM) attr = ATTR_SIGNAMES;
        else if (k == "MNTYMXDLY" && base != CT_PULLUP && base != CT_PULLDN && base != CT_CONSTRAINT)
            attr = ATTR_MNTYMXDLY;
        if (!attr) break;
        ++index;
        if (c.Token(index) != "=") return ReportReadError(c, 11901, "=", k.c_str());
        ++index;
        std::string value;
        if (attr == ATTR_DATA) {
            int dollars = 0;
            while (c.Token(index)[0] && dollars < 2) {
                const std::string t = c.Token(index++);
                if (t.find('$') != std::string::npos) ++dollars;
                value += t + " ";
            }
        } else if (attr == ATTR_FILE && c.Token(index) == "|") {
            ++index;
            while (c.Token(index)[0] && c.Token(index) != "|") value += c.Token(index++);
            if (c.Token(index) == "|") ++index;
        } else if (attr == ATTR_SIGNAMES) {
            value = JoinValueTokens(c, index);
            while (c.Token(index)[0]) ++index;
        } else if (int code = ParseBraceValue(c, &index, value)) {
            return code;
        }
        part.object.SetAttr(attr, value);
    }
    const std::string rest = JoinValueTokens(c, index);
    if (base == CT_LOGICEXP) part.object.SetAttr(ATTR_LOGIC, rest);
    else if (base == CT_PINDLY) part.object.SetAttr(ATTR_PINDELAY, rest);
    else if (base == CT_CONSTRAINT) part.object.SetAttr(ATTR_CONSTRAINT, rest);
    else if (base == CT_STIM) part.object.SetAttr(ATTR_COMMAND, rest);

    const std::string name = c.Token(0);
    for (int g = 1; g < gates; ++g) {
        NetlistPart& gatePart = c.parts[first + g];
        gatePart.object.attrs = c.parts[first].object.attrs;
        gatePart.object.SetAttr(ATTR_PART, GateName(name, g));
    }
    return 0;
}

}  // namespace ob7
