#pragma once
// Preparation routines shared by the MOSFET levels: the guarded square root of a surface
// potential, the junction potential and capacitance update of the classic levels, the
// series conductances and multiplier of every MOSFET instance, and the effective-size
// checks.

namespace ob7 {

struct MosfetInstance;
struct ModelParams;
class TextFile;

// sqrt(x) for x > 0, else 0.001; a negative x records one warning per model with the
// temperature in degrees C. A model is its statement: the private copies of one
// statement share its warning (a record of defaults stands for itself).
double GuardedSqrt(const ModelParams* model, double x, double temperature_kelvin);
// The models that have a warning of a negative potential, with the temperature (C).
struct NegativePotentialWarning {
    int statement;             // the model's statement, -1 for a record of defaults
    const ModelParams* model;  // the record that first met it
    double temperature;
};
const NegativePotentialWarning* NegativePotentialWarnings(int* count);
// The warnings belong to the compiled circuit's models and go with them
// (ClearCircuitModels).
void ClearNegativePotentialWarnings();

// The numeric output of the active analysis while it is open (set by its owner), else
// null; and whether a model warning line was written into it.
extern TextFile* NumericOutput;
extern bool ModelWarningsWritten;
// Writes the message (its leading '%' shown as '#') with the model's name into the open
// numeric output and sets ModelWarningsWritten; nothing when the output is closed.
void LogModelWarning(int message, const ModelParams& model);

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
