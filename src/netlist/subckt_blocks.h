#pragma once
// The text of a subcircuit definition as editors fetch or replace it: its header's
// parameter sections, its file, or its whole block.

#include <string>

#include "netlist/netlist_circuit.h"

namespace ob7 {

// Where a definition was found: the file ("" for the circuit's own page), the byte range
// from its header to the line end after its ".ENDS", and its header line.
struct SubcktBlock {
    std::string file;
    bool inPage = false;
    size_t start = 0, end = 0;
    int startLine = 0;
    std::string header;  // the logical header line, upper case
    std::string text;    // the block as written
};

// Finds the definition a Subckt part calls: in the circuit's page, then in the model
// libraries. False when there is none.
bool FindSubcktBlock(NetlistCircuit& c, const NetlistPart& part, SubcktBlock& block);

// The section of a definition: PARAMS: (from "PARAMS:", cut before "TEXT:" and
// "OPTIONAL:"), TEXT: (likewise), FILE (the file it was found in); "" when none.
std::string GetSubcktSection(NetlistCircuit& c, const NetlistPart& part, int attributeId);
// The whole block; "" when the definition is nowhere.
std::string GetSubcktBlockText(NetlistCircuit& c, const NetlistPart& part, size_t* start, size_t* end);
// Replaces the definition by a new text: in place when it lives in the circuit's page,
// else the text is appended before the page's ".END". False when there was none.
bool ReplaceSubcktBlock(NetlistCircuit& c, const NetlistPart& part, const std::string& text);

}  // namespace ob7
