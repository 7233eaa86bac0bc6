#pragma once
// Preparation routines shared by the MOSFET levels: the guarded square root of a surface
// potential, the junction potential and capacitance update of the classic levels, the
// series conductances and multiplier of every MOSFET instance, and the effective-size
// checks.

namespace ob7 {

struct MosfetInstance;

// sqrt(x) for x > 0, else 0.001; a negative x records one warning per model with the
// temperature in degrees C.
double GuardedSqrt(const void* model, double x, double temperature_kelvin);
// The models that have a warning of a negative potential, with the temperature (C).
struct NegativePotentialWarning {
    const void* model;
    double temperature;
};
const NegativePotentialWarning* NegativePotentialWarnings(int* count);
void ClearNegativePotentialWarnings();

// The conductance if > 0; else sheet conductance / squares if squares > 0; else 0.
double SeriesConductance(double conductance, double sheet_conductance, double squares);

// Indices of the eight junction values in a model array and the caller's constants.
struct JunctionTemperatureSlots {
    int pb, pbsw, cbd, cbs, cj, cjsw, mj, mjsw;
};
// Updates PB, PBSW, CBD and CBS in place; returns CJ and CJSW at temperature t (K).
void AdjustJunctionForTemperature(double* values, double* cj_at_t, double reference, double tnom, double t,
                                  double* cjsw_at_t, const JunctionTemperatureSlots& slots, double pbfact,
                                  double pbfact1, double fact1);

// Multiplier scaling, conductance caps and series conductances of every record of the
// MOSFET list.
void PrepareMosfetInstances();

// The effective-size checks: 0 when value > 0, else the message is reported with the
// part named and 15055 returned.
int CheckEffectiveLength(const void* part, double value);
int CheckEffectiveWidth(const void* part, double value);
int CheckEffectiveLengthCV(const void* part, double value);
int CheckEffectiveWidthCV(const void* part, double value);

}  // namespace ob7
