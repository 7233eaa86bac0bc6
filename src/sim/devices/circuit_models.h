#pragma once
// A resolved model as the devices read it: its values by parameter index of the model
// type table (then the derived slots the temperature passes fill), the values as given,
// and what the model statement says (given flags, AKO parent). The compiler fills the
// circuit's model lists; tests build models from the type's defaults.

#include <cstdint>
#include <string>
#include <vector>

#include "netlist/model_types.h"

namespace ob7 {

struct DeviceModel {
    int type = -1;                      // ModelTypeIndex
    std::string name;
    std::vector<double> values;         // working values: restored, then converted in place
    std::vector<double> nominal;        // the values as given (defaults filled in)
    std::vector<uint8_t> given;         // one flag per parameter, set by the statement
    bool has_statement = true;          // false for a model the program made itself
    const DeviceModel* ako_parent = nullptr;
    void* owning_statement = nullptr;   // named in messages

    double& operator[](int i) { return values[i]; }
    double operator[](int i) const { return values[i]; }
    bool Given(int i) const { return values[i] != ParamNotGiven; }
};

inline bool IsGiven(double value) { return value != ParamNotGiven; }

// A model of type t with every parameter at its default (ParamNotGiven where the table
// has none) and the derived slots at 0.
DeviceModel MakeDeviceModel(int type);
// Gives a parameter by name (as a statement would): value, nominal value and given flag.
// Returns false when the type has no such parameter.
bool SetModelParam(DeviceModel& model, const char* name, double value);
// The working values start again from the given ones (before every run case).
void RestoreModelValues(DeviceModel& model);

// The circuit's model lists, one per model type (filled by the compiler, not owned).
extern std::vector<DeviceModel*> CircuitModels[ModelTypeCount];
void ClearCircuitModels();

// Set while the program runs the model pass at 27 degrees for its own use: resistances
// and reciprocal parameters then stay as the user gave them.
extern bool NominalModelPass;

}  // namespace ob7
