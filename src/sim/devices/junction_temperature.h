#pragma once
// Temperature routines shared by the junction devices (and, for the device temperature,
// by the passive kinds): nominal model values brought to the device temperature, and the
// depletion-charge and step-limiting constants their loads use.

namespace ob7 {

struct ModelParams;

// Physical constants of the device models.
inline constexpr double kBoltzmann = 1.3806226e-23;      // J/K
inline constexpr double kElectronCharge = 1.6021918e-19;  // C
inline constexpr double kKelvin = 273.15;                 // 0 degrees C in kelvin

// Boltzmann constant over the electron charge, times the temperature in kelvin.
double ThermalVoltage(double celsius);

// The device temperature of a model at analysis temperature t (degrees): T_MEASURED
// (slot t_measured) defaults to the option TNOM; T_ABS (slot + 1) wins, else T plus
// T_REL_GLOBAL (slot + 2), else the AKO rule on T_REL_LOCAL (slot + 3).
double ModelDeviceTemperature(ModelParams& model, int t_measured, double t);

// An AKO model that gives T_REL_LOCAL runs relative to the T_ABS of the nearest ancestor
// that gives one; otherwise the temperature stays.
void AkoRelativeTemperature(const ModelParams& model, int t_abs, double& temperature, int t_rel_local);

// Junction potential and zero-bias capacitance (model slots cj_slot, pb_slot) from the
// nominal to the device temperature (degrees), with grading coefficient m. Returns the
// thermal voltage, Td/Tn, ln(Td/Tn), the difference and its square through the outs.
void JunctionTemperatureUpdate(double& vt, double& ratio, double nominal, double device, double& log_ratio,
                               double& dt, double& dt2, int cj_slot, int pb_slot, double m, double* values);

// Temperature factor of a saturation current: ratio^(XTI/N) * exp((ratio - 1) EG/(N Vt)),
// exactly 1 at ratio 1, clamped so that it stays finite and positive.
double SaturationCurrentTempFactor(double ratio, double eg, double n, double vt, double xti);

// The voltage above which the junction's current is limited per Newton step.
double CriticalVoltage(double nvt, double is);

// Transition voltage (into values[f], replacing FC) and the three coefficients of the
// forward extension of the depletion charge (values[k], [k+1], [k+2]).
void DepletionCapacitanceCoefficients(double* values, int f, int k, double fc, double pb, double m);

// In-place 1/max(R, RMIN) and 1/x, both skipped for a zero value and in the nominal pass.
void ResistanceToConductance(int i, double* values);
void ReciprocalValue(int i, double* values);

}  // namespace ob7
