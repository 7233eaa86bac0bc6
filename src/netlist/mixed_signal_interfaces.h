#pragma once
// Where analog and digital pins share a node, the digital pins move to a node of their
// own and an A-to-D or D-to-A interface subcircuit call joins the two; the subcircuit
// names come from the digital part's I/O model by its I/O level.

#include <string>

#include "netlist/netlist_circuit.h"

namespace ob7 {

// Splits every mixed node of the read circuit (before renumbering) and adds the interface
// and digital power calls. `defaultIoLevel` stands for an empty IO_LEVEL (DIGIOLVL).
// 0, 15002, or 15055 once reported.
int InsertMixedSignalInterfaces(NetlistCircuit& c, int defaultIoLevel);

// 1 when `key` occurs in the text preceded by a blank or ':' and followed by a blank, '='
// or ';'.
int HasParamKey(const std::string& text, const std::string& key);

}  // namespace ob7
