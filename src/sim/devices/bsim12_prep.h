#pragma once
// What the device passes of levels 4 and 5 share: the model's junction values at the
// device temperature (once per model and pass) and the instance's effective sizes,
// junction currents and capacitances and overlap capacitances.

#include <utility>
#include <vector>

#include "sim/devices/circuit_models.h"
#include "sim/devices/mosfet.h"

namespace ob7 {

// A parameter of the model; not given reads as 0.
double Bsim12Value(const ModelParams& model, const char* name);

// The values of a model at the device temperature that its instances share.
struct Bsim12ModelAtTemperature {
    double vt = 0, cj = 0, cjsw = 0, cox = 0;  // cox in F/cm^2, 0 without a positive TOX
    double td = 0;                             // device temperature, K
};

// The models a pass has brought to temperature, each once.
class Bsim12ModelsDone {
public:
    Bsim12ModelsDone(int polarity_slot, int temperature_slot)
        : polarity_slot_(polarity_slot), temperature_slot_(temperature_slot) {}
    // The model's values at analysis temperature t (C), computed on the first call.
    const Bsim12ModelAtTemperature& Of(ModelParams& model, double t);

private:
    int polarity_slot_, temperature_slot_;
    std::vector<std::pair<const ModelParams*, Bsim12ModelAtTemperature>> done_;
};

// Effective sizes, NVt, junction values and overlap capacitances of one instance; 0, or
// the error after a reported missing TOX or a channel without positive size.
int PrepareBsim12Instance(MosfetInstance& m, const ModelParams& model, const Bsim12ModelAtTemperature& mt);

// The threshold at zero bias becomes tVto and von; the mode and the voltage history start over.
void FinishBsim12Instance(MosfetInstance& m, double vt0);

}  // namespace ob7
