#pragma once
// The value text of a SPICE dependent source (E, F, G, H): the linear form or POLY(n)
// with its controlling inputs and coefficients, read into the record the engine loads.

#include <string>
#include <vector>

#include "netlist/netlist_circuit.h"

namespace ob7 {

enum PolySourceType : int { kPolyGIofV = 50, kPolyFIofI = 51, kPolyEVofV = 52, kPolyHVofI = 53 };

struct PolySourceRecord {
    int outPlus = 0, outMinus = 0;
    int componentType = kPolyEVofV;
    int branchEquation = 0;  // numbered by the engine
    // Element 0 unused; 1..count hold p0, p1, ... as written.
    std::vector<double> coefficients;
    int count = 0;
    int dimension = 1;
    // Entry 0 unused. E, G: controlling node pairs; F, H: source names, resolved to
    // branch equations by the engine.
    std::vector<std::pair<int, int>> nodes;
    std::vector<std::string> sources;
    std::vector<int> sourceParts;  // F, H: the controlling source parts, once resolved
    int scope = 1;
    int part = -1;
};

// Reads the value text of a part of one of the four types. 0 or 15055 (reported
// against the part).
int BuildPolySource(NetlistCircuit& c, int part, const std::string& value, PolySourceRecord& record);

// Finds the controlling sources of the F and H records: parts of that name in the
// record's scope that are SPICE voltage or current sources. 0 or 15055 (reported).
int ResolvePolyControlSources(NetlistCircuit& c, std::vector<PolySourceRecord>& records);

}  // namespace ob7
