#pragma once
// Instance options written SPICE-style in one attribute text ("Z0=50 TD=10n",
// "2 OFF IC=0.6,5") matched against a short template that describes the accepted
// syntax, with the values evaluated and stored through a list of outputs.
//
// Template language: a keyword (letters, digits, "_") matches an input word ignoring
// case; a keyword written directly before a conversion ("OFF%d") is a flag that stores
// 1 when present; "=" and "," must follow a matched keyword; conversions "%g" and "%f"
// store a double, "%t" a GivenValue, "%d" an int, "%*" skips one input token; "[...]"
// is optional (items nest); "<...>" lets the items inside come in any order; ";" ends.

#include <cstdint>
#include <initializer_list>
#include <string>

namespace ob7 {

struct NetlistCircuit;

// The output of "%t": a value and whether the text gave it.
struct GivenValue {
    double value = 0;
    int32_t given = 0;
};

// Matches the input text of a part against the template, one output per conversion in
// template order (a double*, GivenValue* or int* by its letter; "%*" takes none).
// Outputs that the input does not give keep what the caller stored. An empty input
// returns 0 at once. Values pass the part scope's defines and may be expressions.
// Returns 0 (a word left over is only a warning) or 15055 after the reported error.
int ParseValueTemplate(NetlistCircuit& circuit, int part, const char* templateText, const std::string& input,
                       std::initializer_list<void*> outputs);

}  // namespace ob7
