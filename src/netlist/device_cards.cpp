// Device cards: one parser per letter turns a card into a component part with its
// definition, pin nodes and attributes; the builders interpret the value text later.

#include <cctype>
#include <cstring>

#include "circuit/attribute_ids.h"
#include "libraries/component_types.h"
#include "netlist/netlist_read_internal.h"

namespace ob7 {

namespace {

bool IsDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char ch : s)
        if (!std::isdigit(static_cast<unsigned char>(ch))) return false;
    return true;
}

NetlistPart& Current(NetlistCircuit& c) { return c.parts[c.currentPart]; }

void SetAttr(NetlistCircuit& c, int id, const std::string& value) { Current(c).object.SetAttr(id, value); }

// MODEL (for types that take one and are not value-first), then the rest of the line.
int SetCardModelAndValue(NetlistCircuit& c, int index, int type) {
    const int flags = ComponentTypeTable[type].pinSchemeFlags;
    if (ComponentTypeTable[type].modelType >= 0 && !(flags & PSF_VALUE_PRINCIPAL)) {
        const std::string model = c.Token(index);
        SetAttr(c, ATTR_MODEL, model);
        if (model.empty()) return 0;
        ++index;
    }
    int attr = TypeFirstAttrId(type);
    if (!attr) return 0;
    std::string value = JoinValueTokens(c, index);
    // A type whose first attribute is its model (S) keeps the model just read; what
    // follows it goes to VALUE so that nothing written is lost.
    if (attr == ATTR_MODEL) {
        if (value.empty()) return 0;
        attr = ATTR_VALUE;
    }
    for (size_t p = value.find('^'); p != std::string::npos; p = value.find('^', p + 2)) value.replace(p, 1, "**");
    SetAttr(c, attr, value);
    return 0;
}

int ParseSimpleCard(NetlistCircuit& c, int type, int nodeCount) {
    int index = 0;
    if (int code = CreateCardPart(c, type, &index, nodeCount)) return code;
    return SetCardModelAndValue(c, index, type);
}

// C, L, R: an optional model name before the value.
int ParseValueFirstCard(NetlistCircuit& c, int type) {
    int index = 0;
    if (int code = CreateCardPart(c, type, &index, 2)) return code;
    const std::string t = c.Token(index);
    if (!t.empty() && t[0] != '{' && !c.Token(index + 1).empty() && c.Token(index + 2) != "=") {
        SetAttr(c, ATTR_MODEL, t);
        ++index;
    }
    return SetCardModelAndValue(c, index, type);
}

int ParseTCard(NetlistCircuit& c) {
    int index = 0;
    if (int code = CreateCardPart(c, CT_TLINE, &index, 4)) return code;
    const std::string t = c.Token(index);
    if (!t.empty() && c.Token(index + 1) != "=") {
        SetAttr(c, ATTR_MODEL, t);
        ++index;
    }
    return SetCardModelAndValue(c, index, CT_TLINE);
}

// The index of the '}' that closes the '{' at `open`, or -1.
int MatchingBrace(const NetlistCircuit& c, int open) {
    int depth = 0;
    for (int i = open;; ++i) {
        const std::string t = c.Token(i);
        if (t.empty()) return -1;
        if (t == "{") ++depth;
        else if (t == "}" && --depth == 0) return i;
    }
}

struct ControlledTypes {
    int plain, value, table, laplace, freq;
};

int ParseControlledSourceCard(NetlistCircuit& c, const ControlledTypes& types) {
    const std::string keyword = c.Token(3);
    int type = types.plain, attr = ATTR_VALUE;
    if (keyword == "VALUE") type = types.value;
    else if (keyword == "TABLE") type = types.table, attr = ATTR_TABLE;
    else if (keyword == "LAPLACE") type = types.laplace, attr = ATTR_LAPLACE;
    else if (keyword == "FREQ") type = types.freq, attr = ATTR_FREQ;
    int index = 0;
    if (int code = CreateCardPart(c, type, &index, 2)) return code;
    if (keyword == "CHEBYSHEV") return ReportReadError(c, 10902);
    if (type == types.plain) return SetCardModelAndValue(c, index, type);
    int open = 4;
    if (type == types.value && c.Token(open) == "=") ++open;
    if (c.Token(open) != "{") return ReportReadError(c, 11900, "{");
    const int close = MatchingBrace(c, open);
    if (close < 0) return ReportReadError(c, 11900, "}");
    if (type == types.value) {
        while (c.Token(close + 1)[0]) c.tokens.RemoveField(close + 1);
        return SetCardModelAndValue(c, open, type);
    }
    std::string expression;
    for (int i = open + 1; i < close; ++i) expression += c.Token(i);
    SetAttr(c, ATTR_EXPRESSION, expression);
    NetlistPart& part = Current(c);
    part.pinNodes.resize(4, 0);
    if (part.object.def && part.object.def->PinCount() < 4) SetPinCount(*part.object.def, 4);
    const bool voltage = c.Token(open + 1) == "V" && c.Token(open + 2) == "(";
    const int n = close - open - 1;
    if (voltage && (n == 4 || (n == 6 && c.Token(open + 4) == ",")) && c.Token(close - 1) == ")") {
        int entry = 0;
        if (int code = ResolveNodeName(c, c.Token(open + 3), &entry, part.scope, -1, false, false)) return code;
        Current(c).pinNodes[2] = c.nodes.entries[entry].number;
        if (n == 6) {
            if (int code = ResolveNodeName(c, c.Token(open + 5), &entry, part.scope, -1, false, false)) return code;
            Current(c).pinNodes[3] = c.nodes.entries[entry].number;
        }
    } else {
        // An auxiliary source computes the input expression into an internal node.
        const int mainPart = c.currentPart;
        const std::string name = PartAttr(part, ATTR_PART);
        int entry = 0;
        if (int code = ResolveNodeName(c, name + "$ $", &entry, part.scope, -1, false, false)) return code;
        const int node = c.nodes.entries[entry].number;
        NetlistPart aux;
        aux.type = 37;
        aux.scope = part.scope;
        aux.line = part.line;
        aux.object.page = -1;
        aux.object.def = FindOrMakeComponentDef(c, 37);
        aux.object.SetAttr(ATTR_PART, "E_$$" + name + "$$");
        aux.object.SetAttr(ATTR_VALUE, "{" + expression + "}");
        aux.pinNodes = {node, 0};
        c.parts[mainPart].pinNodes[2] = node;
        c.parts.push_back(std::move(aux));
        c.currentPart = mainPart;
    }
    index = close + 1;
    if (c.Token(index) == "=") ++index;
    if (type == types.freq) {
        std::string keywords;
        for (;; ++index) {
            const std::string k = c.Token(index);
            if (k != "MAG" && k != "DB" && k != "DEG" && k != "RAD" && k != "R_I") break;
            keywords += k + " ";
        }
        if (!keywords.empty()) SetAttr(c, ATTR_KEYWORD, keywords);
    }
    std::string value = JoinValueTokens(c, index);
    SetAttr(c, attr, value);
    return 0;
}

const ControlledTypes kETypes{52, 37, 41, 33, 45};  // EVofV NFV NTVofV LFVofV LTVofV
const ControlledTypes kGTypes{50, 35, 39, 31, 43};  // GIofV NFI NTIofV LFIofV LTIofV

int ParseBCard(NetlistCircuit& c) {
    const std::string t3 = c.Token(3);
    if ((t3 == "V" || t3 == "I") && c.Token(4) == "=") {
        int last = 5;
        while (c.Token(last)[0]) ++last;
        c.tokens.InsertField(last, "}");
        c.tokens.InsertField(5, "{");
        c.tokens.InsertField(3, "VALUE");
        c.tokens.RemoveField(4);
        return ParseControlledSourceCard(c, t3 == "V" ? kETypes : kGTypes);
    }
    return ParseSimpleCard(c, CT_GAASFET, 3);
}

int ParseKCard(NetlistCircuit& c) {
    int index = 0;
    if (int code = CreateCardPart(c, CT_CORE, &index, 0)) return code;
    // Brace groups become one token each.
    for (int i = 1; c.Token(i)[0]; ++i) {
        if (c.Token(i) != "{") continue;
        std::string group = "{";
        while (c.Token(i + 1)[0] && c.Token(i + 1) != "}") {
            group += " " + c.Token(i + 1);
            c.tokens.RemoveField(i + 1);
        }
        if (c.Token(i + 1) == "}") {
            group += " }";
            c.tokens.RemoveField(i + 1);
        }
        c.tokens.RemoveField(i);
        c.tokens.InsertField(i, group.c_str());
    }
    const int count = c.tokens.FieldCount();
    std::string inductors;
    int value = -1;
    for (int i = 1; i < count; ++i) {
        const char f = c.Token(i)[0];
        if ((std::isdigit(static_cast<unsigned char>(f)) || f == '+' || f == '-' || f == '.' || f == '{') &&
            count - i - 1 <= 2) {
            value = i;
            break;
        }
        if (!inductors.empty()) inductors += ' ';
        inductors += c.Token(i);
    }
    SetAttr(c, ATTR_INDUCTORS, inductors);
    SetAttr(c, ATTR_COUPLING, value > 0 ? c.Token(value) : std::string());
    SetAttr(c, ATTR_MODEL, value > 0 ? c.Token(value + 1) : std::string());
    return 0;
}

int ExpectDgtlnet(NetlistCircuit& c, int* index) {
    const std::string t = c.Token(*index);
    if (t != "DGTLNET") return ReportReadError(c, 11902, "DGTLNET", t.empty() ? "nothing" : t.c_str());
    ++*index;
    if (c.Token(*index) != "=") return ReportReadError(c, 11901, "=", "DGTLNET");
    ++*index;
    return 0;
}

int ParseDigitalInterface(NetlistCircuit& c, int type, int nodes) {
    int index = 0;
    if (int code = CreateCardPart(c, type, &index, nodes)) return code;
    SetAttr(c, ATTR_MODEL, c.Token(index++));
    if (int code = ExpectDgtlnet(c, &index)) return code;
    if (int code = ParseCardNode(c, &index, nodes)) return code;
    SetAttr(c, ATTR_IO_MODEL, c.Token(index++));
    if (type == CT_DINPUT && c.Token(index) == "IS") {
        if (c.Token(index + 1) != "=") return ReportReadError(c, 11901, "=", "IS");
        SetAttr(c, ATTR_IS, c.Token(index + 2));
    }
    return 0;
}

int ParseWCard(NetlistCircuit& c) {
    int index = 0;
    if (int code = CreateCardPart(c, CT_ISWITCH, &index, 2)) return code;
    const std::string ref = c.Token(index++);
    SetAttr(c, ATTR_REF, ref);
    if (ref.empty()) return 0;
    SetAttr(c, ATTR_MODEL, c.Token(index++));
    // The tokens after the model have no attribute of their own: they stay with the
    // model's line as VALUE so that nothing written is lost.
    const std::string rest = JoinValueTokens(c, index);
    if (!rest.empty()) SetAttr(c, ATTR_VALUE, rest);
    return 0;
}

std::string CollectSection(const NetlistCircuit& c, int* index, const char* stop) {
    std::string text;
    for (; c.Token(*index)[0] && c.Token(*index) != stop; ++*index) text += c.Token(*index) + " ";
    return text;
}

int ParseXCard(NetlistCircuit& c) {
    NetlistPart part;
    part.type = CT_SUBCKT;
    part.scope = c.currentScope;
    part.line = CurrentReadLine(c);
    part.object.page = -1;
    c.parts.push_back(std::move(part));
    c.currentPart = static_cast<int>(c.parts.size()) - 1;
    ComponentDef* def = CreateCardComponentDef(c, CT_SUBCKT);
    Current(c).object.def = def;
    SetAttr(c, ATTR_PART, c.Token(0));
    std::vector<std::string> positional;
    for (int i = 1; c.Token(i)[0];) {
        const std::string t = c.Token(i);
        if (t == "PARAMS:") {
            ++i;
            SetAttr(c, ATTR_PARAMS, CollectSection(c, &i, "TEXT:"));
        } else if (t == "TEXT:") {
            ++i;
            SetAttr(c, ATTR_TEXT_PARAMS, CollectSection(c, &i, "PARAMS:"));
        } else {
            if (!Current(c).object.FindAttr(ATTR_PARAMS) && !Current(c).object.FindAttr(ATTR_TEXT_PARAMS))
                positional.push_back(t);
            ++i;
        }
    }
    if (positional.empty()) return ReportReadError(c, 11900, "subckt name");
    const std::string name = positional.back();
    positional.pop_back();
    SetPinCount(*def, static_cast<int>(positional.size()));
    Current(c).pinNodes.assign(positional.size(), 0);
    for (size_t k = 0; k < positional.size(); ++k) {
        int entry = 0;
        if (int code = ResolveNodeName(c, positional[k], &entry, c.currentScope, -1, false, false)) return code;
        Current(c).pinNodes[k] = c.nodes.entries[entry].number;
        std::string token = positional[k];
        SubstituteOptionalNode(c, token);
        SetPinName(*def, static_cast<int>(k), '?', token);
    }
    const std::string file = c.currentScope <= 1 ? c.page->Title() : c.tables.scopes[c.currentScope].filePath;
    SetAttr(c, ATTR_FILE, file);
    SetAttr(c, ATTR_NAME, name);
    return 0;
}

}  // namespace

ComponentDef* CreateCardComponentDef(NetlistCircuit& c, int type) {
    ComponentDef& d = c.defs.emplace_back();
    d.type = type;
    d.mask = 0x10;
    const char letter = static_cast<char>(ComponentTypeTable[type].letter);
    d.name = std::string(1, letter) + std::to_string(c.defCounter++) + "$";
    const int pins = ComponentTypeTable[type].fixedPinCount;
    SetPinCount(d, pins > 0 ? pins : 0);
    return &d;
}

ComponentDef* FindComponentDef(NetlistCircuit& c, int type) {
    const auto found = c.sharedDefs.find(type);
    if (found != c.sharedDefs.end()) return found->second;
    ComponentDef* def = FindComponentDefGlobal(type);
    // A library definition edited to another pin count would not fit the card's nodes.
    const int pins = ComponentTypeTable[type].fixedPinCount;
    if (def && pins > 0 && def->PinCount() != pins) return nullptr;
    return def;
}

ComponentDef* FindOrMakeComponentDef(NetlistCircuit& c, int type) {
    if (ComponentDef* def = FindComponentDef(c, type)) return def;
    ComponentDef* def = CreateCardComponentDef(c, type);
    c.sharedDefs[type] = def;
    return def;
}

std::string JoinValueTokens(const NetlistCircuit& c, int index) {
    std::string out;
    std::string previous;
    for (int i = index;; ++i) {
        std::string t = c.Token(i);
        if (t.empty()) break;
        if (t == "LOG") t = "LN";
        if (i > index) {
            const char p = previous[0], n = t[0];
            if (p != '(' && p != '=' && p != ',' && n != ')' && n != '=' && n != ',') out += ' ';
        }
        out += t;
        previous = t;
    }
    return out;
}

void SubstituteOptionalNode(NetlistCircuit& c, std::string& token) {
    if (c.currentScope <= 1 || c.currentScope >= static_cast<int>(c.scopeInfo.size())) return;
    const int owner = c.scopeInfo[c.currentScope].ownerPart;
    if (owner < 0) return;
    if (const AttrNode* a = c.parts[owner].object.FindAttrByName("$.O " + token)) token = a->value;
}

int NewCardPart(NetlistCircuit& c, int type, int* nodeCount) {
    if (type == CT_NPN || type == CT_NMOS || type == CT_NJFET || type == CT_NPN4) c.polarityFlag = true;
    if (type == CT_NPN) {
        if (c.Token(4) == "[" && c.Token(6) == "]") {
            c.tokens.RemoveField(6);
            c.tokens.RemoveField(4);
            type = CT_NPN4;
        } else if (IsDigits(c.Token(4)) && c.Token(5)[0]) {
            type = CT_NPN4;
        }
        if (type == CT_NPN4) *nodeCount = 4;
    }
    NetlistPart part;
    part.type = type;
    part.scope = c.currentScope;
    part.line = CurrentReadLine(c);
    part.object.page = -1;
    part.object.def = FindOrMakeComponentDef(c, type);
    part.object.SetAttr(ATTR_PART, c.Token(0));
    c.parts.push_back(std::move(part));
    c.currentPart = static_cast<int>(c.parts.size()) - 1;
    return 0;
}

int ParseCardNode(NetlistCircuit& c, int* index, int pin) {
    std::string token = c.Token(*index);
    if (token.empty()) return ReportReadError(c, 10908);
    // The tokenizer splits "[NAME]" into three tokens: the node is the name.
    if (token == "[" && c.Token(*index + 2) == "]" && c.Token(*index + 1)[0]) {
        c.tokens.RemoveField(*index + 2);
        c.tokens.RemoveField(*index);
        token = c.Token(*index);
    }
    SubstituteOptionalNode(c, token);
    int entry = 0;
    if (int code = ResolveNodeName(c, token, &entry, c.currentScope, -1, false, false)) return code;
    NetlistPart& part = Current(c);
    if (static_cast<int>(part.pinNodes.size()) <= pin) part.pinNodes.resize(pin + 1, 0);
    part.pinNodes[pin] = c.nodes.entries[entry].number;
    ++*index;
    return 0;
}

int CreateCardPart(NetlistCircuit& c, int type, int* index, int nodeCount) {
    if (int code = NewCardPart(c, type, &nodeCount)) return code;
    NetlistPart& part = Current(c);
    part.object.SetAttr(ATTR_FROMSPICE, "TRUE");
    part.pinNodes.assign(static_cast<size_t>(nodeCount), 0);
    *index = 1;
    for (int pin = 0; pin < nodeCount; ++pin)
        if (int code = ParseCardNode(c, index, pin)) return code;
    return 0;
}

int DispatchDeviceCard(NetlistCircuit& c, char letter, bool* known) {
    *known = true;
    switch (letter) {
    case 'B': return ParseBCard(c);
    case 'C': return ParseValueFirstCard(c, CT_CAPACITOR);
    case 'D': return ParseSimpleCard(c, CT_DIODE, 2);
    case 'E': return ParseControlledSourceCard(c, kETypes);
    case 'F': return ParseSimpleCard(c, 51, 2);  // FIofI
    case 'G': return ParseControlledSourceCard(c, kGTypes);
    case 'H': return ParseSimpleCard(c, 53, 2);  // HVofI
    case 'I': return ParseSimpleCard(c, CT_ISPICE, 2);
    case 'J': return ParseSimpleCard(c, CT_NJFET, 3);
    case 'K': return ParseKCard(c);
    case 'L': return ParseValueFirstCard(c, CT_INDUCTOR);
    case 'M': return ParseSimpleCard(c, CT_NMOS, 4);
    case 'N': return ParseDigitalInterface(c, CT_DINPUT, 3);
    case 'O': return ParseDigitalInterface(c, CT_DOUTPUT, 2);
    case 'Q': return ParseSimpleCard(c, CT_NPN, 3);
    case 'R': return ParseValueFirstCard(c, CT_RESISTOR);
    case 'S': return ParseSimpleCard(c, CT_VSWITCH, 4);
    case 'T': return ParseTCard(c);
    case 'V': return ParseSimpleCard(c, CT_VSPICE, 2);
    case 'W': return ParseWCard(c);
    case 'U': return ParseUCard(c);
    case 'X': return ParseXCard(c);
    case 'Z': return ParseSimpleCard(c, CT_GAASFET, 3);
    default: *known = false; return 0;
    }
}

int ParseBraceValue(NetlistCircuit& c, int* index, std::string& out) {
    out.clear();
    if (c.Token(*index) != "{") {
        out = c.Token(*index);
        ++*index;
        return 0;
    }
    const int close = MatchingBrace(c, *index);
    if (close < 0) return ReportReadError(c, 11900, "}");
    // Inside a subcircuit body a name of the call's header parameters stands for its value.
    NetlistPart* owner = nullptr;
    if (c.currentScope > 1 && c.currentScope < static_cast<int>(c.scopeInfo.size()) &&
        c.scopeInfo[c.currentScope].ownerPart >= 0)
        owner = &c.parts[c.scopeInfo[c.currentScope].ownerPart];
    for (int i = *index; i <= close; ++i) {
        const std::string t = c.Token(i);
        if (t == "{" || t == "}") {
            out += t == "{" ? '(' : ')';
            continue;
        }
        const AttrNode* param = owner ? owner->object.FindAttrByName("$.P " + t) : nullptr;
        out += param ? param->value : t;
    }
    *index = close + 1;
    return 0;
}

}  // namespace ob7
