#include "netlist/netlist_reader.h"
#include "netlist/mixed_signal_interfaces.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "circuit/attribute_ids.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "libraries/component_types.h"
#include "netlist/library_index.h"
#include "netlist/model_statements.h"
#include "netlist/netlist_read_internal.h"

namespace ob7 {

// ---- circuit record -------------------------------------------------------------------

NetlistCircuit::NetlistCircuit(NetlistCircuitServices& services, NetlistTextPage& textPage)
    : page(&textPage), tables(services) {
    InitGlobalScope(tables);
    scopeInfo.resize(tables.scopes.size());
}

NetlistCircuit::~NetlistCircuit() { tokens.Free(); }

void NetlistAnalysisSetup::ClearLimits() {
    transient = {};
    ac = {};
    const int m1 = dc.method1, m2 = dc.method2;
    dc = {};
    dc.method1 = m1;
    dc.method2 = m2;
}

void NetlistNodeTable::Clear() {
    entries.clear();
    highest = 0;
    trie.Clear();
    otherNames.clear();
    ties.clear();
    internal.clear();
    hasGround = false;
}

void NetlistCircuit::ClearCompiled() {
    parts.clear();
    defs.clear();
    sharedDefs.clear();
    statements.clear();
    nodes.Clear();
    partTrie.Clear();
    icStatements.clear();
    initialConditions.clear();
    nodeSetsPresent = initialConditionsPresent = false;
    trTable.clear();
    useInitialConditions = loadOperatingPoint = false;
    tables.Clear(kClearDefines | kClearModels | kClearLibraries);
    tables.scopes.clear();
    InitGlobalScope(tables);
    scopeInfo.assign(tables.scopes.size(), {});
    positionedScopes.clear();
    analogNodeCount = digitalNodeCount = 0;
    digitalHighNode = digitalLowNode = digitalUnknownNode = 0;
    errorFile.clear();
    errorLine = -1;
    errorPosition = std::string::npos;
}

std::string PartAttr(const NetlistPart& part, int id) {
    for (const AttrNode& a : part.object.attrs)
        if (a.id == id) return a.value;
    return {};
}

std::string PartAttrByName(NetlistPart& part, const std::string& name) {
    const AttrNode* a = part.object.FindAttrByName(name);
    return a ? a->value : std::string();
}

std::string GetPartTextExpanded(NetlistCircuitTables& tables, const NetlistPart& part, int id, int* error) {
    std::string out;
    *error = SubstituteDefines(tables, out, part.scope, PartAttr(part, id), false);
    return out;
}

std::string GetPartText(NetlistCircuit& c, const NetlistPart& part, int id, int* error) {
    return GetPartTextExpanded(c.tables, part, id, error);
}

std::string GetPartNameUpper(const NetlistPart& part) {
    std::string name = PartAttr(part, ATTR_PART);
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return name;
}

std::string GetScopedPartName(const NetlistCircuitTables& tables, const NetlistPart& part) {
    const std::string name = GetPartNameUpper(part);
    return name.empty() ? std::string() : MakeScopedName(tables, name, part.scope);
}

// ---- read state -----------------------------------------------------------------------

std::string CurrentReadFile(const NetlistCircuit& c) {
    const int d = c.includes.depth < 0 ? 0 : c.includes.depth;
    return c.includes.entries[d].fileName;
}

int CurrentReadLine(const NetlistCircuit& c) {
    const int d = c.includes.depth < 0 ? 0 : c.includes.depth;
    return c.includes.entries[d].logicalStart;
}

void MarkErrorLine(NetlistCircuit& c, const std::string& file, int line) {
    c.errorFile = file;
    c.errorLine = line;
    c.errorPosition = std::string::npos;
}

int BeginNetlistRead(NetlistCircuit& c) {
    for (int& n : c.curveRowsMade) n = 0;
    c.defCounter = 1;
    ClearComponentDefCache();
    c.printStatements = 0;
    c.includes.PopAll();
    c.includes.depth = -1;
    return c.tokens.Reset();
}

void EndNetlistRead(NetlistCircuit& c) {
    c.tokens.TrimBuffers();
    c.includes.PopAll();
}

int ReadNetlistLine(NetlistCircuit& c, std::string& out) {
    NetlistLineSource& src = c.includes.Top();
    const int code = ReadLogicalLine(src, out, 0);
    if (code && code != 15007) MarkErrorLine(c, src.fileName, src.line);
    return code;
}

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool IsEndsLine(const std::string& line) { return line == ".ENDS" || StartsWith(line, ".ENDS "); }

}  // namespace

int DispatchSpiceLine(NetlistCircuit& c, const std::string& line) {
    c.currentPart = -1;
    const std::string t0 = c.Token(0);
    if (t0.empty() || t0[0] == '*') return 0;
    if (t0[0] >= 'A' && t0[0] <= 'Z') {
        bool known = false;
        const int code = DispatchDeviceCard(c, t0[0], &known);
        if (known) return code;
    } else if (t0[0] == '.') {
        return DispatchDotCommand(c, line);
    }
    const std::string file = ScopeFileName(c.tables, c.currentScope);
    MarkErrorLine(c, CurrentReadFile(c), CurrentReadLine(c));
    const std::string lineText = std::to_string(CurrentReadLine(c) + 1);
    ReportMessage("dMMtE", c.tables.services->ReportOwner(), "File:", CurrentReadFile(c).c_str(), "Line:",
                  lineText.c_str(), t0.c_str(), 10905);
    return kMsgReported;
}

int ReadSpiceNetlist(NetlistCircuit& c) {
    c.polarityFlag = false;
    for (std::string& s : c.sensOutputs) s.clear();
    c.tranSeen = c.opSeen = false;
    c.currentScope = 1;
    c.includes.PopAll();
    c.includes.depth = 0;
    NetlistLineSource& top = c.includes.entries[0];
    top.OpenOnText(c.page->Text(), c.page->Title());
    top.window = c.page;
    if (!c.runRecompile) {
        for (auto& rows : c.analysis.rows) rows.clear();
        c.analysis.flags[kTransient] |= kFlagOperatingPoint;
        c.analysis.flags[kAc] |= kFlagOperatingPoint;
        c.analysis.dc.method2 = 0;
        c.analysis.ClearLimits();
    }
    std::string line;
    ReadNetlistLine(c, line);  // the title
    int code = 0;
    int definitionDepth = 0;
    // Texts of more than 1000 lines show their progress about a hundred times.
    int lineCount = 1;
    for (char ch : c.page->Text())
        if (ch == '\n') ++lineCount;
    const bool progress = c.statusPrompt && lineCount > 1000;
    const int progressStep = lineCount / 100;
    std::string shown;
    while (c.includes.NextLineOrPopInclude()) {
        if (progress && c.includes.depth == 0) {
            const int at = c.includes.entries[0].line;
            if (at % progressStep == 0) {
                char text[71];
                std::snprintf(text, sizeof text, "Processing SPICE Line %d of %d (%d%%)", at, lineCount,
                              static_cast<int>((at + 1) * 100.0 / lineCount));
                if (shown != text) c.statusPrompt(shown = text);
            }
        }
        code = ReadNetlistLine(c, line);
        if (code == 15007) {
            code = 0;
            continue;
        }
        if (code) break;
        if (StartsWith(line, ".SUBCKT ")) ++definitionDepth;
        if (IsEndsLine(line) && --definitionDepth < 0) {
            ReportEndsOutsideSubckt(c.tables, CurrentReadFile(c), line, CurrentReadLine(c));
            MarkErrorLine(c, CurrentReadFile(c), CurrentReadLine(c));
            code = kMsgReported;
            break;
        }
        if (line == ".END") {
            if (c.includes.depth == 0) break;
            c.includes.Pop();
            continue;
        }
        if (definitionDepth > 0 || line.empty()) continue;
        if ((code = TokenizeLine(&c.tokens, line.c_str(), 1)) != 0) break;
        if ((code = DispatchSpiceLine(c, line)) != 0) break;
    }
    if (!code) {
        if (c.polarityFlag) code = ResolveDevicePolarities(c, 1, 0);
        if (!code) MergeDuplicateCurveRows(c);
    }
    if (progress) c.statusPrompt(std::string());
    c.includes.PopAll();
    if (code) return code;
    if (c.analysisKind != -1) {
        if (c.opSeen && !c.tranSeen) c.analysis.flags[kTransient] |= kFlagOperatingPointOnly;
        SetDefaultCurveRows(c);
    }
    int index = 0;
    return AddLibraryReference(c.tables, std::string(), 0, &index, false);
}

void DefaultAnalysisTemperature(NetlistCircuit& c, double tnom) {
    std::string* text = nullptr;
    switch (c.analysisKind) {
    case kTransient: text = &c.analysis.transient.temperature; break;
    case kAc: text = &c.analysis.ac.temperature; break;
    case kDc: text = &c.analysis.dc.temperature; break;
    default: return;
    }
    if (!text->empty()) return;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", tnom);
    *text = buffer;
}

void ApplyNumberDigits(NetlistCircuit& c, int numberDigits) {
    if (c.tables.services->IsSchematic() || numberDigits <= 0 || c.runRecompile) return;
    if (c.analysisKind < 0 || c.analysisKind > 2) return;
    const std::string format = std::to_string(numberDigits) + "e";
    for (NetlistCurveRow& r : c.analysis.rows[c.analysisKind]) r.formatX = r.formatY = format;
}

void SetDefaultCurveRows(NetlistCircuit& c) {
    if (c.runRecompile || c.analysisKind < 0 || c.analysisKind > 2) return;
    auto& rows = c.analysis.rows[c.analysisKind];
    if (!rows.empty()) return;
    rows.resize(3);
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].group = '1';
        rows[i].options = kCurveLinearY | (c.analysisKind != kAc ? kCurveLinearX : 0);
        rows[i].style = static_cast<int>(i);
    }
}

void MergeDuplicateCurveRows(NetlistCircuit& c) {
    if (c.runRecompile || c.analysisKind < 0 || c.analysisKind > 2) return;
    auto& rows = c.analysis.rows[c.analysisKind];
    auto agree = [](const std::string& a, const std::string& b) { return a.empty() || b.empty() || a == b; };
    for (size_t i = 0; i < rows.size(); ++i) {
        for (size_t j = i + 1; j < rows.size();) {
            NetlistCurveRow& a = rows[i];
            const NetlistCurveRow& b = rows[j];
            if (a.x == b.x && a.y == b.y && agree(a.xRange, b.xRange) && agree(a.yRange, b.yRange)) {
                a.options |= b.options;
                if (!a.group) a.group = b.group;
                if (a.xRange.empty()) a.xRange = b.xRange;
                if (a.yRange.empty()) a.yRange = b.yRange;
                rows.erase(rows.begin() + static_cast<long>(j));
            } else {
                ++j;
            }
        }
    }
    const bool anyDigit = std::any_of(rows.begin(), rows.end(), [](const NetlistCurveRow& r) {
        return r.group >= '1' && r.group <= '9';
    });
    for (NetlistCurveRow& r : rows)
        if (r.group >= 'A' && r.group <= 'I') r.group = anyDigit ? 0 : static_cast<char>('1' + (r.group - 'A'));
    for (NetlistCurveRow& r : c.analysis.rows[kAc]) r.options = (r.options & ~kCurveLinearX) | kCurveLinearY;
}

// ---- polarities -----------------------------------------------------------------------

namespace {

bool ModelFitsPart(int partType, int modelType) {
    switch (partType) {
    case CT_NPN: case CT_NPN4: return modelType == MT_NPN || modelType == MT_PNP || modelType == MT_LPNP;
    case CT_NMOS: return modelType == MT_NMOS || modelType == MT_PMOS;
    case CT_NJFET: return modelType == MT_NJF || modelType == MT_PJF;
    default: return false;
    }
}

int ComponentTypeOfModel(int modelType) {
    switch (modelType) {
    case MT_NPN: return CT_NPN;
    case MT_PNP: case MT_LPNP: return CT_PNP;
    case MT_NMOS: return CT_NMOS;
    case MT_PMOS: return CT_PMOS;
    case MT_NJF: return CT_NJFET;
    case MT_PJF: return CT_PJFET;
    default: return -1;
    }
}

// 1 when a model matched (the part's type may have changed), 0 when none did.
int ResolvePartPolarity(NetlistCircuit& c, NetlistPart& part, int scope) {
    const std::string model = PartAttr(part, ATTR_MODEL);
    for (int s = scope; s >= 1;) {
        for (const ModelStatement& m : c.tables.models) {
            if (m.scope != s || !ModelFitsPart(part.type, m.modelType)) continue;
            if (strcasecmp(m.name.c_str(), model.c_str()) != 0) continue;
            int type = ComponentTypeOfModel(m.modelType);
            if (part.type == CT_NPN4) type = type == CT_NPN ? CT_NPN4 : CT_PNP4;
            if (type != part.type) {
                ComponentDef* def = FindOrMakeComponentDef(c, type);
                if (!def) return -1;
                part.type = type;
                part.object.def = def;
            }
            return 1;
        }
        if (s <= 1) break;
        const int owner = c.scopeInfo[s].ownerPart;
        s = owner >= 0 ? c.parts[owner].scope : 1;
    }
    return 0;
}

}  // namespace

int ResolveDevicePolarities(NetlistCircuit& c, int scope, int firstPart) {
    for (size_t i = static_cast<size_t>(firstPart); i < c.parts.size(); ++i) {
        NetlistPart& part = c.parts[i];
        if (part.scope != scope) continue;
        if (part.type != CT_NPN && part.type != CT_NMOS && part.type != CT_NJFET && part.type != CT_NPN4) continue;
        const std::string model = PartAttr(part, ATTR_MODEL);
        if (model.empty()) continue;
        int found = ResolvePartPolarity(c, part, scope);
        if (found < 0) return kMsgReported;
        if (found == 0) {
            const int pKind = part.type == CT_NMOS ? MT_PMOS : part.type == CT_NJFET ? MT_PJF : MT_PNP;
            int error = 0;
            FindModelStatement(c.tables, pKind, scope, model, &error);
            if (error) return error;
            if (ResolvePartPolarity(c, part, scope) < 0) return kMsgReported;
        }
    }
    return 0;
}

// ---- node table -----------------------------------------------------------------------

namespace {

// Names the trie cannot hold (a character outside its set, or very long names whose
// trie path would cost a node per character) are kept in a hash map instead.
bool TrieCanHold(const std::string& name) {
    if (name.empty() || name.size() > 256) return false;
    for (unsigned char ch : name)
        if (TrieSlot(ch) == 255) return false;
    return true;
}

int LookupNode(const NetlistNodeTable& t, const std::string& name) {
    if (TrieCanHold(name)) return t.trie.Lookup(name);
    auto it = t.otherNames.find(name);
    return it == t.otherNames.end() ? -1 : it->second;
}

void InsertNode(NetlistNodeTable& t, const std::string& name, int index) {
    if (TrieCanHold(name)) t.trie.Insert(name, index);
    else t.otherNames[name] = index;
}

int NewNodeEntry(NetlistNodeTable& t, const std::string& name, int scope, int forced) {
    if (t.entries.empty()) {
        t.entries.push_back({"0", 0, 1, -1});
        InsertNode(t, "0", 0);
        if (name == "0") return 0;
    }
    NodeEntry e;
    e.name = name;
    e.scope = static_cast<int16_t>(scope);
    if (forced < 0) {
        e.number = ++t.highest;
    } else {
        e.number = forced;
        t.highest = std::max(t.highest, forced);
    }
    if (t.entries.size() == t.entries.capacity())
        t.entries.reserve(t.entries.size() <= 1000 ? t.entries.size() + 100 : t.entries.size() + 1000);
    t.entries.push_back(e);
    const int index = static_cast<int>(t.entries.size()) - 1;
    InsertNode(t, name, index);
    return index;
}

bool IsGlobalNodeName(const std::string& name) {
    return name == "0" || StartsWith(name, "$G_") || name == "$D_HI" || name == "$D_LO" || name == "$D_X";
}

}  // namespace

int ResolveNodeName(NetlistCircuit& c, const std::string& nameIn, int* index, int scope, int forced, bool create,
                    bool lookupWithNumber) {
    *index = -1;
    std::string name = nameIn;
    if (!name.empty() && name[0] == '[') {
        if (name.back() != ']' || name.size() < 2) return ReportReadError(c, 11900, "]");
        name = name.substr(1, name.size() - 2);
    }
    NetlistNodeTable& t = c.nodes;
    const std::string scoped = MakeScopedName(c.tables, name, scope);
    const bool ground = name == "0";
    if (ground) {
        t.hasGround = true;
        forced = 0;
    }
    const bool notConnected = name == "$D_NC";
    if (!notConnected && !(forced > 0 && !lookupWithNumber)) {
        const int e = LookupNode(t, ground ? name : scoped);
        if (e >= 0) {
            *index = e;
            return 0;
        }
    }
    if (create) {
        *index = NewNodeEntry(t, scoped, scope, forced);
        return 0;
    }
    if (!notConnected && IsGlobalNodeName(name)) {
        if (StartsWith(name, "$G_") && scope != 1) {
            const int e = LookupNode(t, name);
            if (e >= 0) {
                if (forced >= 0 && forced != t.entries[e].number) t.ties.push_back({forced, t.entries[e].number});
                *index = e;
                return 0;
            }
        }
        if (forced <= 0) {
            const int e = LookupNode(t, name);
            if (e >= 0) {
                *index = e;
                return 0;
            }
        }
        *index = NewNodeEntry(t, name, 1, forced);
        return 0;
    }
    *index = NewNodeEntry(t, scoped, scope, forced);
    return 0;
}

int FindNodeEntry(NetlistCircuit& c, const std::string& name, int scope) {
    std::string n = name;
    if (n.size() >= 2 && n.front() == '[' && n.back() == ']') n = n.substr(1, n.size() - 2);
    for (char& ch : n) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    int e = LookupNode(c.nodes, IsGlobalNodeName(n) ? n : MakeScopedName(c.tables, n, scope));
    if (e < 0 && StartsWith(n, "$G_")) e = LookupNode(c.nodes, n);
    return e;
}

int FindNodeByName(NetlistCircuit& c, const std::string& name, int scope) {
    const int e = FindNodeEntry(c, name, scope);
    if (e >= 0) return c.nodes.entries[e].number;
    if (c.nodes.internal.empty()) return -1;
    std::string n = name;
    for (char& ch : n) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const auto it = c.nodes.internal.find(MakeScopedName(c.tables, n, scope));
    return it == c.nodes.internal.end() ? -1 : it->second;
}

bool IsDigitalPin(const NetlistPart& part, int pin) {
    if (!IsValidComponentType(part.type)) return false;
    const ComponentTypeRow& row = ComponentTypeTable[part.type];
    if (part.type == CT_DINPUT) return pin == 3;
    if (part.type == CT_DOUTPUT) return pin == 2;
    // Converters: the analog input or output, reference and ground come first.
    if (part.type == CT_ADC || part.type == CT_DAC) return pin > 2;
    if (part.type == CT_SUBCKT || part.type == CT_MACRO) {
        const ComponentDef* def = part.object.def;
        return def && pin < def->PinCount() && !def->pins[pin].text.empty() && def->pins[pin].text[0] == 'd';
    }
    return row.pinDomain == 1;
}

int RenumberNetlistNodes(NetlistCircuit& c, bool allAnalog) {
    NetlistNodeTable& t = c.nodes;
    // Ties: every number tied to another is replaced by it, in entries and pins.
    for (const auto& [a, b] : t.ties) {
        for (NodeEntry& e : t.entries)
            if (e.number == a) e.number = b;
        for (NetlistPart& p : c.parts)
            for (int& n : p.pinNodes)
                if (n == a) n = b;
    }
    t.ties.clear();
    if (t.entries.empty()) return 0;
    c.analogNodeCount = c.digitalNodeCount = 0;
    const int size = t.highest + 1;
    std::vector<std::pair<int, int>> firstUse(static_cast<size_t>(size), {-1, -1});
    for (size_t i = 0; i < c.parts.size(); ++i) {
        const NetlistPart& p = c.parts[i];
        if (p.type == CT_SUBCKT || p.type == CT_MACRO) continue;
        for (size_t k = 0; k < p.pinNodes.size(); ++k) {
            const int n = p.pinNodes[k];
            if (n >= 0 && n < size && firstUse[n].first < 0) firstUse[n] = {static_cast<int>(i), static_cast<int>(k)};
        }
    }
    std::vector<int> newNumber(static_cast<size_t>(size), 0);
    std::vector<int> kindOf(static_cast<size_t>(size), -1);
    auto assign = [&](int old, int kind) {
        kindOf[old] = kind;
        if (old == 0 && kind == 0) newNumber[old] = 0;
        else newNumber[old] = kind == 1 ? ++c.digitalNodeCount : ++c.analogNodeCount;
    };
    for (const NodeEntry& e : t.entries) {
        if (e.number < 0 || e.number >= size || kindOf[e.number] >= 0) continue;
        const auto use = firstUse[e.number];
        if (use.first < 0) continue;
        const bool digital = !allAnalog && IsDigitalPin(c.parts[use.first], use.second);
        assign(e.number, digital ? 1 : 0);
    }
    // Pins of calls decide for nodes that only calls touch.
    for (NetlistPart& p : c.parts) {
        if (p.type != CT_SUBCKT && p.type != CT_MACRO) continue;
        ComponentDef* def = p.object.def;
        for (size_t k = 0; k < p.pinNodes.size(); ++k) {
            const int n = p.pinNodes[k];
            if (n < 0 || n >= size) continue;
            if (def && k < def->pins.size() && !def->pins[k].text.empty() && def->pins[k].text[0] == '?')
                def->pins[k].text[0] = kindOf[n] == 1 ? 'd' : 'a';
            if (kindOf[n] < 0) {
                const bool digital = def && k < def->pins.size() && !def->pins[k].text.empty() &&
                                     def->pins[k].text[0] == 'd';
                assign(n, digital ? 1 : 0);
            }
        }
    }
    c.digitalHighNode = c.digitalLowNode = c.digitalUnknownNode = 0;
    for (NodeEntry& e : t.entries) {
        const bool known = e.number >= 0 && e.number < size;
        e.kind = static_cast<int16_t>(known ? kindOf[e.number] : -1);
        e.number = known ? newNumber[e.number] : 0;
        if (e.kind != 1) continue;
        if (e.name == "$D_HI") c.digitalHighNode = e.number;
        else if (e.name == "$D_LO") c.digitalLowNode = e.number;
        else if (e.name == "$D_X") c.digitalUnknownNode = e.number;
    }
    for (NetlistPart& p : c.parts) {
        for (size_t k = 0; k < p.pinNodes.size(); ++k) {
            int& n = p.pinNodes[k];
            if (n < 0 || n >= size) {
                n = 0;
                continue;
            }
            const int pinKind = IsDigitalPin(p, static_cast<int>(k)) && !allAnalog ? 1 : 0;
            n = kindOf[n] == pinKind ? newNumber[n] : 0;
        }
    }
    return 0;
}

// ---- parts by name --------------------------------------------------------------------

int InsertPartNames(NetlistCircuit& c) {
    for (size_t i = 0; i < c.parts.size(); ++i) {
        NetlistPart& p = c.parts[i];
        p.scopedName = GetScopedPartName(c.tables, p);
        c.partTrie.Insert(p.scopedName, static_cast<int>(i));
    }
    return 0;
}

int FindPartByName(NetlistCircuit& c, const std::string& nameIn, int scope) {
    std::string name = nameIn.substr(0, 100);
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const std::string key = scope < 0 || scope == 1 ? name : MakeScopedName(c.tables, name, scope);
    if (c.partTrie.InnerNodeCount() > 0) return c.partTrie.Lookup(key);
    for (size_t i = 0; i < c.parts.size(); ++i) {
        const NetlistPart& p = c.parts[i];
        if (scope >= 0 && p.scope != scope && name.find('.') == std::string::npos) continue;
        const std::string stored = p.scopedName.empty() ? GetScopedPartName(c.tables, p) : p.scopedName;
        if (strcasecmp(stored.c_str(), key.c_str()) == 0) return static_cast<int>(i);
    }
    return -1;
}

// ---- the whole read -------------------------------------------------------------------

namespace {

// The I/O level of digital parts without IO_LEVEL: the DIGIOLVL option, 2 by default.
int DefaultIoLevel(OptionTargets* options) {
    OptionTarget t;
    if (!options || !options->Find("DIGIOLVL", &t)) return 2;
    if (t.integer) return std::clamp(static_cast<int>(*t.integer), 1, 4);
    if (t.real) return std::clamp(static_cast<int>(*t.real), 1, 4);
    return 2;
}

}  // namespace

int ReadTextCircuit(NetlistCircuit& c, OptionTargets* options) {
    c.ClearCompiled();
    int code = BeginNetlistRead(c);
    if (!code) code = ReadSpiceNetlist(c);
    if (!code && options) code = ApplyOptionsStatements(c, *options, 1);
    if (!code) code = ExpandSubcktCalls(c);
    // The interface parts are calls of their own: expanded before the renumbering.
    if (!code) code = InsertMixedSignalInterfaces(c, DefaultIoLevel(options));
    if (!code) code = ExpandSubcktCalls(c);
    if (!code && options) code = ApplyOptionsStatements(c, *options, 0);
    if (!code) code = RenumberNetlistNodes(c, false);
    EndNetlistRead(c);
    return code;
}

}  // namespace ob7
