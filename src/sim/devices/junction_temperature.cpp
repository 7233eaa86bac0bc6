#include "sim/devices/junction_temperature.h"

#include <algorithm>
#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {
constexpr double kReference = 300.15;  // of the band-gap formulas

double BandGap(double t) { return 1.16 - 7.02e-4 * t * t / (t + 1108); }
double PotentialFactor(double t) {
    const double vt = t * kBoltzmann / kElectronCharge;
    return -3 * vt * std::log(t / kReference) + BandGap(t) - t * 0.0037151014492753623;
}
}  // namespace

double ThermalVoltage(double celsius) { return (celsius + kKelvin) * kBoltzmann / kElectronCharge; }

void AkoRelativeTemperature(const ModelParams& model, int t_abs, double& temperature, int t_rel_local) {
    // Only a model made from a statement has an AKO base, and the base is a statement too.
    const ModelParams* m = &model;
    while (IsGiven(m->Real(t_rel_local)) && m->akoBase) {
        const ModelParams* base = m->akoBase;
        if (IsGiven(base->Real(t_abs))) {
            temperature = base->Real(t_abs) + m->Real(t_rel_local);
            return;
        }
        m = base;
    }
}

double ModelDeviceTemperature(ModelParams& model, int t_measured, double t) {
    double* x = ModelReals(model);
    if (!IsGiven(x[t_measured])) x[t_measured] = Options.tnom;
    if (IsGiven(x[t_measured + 1])) return x[t_measured + 1];
    if (IsGiven(x[t_measured + 2])) return t + x[t_measured + 2];
    AkoRelativeTemperature(model, t_measured + 1, t, t_measured + 3);
    return t;
}

void JunctionTemperatureUpdate(double& vt, double& ratio, double nominal, double device, double& log_ratio,
                               double& dt, double& dt2, int cj_slot, int pb_slot, double m, double* values) {
    const double tn = nominal + kKelvin;
    const double td = device + kKelvin;
    dt = device - nominal;
    dt2 = dt * dt;
    ratio = td / tn;
    log_ratio = std::log(ratio);
    vt = td * kBoltzmann / kElectronCharge;

    const double pb = values[pb_slot];
    const double pbo = (pb - PotentialFactor(tn)) / (tn / kReference);
    values[cj_slot] /= m * (4e-4 * (tn - kReference) + 1 - pb / pbo) + 1;
    const double pb_t = pbo * td / kReference + PotentialFactor(td);
    values[pb_slot] = pb_t;
    values[cj_slot] *= m * (4e-4 * (td - kReference) + 1 - pb_t / pbo) + 1;
}

double SaturationCurrentTempFactor(double ratio, double eg, double n, double vt, double xti) {
    if (ratio == 1.0) return 1.0;
    n = std::max(n, 0.01);
    const double power = std::clamp(xti / n, -500.0, 500.0);
    const double arg = std::clamp((ratio - 1.0) * eg / (n * vt), -350.0, 350.0);
    return std::clamp(std::pow(ratio, power) * std::exp(arg), 1e-50, 1e50);
}

double CriticalVoltage(double nvt, double is) {
    if (!(is > 0)) is = 1e-6;
    const double x = nvt / (is * 1.414213562373095);
    return x > 1 ? nvt * std::log(x) : 0.1;
}

void DepletionCapacitanceCoefficients(double* values, int f, int k, double fc, double pb, double m) {
    const double m1 = m == 1 ? 1e-50 : std::max(1 - m, 1e-50);
    pb = std::max(pb, 1e-50);
    const double xfc = std::pow(1 - fc, -m - 1);
    values[f] = fc * pb;
    values[k] = xfc * (1 - fc * (m + 1));
    values[k + 1] = xfc * m / pb;
    // The charge below the transition at v = fc * pb; a grading of exactly 1 has the
    // logarithmic charge, which the power form only reaches in the limit.
    const double q_fc = m == 1 ? -std::log(1 - fc) * pb : (1 - std::pow(1 - fc, m1)) * pb / m1;
    values[k + 2] = q_fc - values[f] * values[f] * values[k + 1] / 2 - values[f] * values[k];
}

void ResistanceToConductance(int i, double* values) {
    if (NominalModelPass || values[i] == 0) return;
    values[i] = 1 / std::max(values[i], Options.rmin);
}

void ReciprocalValue(int i, double* values) {
    if (NominalModelPass || values[i] == 0) return;
    values[i] = 1 / values[i];
}

}  // namespace ob7
