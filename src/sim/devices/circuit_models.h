#pragma once
// The circuit's models as the device kinds read them: the netlist's resolved records
// (ModelParams), one list per model type, that the model and temperature passes walk.
// The compiler fills the lists; tests build records with MakeModelParams.

#include <vector>

#include "netlist/model_types.h"
#include "netlist/model_values.h"

namespace ob7 {

inline bool IsGiven(double value) { return value != ParamNotGiven; }

// The working values of a model as doubles, by parameter index then derived slot: every
// parameter of an analog device model is a real, and a slot is one double wide.
static_assert(sizeof(ModelValueSlot) == sizeof(double));
inline double* ModelReals(ModelParams& model) { return reinterpret_cast<double*>(model.values.data()); }
inline const double* ModelReals(const ModelParams& model) {
    return reinterpret_cast<const double*>(model.values.data());
}

// The circuit's model lists, one per model type (filled by the compiler, not owned).
extern std::vector<ModelParams*> CircuitModels[ModelTypeCount];
void ClearCircuitModels();

// Set while the program runs the model pass at 27 degrees for its own use: resistances
// and reciprocal parameters then stay as the user gave them.
extern bool NominalModelPass;

}  // namespace ob7
