#include "sim/devices/mosfet_preparation.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/string_table.h"
#include "foundation/textfile.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/mosfet.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {
std::vector<NegativePotentialWarning> negative_potential_warnings;

enum : int {
    kMsgEffectiveLength = 14548,
    kMsgEffectiveWidth = 14549,
    kMsgEffectiveLengthCV = 14550,
    kMsgEffectiveWidthCV = 14551,
};

int CheckPositive(const void* part, double value, int message) {
    if (value > 0) return 0;
    ReportMessage("NE", part, message, value);
    return kMsgReported;
}
}  // namespace

TextFile* NumericOutput = nullptr;
bool ModelWarningsWritten = false;

double GuardedSqrt(const ModelParams* model, double x, double temperature_kelvin) {
    if (x > 0) return std::sqrt(x);
    if (x < 0) {
        const int statement = model ? model->statement : -1;
        const bool known =
            std::any_of(negative_potential_warnings.begin(), negative_potential_warnings.end(),
                        [&](const NegativePotentialWarning& w) {
                            return statement >= 0 ? w.statement == statement : w.model == model;
                        });
        if (!known) negative_potential_warnings.push_back({statement, model, temperature_kelvin - kKelvin});
    }
    return 0.001;
}

void LogModelWarning(int message, const ModelParams& model) {
    if (!NumericOutput || !NumericOutput->IsOpen()) return;
    std::string text = LoadMessageTextTemp(message);
    if (!text.empty() && text[0] == '%') text[0] = '#';
    const std::string name = model.statement >= 0 ? model.scopedName : std::string();
    NumericOutput->Printf(text.c_str(), name.c_str());
    ModelWarningsWritten = true;
}

const NegativePotentialWarning* NegativePotentialWarnings(int* count) {
    *count = static_cast<int>(negative_potential_warnings.size());
    return negative_potential_warnings.data();
}

void ClearNegativePotentialWarnings() { negative_potential_warnings.clear(); }

double SeriesConductance(double conductance, double sheet_conductance, double squares) {
    if (conductance > 0) return conductance;
    if (squares > 0) return sheet_conductance / squares;
    return 0;
}

void AdjustJunctionForTemperature(double* x, double* cj_at_t, double reference, double tnom, double t,
                                  double* cjsw_at_t, const JunctionTemperatureSlots& k, double pbfact,
                                  double pbfact1, double fact1) {
    // Bottom junction: undo the capacitance factor of the nominal temperature, then
    // apply the one of the device temperature.
    const double pbo = (x[k.pb] - pbfact1) / fact1;
    const double old_factor = 1.0 / (1.0 + x[k.mj] * (4e-4 * (tnom - reference) - (x[k.pb] - pbo) / pbo));
    x[k.cbd] *= old_factor;
    x[k.cbs] *= old_factor;
    double cj = x[k.cj] * old_factor;
    x[k.pb] = pbo * t / reference + pbfact;
    const double new_factor = 1.0 + x[k.mj] * (4e-4 * (t - reference) - (x[k.pb] - pbo) / pbo);
    x[k.cbd] *= new_factor;
    x[k.cbs] *= new_factor;
    cj *= new_factor;

    const double pbswo = (x[k.pbsw] - pbfact1) / fact1;
    double cjsw = x[k.cjsw] / (1.0 + x[k.mjsw] * (4e-4 * (tnom - reference) - (x[k.pbsw] - pbswo) / pbswo));
    x[k.pbsw] = pbswo * t / reference + pbfact;
    cjsw *= 1.0 + x[k.mjsw] * (4e-4 * (t - reference) - (x[k.pbsw] - pbswo) / pbswo);

    *cj_at_t = cj;
    *cjsw_at_t = cjsw;
}

void PrepareMosfetInstances() {
    const double cap = Options.rmin > 0 ? 1.0 / Options.rmin : 1e50;
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->M != 1.0) {
            m->W *= m->M;
            m->AD *= m->M;
            m->AS *= m->M;
            m->PD *= m->M;
            m->PS *= m->M;
        }
        // Levels 1 to 3 keep the conductances at their own table positions; levels 4 and
        // above as parameters 3 to 8 (RD, RS, RG, RB, RDS, RSH).
        const bool own = m->level <= 3;
        const int rd = own ? kMosRd : 3, rs = own ? kMosRs : 4, rg = own ? kMosRg : 5, rb = own ? kMosRb : 6;
        const int rds = own ? kMosRds : 7, rsh = own ? kMosRsh : 8;
        double* x = ModelReals(*m->model);
        for (int slot : {rg, rds, rd, rs, rb})
            if (x[slot] != 0 && x[slot] > cap) x[slot] = cap;
        m->gdrain = SeriesConductance(x[rd], x[rsh], m->NRD) * m->M;
        m->gsource = SeriesConductance(x[rs], x[rsh], m->NRS) * m->M;
        m->ggate = SeriesConductance(x[rg], x[rsh], m->NRG) * m->M;
        m->gbulk = SeriesConductance(x[rb], x[rsh], m->NRB) * m->M;
    }
}

int CheckEffectiveLength(const void* part, double value) { return CheckPositive(part, value, kMsgEffectiveLength); }
int CheckEffectiveWidth(const void* part, double value) { return CheckPositive(part, value, kMsgEffectiveWidth); }
int CheckEffectiveLengthCV(const void* part, double value) {
    return CheckPositive(part, value, kMsgEffectiveLengthCV);
}
int CheckEffectiveWidthCV(const void* part, double value) { return CheckPositive(part, value, kMsgEffectiveWidthCV); }

}  // namespace ob7
