#pragma once
// Shared steps of the netlist reader's files (cards, dot commands, subcircuit calls).

#include <string>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "netlist/component_def_cache.h"
#include "netlist/netlist_reader.h"
#include "netlist/netlist_report.h"

namespace ob7 {

// The file name of the include entry being read.
std::string CurrentReadFile(const NetlistCircuit& c);
int CurrentReadLine(const NetlistCircuit& c);

// Reports a message about the line being read ("File:" and "Line:" lines, the part
// being made as "Part:") and marks the line as the error place; returns 15055.
template <class... Args>
int ReportReadError(NetlistCircuit& c, int code, Args... args) {
    const std::string file = CurrentReadFile(c);
    const int line = CurrentReadLine(c);
    MarkErrorLine(c, file, line);
    const std::string lineText = std::to_string(line + 1);
    std::string part;
    if (c.currentPart >= 0) part = PartAttr(c.parts[c.currentPart], 1);
    if (!part.empty())
        ReportMessage("dMMME", c.tables.services->ReportOwner(), "File:", file.c_str(), "Line:", lineText.c_str(),
                      "Part:", part.c_str(), code, args...);
    else
        ReportMessage("dMME", c.tables.services->ReportOwner(), "File:", file.c_str(), "Line:", lineText.c_str(),
                      code, args...);
    return kMsgReported;
}

// Reports a message about a part (its "Part:" name, its scope's file and its line).
template <class... Args>
int ReportPartError(NetlistCircuit& c, int part, int code, Args... args) {
    const NetlistPart& p = c.parts[part];
    const std::string file = p.scope <= 1 ? c.page->Title() : ScopeFileName(c.tables, p.scope);
    MarkErrorLine(c, file, p.line);
    const std::string lineText = std::to_string(p.line + 1);
    const std::string name = PartAttr(p, 1);
    ReportMessage("dMMME", c.tables.services->ReportOwner(), "File:", file.c_str(), "Line:", lineText.c_str(),
                  "Part:", name.c_str(), code, args...);
    return kMsgReported;
}

// Card parts.
int NewCardPart(NetlistCircuit& c, int type, int* nodeCount);
int CreateCardPart(NetlistCircuit& c, int type, int* index, int nodeCount);
int ParseCardNode(NetlistCircuit& c, int* index, int pin);
// The circuit's definition of that type, else a loaded library's; null when neither has one.
ComponentDef* FindComponentDef(NetlistCircuit& c, int type);
// A new definition in the circuit's own list, named from the type's letter and a counter.
ComponentDef* CreateCardComponentDef(NetlistCircuit& c, int type);
// FindComponentDef, else a definition made once for the circuit and shared by type.
ComponentDef* FindOrMakeComponentDef(NetlistCircuit& c, int type);
void SubstituteOptionalNode(NetlistCircuit& c, std::string& token);
std::string JoinValueTokens(const NetlistCircuit& c, int index);
int ParseUCard(NetlistCircuit& c);
int DispatchDeviceCard(NetlistCircuit& c, char letter, bool* known);
// '{'..'}' group (or a single token) at *index as text: braces become parentheses.
int ParseBraceValue(NetlistCircuit& c, int* index, std::string& out);
int HandleDotInclude(NetlistCircuit& c, const std::string& line);

}  // namespace ob7
