#pragma once
// Refresh Models of a text circuit: the models and subcircuits that its parts take from
// the model libraries are copied into its text page (before ".END"), each after a
// comment naming the library file; with "Update", local copies are replaced by the
// libraries' current text.

#include <string>

#include "netlist/netlist_circuit.h"

namespace ob7 {

struct RefreshChoice {
    bool modelStatements = true;
    bool subcircuits = true;
    bool update = true;  // false: "Add" (missing ones only)
};

// 0 or the message code of the preparation (reported); nothing is changed on failure.
int RefreshModels(NetlistCircuit& c, const RefreshChoice& choice);
// Inserts the model's statement text before the page's ".END" line and makes the
// statement local to the circuit.
void InsertModelText(NetlistCircuit& c, const std::string& name, int kind);
// Adds count to the line of every statement of the page that lies after `line`.
void ShiftTextLineRefs(NetlistCircuit& c, int line, int count);

}  // namespace ob7
