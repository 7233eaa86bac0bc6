// The record of the first error place of a compile.

#include "netlist/compiler/compile_error_source.h"

#include "netlist/netlist_circuit.h"

namespace ob7 {

CompileErrorSource ErrorSource;

void ClearErrorSource() { ErrorSource = {}; }

void MarkPartErrorSource(NetlistCircuit& circuit, int part) {
    if (ErrorSource.state != 0 || part < 0 || part >= static_cast<int>(circuit.parts.size())) return;
    const NetlistPart& p = circuit.parts[static_cast<size_t>(part)];
    ErrorSource.part = part;
    ErrorSource.line = p.line;
    ErrorSource.file = circuit.errorFile;
    // A part with a page is shown on its schematic; a card is a line of its text.
    ErrorSource.state = p.object.page >= 0 ? 1 : 3;
}

}  // namespace ob7
