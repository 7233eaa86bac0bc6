#pragma once
// The names a compiled circuit offers the analysis dialogs: the parts whose value a run
// can step or sweep, the model records by type and name, the symbols that hold numbers,
// and the real parameters of each model type. The Stepping dialog's lists
// (MakeStepChoices) and the Limits dialog's DC sweep combos are filled from them.

#include <string>
#include <utility>
#include <vector>

#include "analysis_ui/analysis_limits_dialog.h"

namespace ob7 {

struct NetlistCircuit;

struct CircuitChoices {
    // Parts with a compiled resistor, capacitor, inductor, SPICE source or MOSFET, in
    // circuit order.
    std::vector<std::string> valueParts;
    // The sources and resistors among them (what a DC sweep drives; capacitors and
    // inductors hold no DC value).
    std::vector<std::string> sweepParts;
    // The SPICE sources and MOSFETs among them with the instance parameters stepping
    // reaches (offered in place of "Value").
    std::vector<std::pair<std::string, std::vector<std::string>>> sourceParameters;
    // (type name, model name) of every named model record, by model type, each once.
    std::vector<std::pair<std::string, std::string>> models;
    // .DEFINE and .PARAM symbols of the circuit without arguments whose value reads as a number.
    std::vector<std::string> symbols;
    // Every symbol of the circuit as the expression menu offers it, scope by scope: a
    // function-like one with its argument names, "NAME(A,B)".
    std::vector<SymbolScope> symbolScopes;
};

// Reads the choices of a circuit compiled for a run (its device lists are in place).
CircuitChoices ReadCircuitChoices(NetlistCircuit& circuit);

// The real parameters a model of the type offers, in table order; a model of a
// transmission line only its line parameters (ZO, TD, F, NL, or R, L, G, C, LEN);
// forParts leaves out the four temperature parameters. False when the word names no
// model type.
bool ModelStepParameters(const std::string& typeName, bool forParts, std::vector<std::string>& out);

// The Limits dialog's DC sweep lists and expression menu from the same choices.
void FillLimitsChoices(const CircuitChoices& choices, LimitsDialogHost& host);

}  // namespace ob7
