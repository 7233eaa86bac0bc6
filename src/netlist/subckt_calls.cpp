// Subcircuit calls: every Subckt part opens a scope, finds its .SUBCKT definition in the
// calling text, its FILE or the libraries, binds the header to the call and reads the
// body in the new scope, where further calls become parts that are expanded in turn.

#include <cstring>
#include <set>

#include "circuit/attribute_ids.h"
#include "expression/compiler.h"
#include "expression/expression.h"
#include "foundation/paths.h"
#include "libraries/component_types.h"
#include "netlist/library_index.h"
#include "netlist/netlist_read_internal.h"

namespace ob7 {

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// Reads NAME = value at *index into the attribute "$<prefix><section> NAME".
int DefineSubcktParam(NetlistCircuit& c, int part, char prefix, char section, int* index) {
    const std::string name = c.Token(*index);
    auto report = [&](int code, const char* a, const char* b) {
        return prefix == 'X' ? ReportPartError(c, part, code, a, b) : ReportReadError(c, code, a, b);
    };
    if (c.Token(*index + 1) != "=") return report(11901, "=", name.c_str());
    *index += 2;
    if (!c.Token(*index)[0]) return report(11901, "<value>", name.c_str());
    std::string value;
    if (int code = ParseBraceValue(c, index, value)) return code;
    // A call's value is read in the caller's scope; a PARAMS: value must be an expression.
    // An export keeps the values as written.
    if (prefix == 'X' && !c.exporting) {
        std::string substituted;
        if (SubstituteDefines(c.tables, substituted, c.parts[part].scope, value, true)) return kMsgReported;
        value = substituted;
        if (section == 'P') {
            CompiledExpression e;
            InitCompiledExpression(&e);
            ExpressionCompiler compiler;
            InitExpressionCompiler(&compiler, value, &e, 0x7, kKindFlagsAnalog);
            compiler.scope = c.parts[part].scope;
            compiler.pending_mode = 1;
            const int code = CompileExpression(&compiler);
            FreeExpression(&e);
            if (code) return ReportPartError(c, part, kMsgPending);
        }
    }
    const std::string attr = std::string("$") + prefix + section + " " + name;
    NetlistPart& p = c.parts[part];
    if (p.object.FindAttrByName(attr)) return report(10929, name.c_str(), value.c_str());
    p.object.SetAttrByName(attr, value);
    return 0;
}

// Splits an attribute's text into the token list and reads NAME=value pairs of a call.
int ReadCallParams(NetlistCircuit& c, int part, int attr, char section) {
    const std::string text = PartAttr(c.parts[part], attr);
    if (Trim(text).empty()) return 0;
    std::string substituted = text;
    if (!c.exporting || section == 'T') {
        const bool saved = c.tables.defines.bracesOnly;
        c.tables.defines.bracesOnly = true;
        const int code = SubstituteDefines(c.tables, substituted, c.parts[part].scope, text, false);
        c.tables.defines.bracesOnly = saved;
        if (code) return code;
    }
    std::string upper = substituted;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (int code = TokenizeLine(&c.tokens, upper.c_str(), 1)) return code;
    for (int i = 0; c.Token(i)[0];) {
        if (c.Token(i) == ",") {
            ++i;
            continue;
        }
        if (int code = DefineSubcktParam(c, part, 'X', section, &i)) return code;
    }
    return 0;
}

int BindPin(NetlistCircuit& c, int part, int scope, int pin, const std::string& name) {
    NetlistPart& p = c.parts[part];
    c.scopeInfo[scope].pinMap[pin] = pin;
    int entry = 0;
    if (int code = ResolveNodeName(c, name, &entry, scope, p.pinNodes[pin], true, false)) return code;
    c.parts[part].object.SetAttrByName("$Param " + name, "");
    return 0;
}

int BindSubcktCall(NetlistCircuit& c, int part, int scope, const std::string& subckt) {
    const int pins = static_cast<int>(c.parts[part].pinNodes.size());
    c.scopeInfo[scope].pinMap.assign(static_cast<size_t>(pins), -1);
    int bound = 0, positional = 0;
    char section = 0;
    std::vector<std::string> optionalNames;
    std::set<std::string> used;
    for (int i = 2; c.Token(i)[0];) {
        const std::string t = c.Token(i);
        if (t == ",") {
            ++i;
            continue;
        }
        if (t == "OPTIONAL:" || t == "PARAMS:" || t == "TEXT:") {
            section = t[0];
            ++i;
            continue;
        }
        if (!section) {
            ++positional;
            if (bound < pins) {
                if (t == "0") {
                    const ComponentDef* def = c.parts[part].object.def;
                    std::string caller = def && bound < def->PinCount() ? def->pins[bound].text : std::string();
                    if (!caller.empty()) caller.erase(0, 1);
                    return ReportReadError(c, 10953, caller.c_str());
                }
                if (int code = BindPin(c, part, scope, bound++, t)) return code;
            }
            ++i;
            continue;
        }
        if (section == 'O') {
            optionalNames.push_back(t);
            if (int code = DefineSubcktParam(c, part, '.', 'O', &i)) return code;
            continue;
        }
        const char letter = section == 'P' ? 'P' : 'T';
        if (int code = DefineSubcktParam(c, part, '.', letter, &i)) return code;
        NetlistPart& p = c.parts[part];
        std::string value = PartAttrByName(p, std::string("$.") + letter + " " + t);
        const std::string callAttr = std::string("$X") + letter + " " + t;
        if (p.object.FindAttrByName(callAttr)) {
            value = PartAttrByName(p, callAttr);
            used.insert(callAttr);
            // The header attribute holds the value in force for this call.
            p.object.SetAttrByName(std::string("$.") + letter + " " + t, value);
        }
        if (AddDefine(c.tables, t, nullptr, value, scope, StatementOrigin{}, 4, 0, std::string()))
            return kMsgReported;
        auto& row = c.tables.defines.rows[scope];
        if (!row.empty()) row.back().macroParam = true;
    }
    const std::string file = ScopeFileName(c.tables, scope);
    if (positional > pins)
        return ReportMessage("dMME", c.tables.services->ReportOwner(), "Macro File:", file.c_str(), "Part:",
                             PartAttr(c.parts[part], ATTR_PART).c_str(), 10919, subckt.c_str()),
               kMsgReported;
    for (const std::string& name : optionalNames) {
        NetlistPart& p = c.parts[part];
        const std::string attr = "$.O " + name;
        if (bound < pins) {
            if (int code = BindPin(c, part, scope, bound++, name)) return code;
            auto& attrs = c.parts[part].object.attrs;
            for (size_t k = 0; k < attrs.size(); ++k)
                if (attrs[k].Name() == attr) {
                    attrs.erase(attrs.begin() + static_cast<long>(k));
                    break;
                }
        } else {
            const std::string fallback = PartAttrByName(p, attr);
            int entry = 0;
            if (int code = ResolveNodeName(c, fallback, &entry, scope, -1, false, false)) return code;
            const int number = c.nodes.entries[entry].number;
            if (int code = ResolveNodeName(c, name, &entry, scope, number, true, false)) return code;
        }
    }
    if (bound < pins)
        return ReportMessage("dMME", c.tables.services->ReportOwner(), "Macro File:", file.c_str(), "Part:",
                             PartAttr(c.parts[part], ATTR_PART).c_str(), 10909, subckt.c_str()),
               kMsgReported;
    if (!c.parts[part].skipParamCheck) {
        for (const AttrNode& a : c.parts[part].object.attrs) {
            const std::string n = a.Name();
            if ((StartsWith(n, "$XP ") || StartsWith(n, "$XT ")) && !used.count(n))
                return ReportPartError(c, part, 10930, n.substr(4).c_str());
        }
    }
    return 0;
}

int CheckRecursion(NetlistCircuit& c, int scope) {
    const std::string& title = c.tables.scopes[scope].title;
    int owner = c.scopeInfo[scope].ownerPart;
    for (int s = owner >= 0 ? c.parts[owner].scope : 0; s > 1;) {
        if (strcasecmp(c.tables.scopes[s].title.c_str(), title.c_str()) == 0)
            return ReportPartError(c, owner, 10878, title.c_str());
        const int up = c.scopeInfo[s].ownerPart;
        if (up < 0) break;
        s = c.parts[up].scope;
    }
    return 0;
}

// The text a scope's lines come from: the page for scope 1, else the file of the scope.
int OpenScopeText(NetlistCircuit& c, int scope, NetlistLineSource& src, size_t begin, size_t end, int line) {
    if (scope <= 1) {
        src.OpenOnText(c.page->Text(), c.page->Title(), begin, end, line);
        src.window = c.page;
        return 0;
    }
    const std::string& file = c.tables.scopes[scope].filePath;
    if (file == c.page->Title()) {
        src.OpenOnText(c.page->Text(), c.page->Title(), begin, end, line);
        src.window = c.page;
        return 0;
    }
    return src.OpenFile(file, begin, end, line);
}

}  // namespace

int ExpandSubcktCall(NetlistCircuit& c, int part) {
    const size_t lastPart = c.parts.size();
    c.polarityFlag = false;
    const int scope = static_cast<int>(c.tables.scopes.size());
    GrowScopeTable(c.tables, scope);
    c.scopeInfo.resize(c.tables.scopes.size());
    const int callerScope = c.parts[part].scope;
    c.parts[part].openedScope = scope;
    const int savedScope = c.currentScope;
    c.currentScope = callerScope;
    c.currentPart = part;
    int code = ReadCallParams(c, part, ATTR_PARAMS, 'P');
    if (!code) code = ReadCallParams(c, part, ATTR_TEXT_PARAMS, 'T');
    if (code) {
        c.currentScope = savedScope;
        return code;
    }
    std::string name;
    code = SubstituteDefines(c.tables, name, callerScope, PartAttr(c.parts[part], ATTR_NAME), false);
    if (code) return code;
    name = Trim(name);
    ScopeEntry& entry = c.tables.scopes[scope];
    entry.kind = kScopeText;
    entry.parentScope = callerScope;
    entry.title = name;
    const std::string partName = PartAttr(c.parts[part], ATTR_PART);
    entry.scopeName = callerScope <= 1 ? partName : c.tables.scopes[callerScope].scopeName + "." + partName;
    for (char& ch : entry.scopeName) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    entry.filePath = callerScope <= 1 ? c.page->Title() : c.tables.scopes[callerScope].filePath;
    SubcktScopeInfo& info = c.scopeInfo[scope];
    info.ownerPart = part;
    info.subcktName = name;

    // Where to read: the calling scope's text, or the body that nests the definition,
    // or a range found by an earlier call of the same name.
    size_t begin = 0, end = std::string::npos;
    int firstLine = 0;
    int textScope = callerScope;
    const SubcktScopeInfo& caller = c.scopeInfo[callerScope];
    bool nested = false;
    for (const std::string& n : caller.nestedNames)
        if (n == name) nested = true;
    if (callerScope > 1 && nested) {
        begin = caller.start + 8;
        end = caller.end;
        firstLine = caller.startLine;
        info.level = caller.level + 1;
    } else {
        const auto known = c.positionedScopes.find(name);
        for (int s : known == c.positionedScopes.end() ? std::vector<int>() : known->second) {
            const SubcktScopeInfo& other = c.scopeInfo[s];
            if (other.level <= caller.level) {
                begin = other.start;
                end = other.end;
                firstLine = other.startLine;
                entry.filePath = c.tables.scopes[s].filePath;
                textScope = s;
                break;
            }
        }
    }
    c.includes.PopAll();
    c.includes.depth = 0;
    NetlistLineSource& src = c.includes.entries[0];
    code = OpenScopeText(c, textScope, src, begin, end, firstLine);
    if (code) {
        c.includes.depth = -1;
        c.currentScope = savedScope;
        return ReportReadError(c, code, entry.filePath.c_str());
    }
    c.currentScope = scope;
    int level = 0;
    bool found = false;
    bool triedFile = false, triedLibrary = false;
    std::string line;
    for (;;) {
        if (!c.includes.NextLineOrPopInclude()) {
            if (found) {
                c.errorFile = entry.filePath;
                c.errorLine = info.startLine;
                c.errorPosition = info.start;
                ReportMessage("dMME", c.tables.services->ReportOwner(), "File:", entry.filePath.c_str(), "Line:",
                              std::to_string(info.startLine + 1).c_str(), 10918, name.c_str());
                code = kMsgReported;
                break;
            }
            // The file the call names (a schematic's subcircuit part, or a call whose FILE
            // was changed) is searched next, as a library of the circuit.
            if (!triedFile) {
                triedFile = true;
                std::string file;
                if ((code = SubstituteDefines(c.tables, file, callerScope, PartAttr(c.parts[part], ATTR_FILE), false)))
                    break;
                file = Trim(file);
                std::string path = file;
                if (!file.empty() && strcasecmp(file.c_str(), entry.filePath.c_str()) != 0 &&
                    ResolveFilePath(path, kLibraryPath) == 0) {
                    const std::string existing = FindExistingPathNoCase(path);
                    if (!existing.empty()) path = existing;
                    int index = 0;
                    if ((code = AddLibraryReference(c.tables, path, 0, &index, false)) != 0) break;
                    c.includes.PopAll();
                    c.includes.depth = 0;
                    if (c.includes.entries[0].OpenFile(path) == 0) {
                        entry.filePath = path;
                        level = 0;
                        continue;
                    }
                    c.includes.depth = -1;
                }
            }
            if (!triedLibrary) {
                triedLibrary = true;
                int error = 0;
                LibrarySearchResult result;
                const long position = FindModelOrSubckt(c.tables, 0, name, kFindSubckt, &error, &result);
                if (error) {
                    code = error;
                    break;
                }
                if (position >= 0 && !result.fileName.empty()) {
                    entry.filePath = result.fileName;
                    c.includes.PopAll();
                    c.includes.depth = 0;
                    if ((code = OpenLibrarySource(c.includes.entries[0], result.fileName, static_cast<size_t>(position),
                                                  std::string::npos, result.line)) != 0) {
                        c.includes.depth = -1;
                        break;
                    }
                    level = 0;
                    continue;
                }
            }
            code = ReportPartError(c, part, 10903, name.c_str());
            break;
        }
        code = ReadNetlistLine(c, line);
        if (code == 15007) {
            code = 0;
            continue;
        }
        if (code) break;
        if (StartsWith(line, ".SUBCKT ")) {
            ++level;
            if ((code = TokenizeLine(&c.tokens, line.c_str(), 1)) != 0) break;
            if (found && level == 2) info.nestedNames.push_back(c.Token(1));
            if (!found && level == 1 && c.Token(1) == name) {
                found = true;
                info.positioned = true;
                info.start = c.includes.Top().logicalPosition;
                info.startLine = CurrentReadLine(c);
                if (c.includes.depth > 0) entry.filePath = CurrentReadFile(c);
                c.currentPart = part;
                if ((code = BindSubcktCall(c, part, scope, name)) != 0) break;
                continue;
            }
            continue;
        }
        if (line == ".ENDS" || StartsWith(line, ".ENDS ")) {
            if (--level < 0) {
                ReportEndsOutsideSubckt(c.tables, CurrentReadFile(c), line, CurrentReadLine(c));
                code = kMsgReported;
                break;
            }
            if (found && level == 0) {
                info.end = c.includes.Top().pos;
                auto& list = c.positionedScopes[name];
                if (list.size() < 4) list.push_back(scope);
                break;
            }
            continue;
        }
        const bool dispatch = found ? level == 1 : (level == 0 && StartsWith(line, ".INC"));
        if (!dispatch || line.empty()) continue;
        if ((code = TokenizeLine(&c.tokens, line.c_str(), 1)) != 0) break;
        if ((code = DispatchSpiceLine(c, line)) != 0) break;
    }
    c.includes.PopAll();
    c.currentScope = savedScope;
    if (code) return code;
    if (c.polarityFlag)
        if ((code = ResolveDevicePolarities(c, scope, static_cast<int>(lastPart))) != 0) return code;
    return CheckRecursion(c, scope);
}

int ExpandSubcktCalls(NetlistCircuit& c) {
    for (size_t i = 0; i < c.parts.size(); ++i) {
        if (c.parts[i].type != CT_SUBCKT || c.parts[i].openedScope >= 0) continue;
        if (int code = ExpandSubcktCall(c, static_cast<int>(i))) return code;
    }
    return 0;
}

}  // namespace ob7
