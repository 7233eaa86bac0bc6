#pragma once
// Model values as text: single values for display and for .MODEL statements, whole
// statements, and the value checks with their messages.

#include <cstdint>
#include <string>

#include "netlist/model_types.h"

namespace ob7 {

// While the part attribute dialog of a schematic is open the user may be switching a
// MOSFET's parameter set, so the strict LEVEL rule of the level-4/5/8 sets is relaxed.
extern bool ModelAttributeDialogOpen;

// A kind-1 value for display: "undefined" when not given, else 15 significant digits
// in engineering form.
std::string FormatModelValue(double value);

// One value as written into a .MODEL statement: a number (6 significant digits, or
// "undefined"), a state character in double quotes ("" when empty), or a text in double
// quotes (at most 32 characters).
std::string FormatModelParamText(const ModelValueSlot* values, int index, int modelType);

// Checks value slot `value` of parameter `index` of `modelType`. A violation is
// reported (when `report`) with the model header text and the scope's file, and gives
// 15055; a pass gives 0. `levelRange` restricts an NMOS/PMOS LEVEL to 1..3.
int CheckModelParamValue(bool report, int scope, int index, int modelType,
                         const ModelValueSlot* value, const char* header, bool levelRange);

// Options of FormatModelStatement.
enum : int {
    kModelTextContinuation = 2,  // continued lines start with "+ "
    kModelTextGivenOnly = 4,     // only the parameters whose given flag is set
};

// ".MODEL name TYPE (A=1 B=2 ...)" with line breaks ("\r\n") before a line would pass
// `width` characters. `given` and `overrides` may be null; an override text replaces a
// value's text.
std::string FormatModelStatement(int modelType, int options, const ModelValueSlot* values, int count,
                                 const char* name, const uint8_t* given, const char* const* overrides,
                                 int width);

}  // namespace ob7
