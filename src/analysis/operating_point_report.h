#pragma once
// The operating point of a compiled text circuit as the numeric output prints it: node
// voltages of the main circuit, inductor currents, and the device tables filled from the
// device records of the engine's last solution.

#include <string>
#include <vector>

#include "analysis/numeric_output.h"

namespace ob7 {

struct NetlistCircuit;

// Region names of the device tables: 1 "SAT" .. 7 "WEAK"; any other code is empty.
const char* GetRegionName(int region);

OperatingPointReport CollectOperatingPoint(const NetlistCircuit& circuit);

// The compile warnings of the circuit as the report lines them (unknown and duplicated
// model parameters, unknown options).
std::vector<std::string> ModelWarningLines(const NetlistCircuit& circuit);

// The temperature warnings of the run: model name and temperature.
std::vector<NamedValue> TemperatureWarnings();

}  // namespace ob7
