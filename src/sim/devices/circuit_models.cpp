#include "sim/devices/circuit_models.h"

#include "sim/devices/mosfet_preparation.h"

namespace ob7 {

std::vector<ModelParams*> CircuitModels[ModelTypeCount];
bool NominalModelPass = false;

void ClearCircuitModels() {
    for (auto& list : CircuitModels) list.clear();
    // Their warnings name them: a new compile starts without.
    ClearNegativePotentialWarnings();
}

}  // namespace ob7
