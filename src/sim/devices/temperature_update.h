#pragma once
// The two temperature dispatchers: models, then devices, brought to the analysis
// temperature (degrees) before the first set-up and again for every run case. They fix
// the order; each device kind registers its own passes at its step.

namespace ob7 {

// Steps of the model pass, in order. A pass returns 0 or a message id that ends the
// model pass (passes whose failures do not end it return 0).
enum class ModelPassStep : int {
    Opamps,
    Mosfet123First,
    DiodeClamps,
    BjtJfetFirst,
    GasfetClamps,
    Mosfet123Second,
    BjtLeakage,
    DiodeDepletion,
    BjtJfetConversions,
    PulseSources,
    SpicePulseSources,
    GasfetConversions,
    Mosfet123Third,
    Mosfet123Devices,
    MosfetInstanceDefaults,
    LossyLines,
    Count
};

// Steps of the device pass, in order. A nonzero result ends the device pass.
enum class DevicePassStep : int {
    Capacitors,
    Inductors,
    Resistors,
    DiodeModels,
    BjtModels,
    BjtDevices,
    JfetModels,
    GasfetModels,
    MosfetMultipliers,
    Mosfet123Devices,
    Mosfet4Devices,
    Mosfet5Devices,
    Bsim3Devices,
    LossyLines,
    Count
};

using TemperaturePass = int (*)(double temperature);
// Adds a pass at its step (several kinds may share one step; they run in the order of
// registration). Registering the same pass twice at one step does nothing.
void RegisterModelPass(ModelPassStep step, TemperaturePass pass);
void RegisterDevicePass(DevicePassStep step, TemperaturePass pass);

// Thermal voltage into the run values, then every model pass. 0 or a message id.
int UpdateModelTemperatures(double temperature);
// Device temperature and largest conductance kept, every device pass, then the
// floating-point check. 0 or a message id.
int UpdateDeviceTemperatures(double temperature);

// Kept by the device pass for the kinds: T + 273.15, and 1 / RMIN (1e50 without RMIN).
extern double DeviceTemperatureKelvin;
extern double LargestConductance;

// Small value helpers of the temperature passes.
double FirstNonZero(double a, double b, double c);
double NonZeroOr(double a, double b);
// A grading coefficient strictly between 0.999 and 1.001 becomes 0.999.
void AvoidUnity(double& x);

}  // namespace ob7
