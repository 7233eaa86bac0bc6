#include "sim/devices/temperature_update.h"

#include <algorithm>
#include <vector>

#include "expression/math_error.h"
#include "sim/devices/junction_temperature.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

double DeviceTemperatureKelvin = 300.15;
double LargestConductance = 1e6;

namespace {

std::vector<TemperaturePass>& ModelPasses(ModelPassStep step) {
    static std::vector<TemperaturePass> passes[static_cast<int>(ModelPassStep::Count)];
    return passes[static_cast<int>(step)];
}
std::vector<TemperaturePass>& DevicePasses(DevicePassStep step) {
    static std::vector<TemperaturePass> passes[static_cast<int>(DevicePassStep::Count)];
    return passes[static_cast<int>(step)];
}
void AddOnce(std::vector<TemperaturePass>& passes, TemperaturePass pass) {
    if (std::find(passes.begin(), passes.end(), pass) == passes.end()) passes.push_back(pass);
}

}  // namespace

void RegisterModelPass(ModelPassStep step, TemperaturePass pass) { AddOnce(ModelPasses(step), pass); }
void RegisterDevicePass(DevicePassStep step, TemperaturePass pass) { AddOnce(DevicePasses(step), pass); }

int UpdateModelTemperatures(double temperature) {
    Run.vt = ThermalVoltage(temperature);
    for (int step = 0; step < static_cast<int>(ModelPassStep::Count); ++step)
        for (TemperaturePass pass : ModelPasses(static_cast<ModelPassStep>(step)))
            if (int error = pass(temperature)) return error;
    return 0;
}

int UpdateDeviceTemperatures(double temperature) {
    DeviceTemperatureKelvin = temperature + kKelvin;
    LargestConductance = Options.rmin > 0 ? 1 / Options.rmin : 1e50;
    for (int step = 0; step < static_cast<int>(DevicePassStep::Count); ++step)
        for (TemperaturePass pass : DevicePasses(static_cast<DevicePassStep>(step)))
            if (int error = pass(temperature)) return error;
    return CheckMathError();
}

double FirstNonZero(double a, double b, double c) { return a != 0 ? a : b != 0 ? b : c; }
double NonZeroOr(double a, double b) { return a != 0 ? a : b; }
void AvoidUnity(double& x) {
    if (x > 0.999 && x < 1.001) x = 0.999;
}

}  // namespace ob7
