#include "sim/devices/circuit_models.h"

namespace ob7 {

std::vector<ModelParams*> CircuitModels[ModelTypeCount];
bool NominalModelPass = false;

void ClearCircuitModels() {
    for (auto& list : CircuitModels) list.clear();
}

}  // namespace ob7
