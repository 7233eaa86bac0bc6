#pragma once
// Conversions applied to circuits read from the old line layout (versions 4 and 5.0x):
// graphic styles, version-4 part values, curve expressions and colours.

#include "circuit/circuit_document.h"

#include <cstdint>
#include <string>

namespace ob7 {

// A 5.0x graphic object's style word: bits 4-6 are the line pattern; for closed kinds
// bit 0 means filled with `fillColour`; bits 2 and 3 are the weights 2 and 3. The
// bits taken are cleared from the word.
void ConvertOldGraphicStyle(uint16_t& styleWord, LineStyle& style, uint8_t fillColour);

// A word-initial "D(" (any case) becomes "Del(".
std::string RenameOldDerivative(const std::string& text);

// A word of node names joined by '+' and '-' as node voltages: "OUT" gives "v(OUT)",
// "A-B" gives "v(A)-v(B)".
std::string SplitNodeDifference(const std::string& word);

// A version-4 X or Y curve expression in the current form: "db(A-B)" becomes
// "db(v(A,B))", a bare node word (not a function name) becomes its node voltages; any
// other expression comes back as it was.
std::string ConvertVersion4CurveExpression(const std::string& expression);

// The run-option bits of a version-4 option-letter string of an analysis (0 transient,
// 1 AC, 2 DC); `acExtra` receives the "1b"/"1c" bits that belong to the AC word.
int32_t Version4OptionBits(const std::string& letters, int analysis, int32_t& acExtra);

// Version-4 resistor, inductor and capacitor values: temperature coefficients and LOT
// words of VALUE become a .MODEL statement appended to the text area, named after the
// model type and `modelNumber` (raised before each use); MODEL is set to that name.
void ConvertVersion4Values(CircuitDocument& doc, CircuitObject& part, int& modelNumber);

// Replaces the Short part at `index` by a wire between its two rotated pin positions.
// False when the part has not two pins.
bool ConvertShortToWire(CircuitDocument& doc, size_t index);

// Version-4 grid-text statements: a .DEFINE whose name no other statement text uses is
// commented out ("*" for its "."), repeatedly; such texts and every .MODEL text move from
// the schematic to the end of the text area, and a note grid text says so.
void MoveVersion4Statements(CircuitDocument& doc);

// Fill colours become "none" and the schematic's graphic objects take the document's
// default object colour.
void ResetVersion4Colours(CircuitDocument& doc);

}  // namespace ob7
