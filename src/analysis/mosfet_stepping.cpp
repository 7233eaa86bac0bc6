#include "analysis/mosfet_stepping.h"

#include <strings.h>

#include <cstdint>

#include "analysis/stepping.h"
#include "netlist/model_types.h"
#include "netlist/model_values.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/mosfet.h"

namespace ob7 {

namespace {

constexpr int kMsgStoppedSilently = 15055;
constexpr int kMsgCantStepParameter = 13274;  // "%ECan't step parameter."

struct MosfetParam {
    const char* name;
    double MosfetInstance::*value;
    int32_t MosfetInstance::*given;  // the size's given mark, else null
    // A squares count: its terminal outside and behind the series resistance.
    int MosfetInstance::*outer;
    int MosfetInstance::*inner;
};

const MosfetParam kParams[] = {
    {"value.m", &MosfetInstance::M, nullptr, nullptr, nullptr},
    {"value.l", &MosfetInstance::parsed_L, &MosfetInstance::parsed_L_given, nullptr, nullptr},
    {"value.w", &MosfetInstance::parsed_W, &MosfetInstance::parsed_W_given, nullptr, nullptr},
    {"value.ad", &MosfetInstance::parsed_AD, nullptr, nullptr, nullptr},
    {"value.as", &MosfetInstance::parsed_AS, nullptr, nullptr, nullptr},
    {"value.pd", &MosfetInstance::parsed_PD, nullptr, nullptr, nullptr},
    {"value.ps", &MosfetInstance::parsed_PS, nullptr, nullptr, nullptr},
    {"value.nrd", &MosfetInstance::NRD, nullptr, &MosfetInstance::drain, &MosfetInstance::drain_i},
    {"value.nrs", &MosfetInstance::NRS, nullptr, &MosfetInstance::source, &MosfetInstance::source_i},
    {"value.nrb", &MosfetInstance::NRB, nullptr, &MosfetInstance::bulk, &MosfetInstance::bulk_i},
    {"value.nrg", &MosfetInstance::NRG, nullptr, &MosfetInstance::gate, &MosfetInstance::gate_i},
};

bool HasSheetResistance(const ModelParams& model) {
    const int slot = FindModelParam(model.modelType, "RSH");
    if (slot < 0) return false;
    const double rsh = ModelReals(model)[slot];
    return IsGiven(rsh) && rsh != 0;
}

}  // namespace

const std::vector<std::string>& MosfetStepNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const MosfetParam& p : kParams) out.push_back(p.name);
        return out;
    }();
    return names;
}

int ResolveMosfetStep(MosfetInstance& device, StepVariable& v) {
    for (const MosfetParam& p : kParams) {
        if (strcasecmp(v.param.c_str(), p.name) != 0) continue;
        // The compiled circuit has no node behind a terminal whose squares count was 0:
        // a stepped count would scale a sheet resistance that is not there.
        if (p.outer && device.*p.outer == device.*p.inner && device.model && HasSheetResistance(*device.model))
            return kMsgCantStepParameter;
        double* value = &(device.*p.value);
        v.target = value;
        v.read = [value] { return *value; };
        if (!p.given) {
            v.write = [value](double x) { *value = x; };
            v.restoreSaved = nullptr;
            return 0;
        }
        // A stepped size is given; Restore brings back the size as compiled, given or not.
        int32_t* given = &(device.*p.given);
        const double savedValue = *value;
        const int32_t savedGiven = *given;
        v.write = [value, given](double x) {
            *value = x;
            *given = 1;
        };
        v.restoreSaved = [value, given, savedValue, savedGiven] {
            *value = savedValue;
            *given = savedGiven;
        };
        return 0;
    }
    return kMsgStoppedSilently;
}

}  // namespace ob7
