#pragma once
// The SPICE netlist reader: a text circuit's page read line by line into card parts,
// statement lines, model statements, defines and the analysis set-up; subcircuit calls
// expanded scope by scope; the node table renumbered into analog and digital nodes.

#include <string>

#include "netlist/netlist_circuit.h"

namespace ob7 {

// Prepares a read: counters, definition counter, token list, include stack.
int BeginNetlistRead(NetlistCircuit& c);
void EndNetlistRead(NetlistCircuit& c);

// Reads the circuit's text page. 0 or a message code (15055 once reported).
int ReadSpiceNetlist(NetlistCircuit& c);
// Interprets the line held in the token list. 0 or a message code.
int DispatchSpiceLine(NetlistCircuit& c, const std::string& line);
int DispatchDotCommand(NetlistCircuit& c, const std::string& line);
// Reads one logical line of the include entry at the current depth.
int ReadNetlistLine(NetlistCircuit& c, std::string& out);
// Records where the current error lies (file and 0-based line).
void MarkErrorLine(NetlistCircuit& c, const std::string& file, int line);
// Switches NPN/NMOS/NJFET parts of a scope to their P kind when their model says so.
int ResolveDevicePolarities(NetlistCircuit& c, int scope, int firstPart);
void MergeDuplicateCurveRows(NetlistCircuit& c);
void SetDefaultCurveRows(NetlistCircuit& c);

// Set-up steps after a read: an empty temperature of the current analysis becomes TNOM
// ("%g"); with NUMDGT above 0 (text circuits, not while a run recompiles) the number
// formats of the current analysis's curves become "<digits>e".
void DefaultAnalysisTemperature(NetlistCircuit& c, double tnom);
void ApplyNumberDigits(NetlistCircuit& c, int numberDigits);

// Expands every subcircuit call, the calls made by expanded bodies too, then
// renumbers the nodes. 0 or a message code.
int ExpandSubcktCalls(NetlistCircuit& c);
int ExpandSubcktCall(NetlistCircuit& c, int part);

// The whole read of a text circuit: BeginNetlistRead, ReadSpiceNetlist, the expansion
// of the calls and the renumbering, EndNetlistRead. With `options`, the .OPTIONS
// statements of the main circuit go there before the expansion (DIGIOLVL chooses the
// mixed-signal interfaces) and those of the subcircuits after it.
int ReadTextCircuit(NetlistCircuit& c, OptionTargets* options = nullptr);

// Node table.
int ResolveNodeName(NetlistCircuit& c, const std::string& name, int* index, int scope, int forced, bool create,
                    bool lookupWithNumber);
// The node number of a name in a scope (a node of the circuit, else an internal node of
// the last compile), -1 when unknown.
int FindNodeByName(NetlistCircuit& c, const std::string& name, int scope);
// The node table entry of a name in a scope, -1 when unknown.
int FindNodeEntry(NetlistCircuit& c, const std::string& name, int scope);
int RenumberNetlistNodes(NetlistCircuit& c, bool allAnalog);
// Whether the part's pin is a digital pin.
bool IsDigitalPin(const NetlistPart& part, int pin);

// The part of that name in a scope (-1 anywhere), or -1.
int FindPartByName(NetlistCircuit& c, const std::string& name, int scope);
// Enters every named part in the part-name trie.
int InsertPartNames(NetlistCircuit& c);

// 2 DC, 1 AC or NOISE, 0 TRAN, -1 otherwise.
int AnalysisTypeFromName(const std::string& name);

// .IC and .NODESET: resolves every collected statement. 0 or 15055.
int ResolveInitialConditions(NetlistCircuit& c);

// .OPTIONS statement lines of the pass (1: scopes 0 and 1; 0: the others). 0 or 15055.
int ApplyOptionsStatements(NetlistCircuit& c, OptionTargets& targets, int pass);
// Writes an option's new value (formatted by the caller) into every .OPTIONS statement
// of the text page that names it, each rewritten as one upper-case line; without one, a
// new ".OPTIONS NAME=value" line goes before the ".END" line.
void WriteOptionsStatement(NetlistCircuit& c, const std::string& name, const std::string& value);
// Unknown option names of the last application (compile warnings of kind 4).
inline constexpr int kWarningUnknownOption = 4;

// A line of the dot-command table: name without the dot, help code and flags (1 schematic
// text, 2 SPICE text, 4 also inside subcircuits and libraries).
struct DotCommandInfo {
    const char* name;
    int code;
    int flags;
};
// The record of that name (upper case, without the dot), or null.
const DotCommandInfo* FindDotCommand(const std::string& name);
const DotCommandInfo* DotCommandAt(int index);
inline constexpr int kDotCommandCount = 36;

}  // namespace ob7

namespace ob7 {

// CheckPartName flags.
enum PartNameCheckFlags : int {
    kCheckDuplicate = 0x02, kCheckCharacters = 0x08, kCheckReport = 0x20, kCheckAllowDot = 0x40,
    kCheckLabel = 0x80, kCheckNoReserved = 0x100,
};
// Non-zero when the name is bad (reported as the flags say); `part` (or -1) is the part
// the name belongs to, `compiling` false while a circuit is only expanded. A "Yes" to
// the rename question sets `renamePending`.
int CheckPartName(NetlistCircuit& c, const std::string& name, int scope, int flags, int part, bool compiling,
                  bool* renamePending);

}  // namespace ob7
