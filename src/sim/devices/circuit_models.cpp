#include "sim/devices/device_model.h"

#include <algorithm>

namespace ob7 {

std::vector<DeviceModel*> CircuitModels[ModelTypeCount];
bool NominalModelPass = false;

DeviceModel MakeDeviceModel(int type) {
    const ModelTypeInfo& row = ModelTypeRow(type);
    DeviceModel model;
    model.type = type;
    const int stored = std::max({row.storedCount, row.valueCount, row.paramCount});
    model.values.assign(stored, 0.0);
    model.given.assign(stored, 0);
    for (int i = 0; i < row.valueCount && row.params; ++i)
        if (row.params[i].kind == kParamReal) model.values[i] = row.params[i].defaultValue.real;
    model.nominal = model.values;
    return model;
}

bool SetModelParam(DeviceModel& model, const char* name, double value) {
    const int i = FindModelParam(model.type, name);
    if (i < 0 || i >= static_cast<int>(model.values.size())) return false;
    model.values[i] = model.nominal[i] = value;
    model.given[i] = 1;
    return true;
}

void RestoreModelValues(DeviceModel& model) { model.values = model.nominal; }

void ClearCircuitModels() {
    for (auto& list : CircuitModels) list.clear();
}

}  // namespace ob7
