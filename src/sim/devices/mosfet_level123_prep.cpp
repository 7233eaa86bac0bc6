// Model and instance preparation of MOSFET levels 1 to 3: process defaults, unit
// conversions, geometry defaults and the values at the device temperature.

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/mosfet_preparation.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

constexpr double kBoltzmannOverCharge = 8.617086918058125e-5;
constexpr double kEpsOx = 3.45314379969e-11;
constexpr double kEpsSil = 1.0359431399069999e-10;
constexpr double kIntrinsicDensity = 1.45e16;  // per m^3
constexpr double kReference = 300.15;

enum : int { kMsgNsubBelowNi = 13661, kMsgToxNotPositive = 13662 };

double BandGap(double t) { return 1.16 - 7.02e-4 * t * t / (t + 1108); }

}  // namespace

// --- Model pass ----------------------------------------------------------------------

int PrepareMos123Model(ModelParams& model, double t) {
    double* x = ModelReals(model);
    x[kMosPolarity] = model.modelType == kModelPmos ? -1.0 : 1.0;
    const double polarity = x[kMosPolarity];
    const double eg1 = BandGap(t + kKelvin);
    const double nsub1 = IsGiven(x[kMosNsub]) ? x[kMosNsub] * 1e6 : 0.0;
    int result = 0;

    if (x[kMosTox] == 0) x[kMosTox] = ParamNotGiven;
    if (x[kMosLevel] == 0 || !IsGiven(x[kMosLevel])) x[kMosLevel] = 1;
    const int level = static_cast<int>(x[kMosLevel]);
    if (!IsGiven(x[kMosTox]) && level > 1) x[kMosTox] = 1e-7;

    if (IsGiven(x[kMosTox])) {
        if (x[kMosTox] <= 0) {
            x[kMosTox] = 1;
            ReportMessage("E", kMsgToxNotPositive);
            result = kMsgReported;
        }
        const double cox = kEpsOx / x[kMosTox];
        if (!IsGiven(x[kMosKp])) {
            if (!IsGiven(x[kMosUo])) x[kMosUo] = 600;
            x[kMosKp] = x[kMosUo] * cox * 1e-4;
        }
        if (IsGiven(x[kMosNsub])) {
            if (nsub1 <= kIntrinsicDensity) {
                if (x[kMosNsub] != 0) {
                    x[kMosNsub] = 0;
                    ReportMessage("E", kMsgNsubBelowNi);
                    result = kMsgReported;
                }
            } else {
                if (!IsGiven(x[kMosPhi])) {
                    if (!IsGiven(x[kMosTMeasured])) x[kMosTMeasured] = Options.tnom;
                    x[kMosPhi] = std::max(
                        2 * ThermalVoltage(x[kMosTMeasured]) * std::log(nsub1 / kIntrinsicDensity), 0.1);
                }
                if (!IsGiven(x[kMosTpg])) x[kMosTpg] = 1;
                const double wkfng =
                    x[kMosTpg] == 0 ? 3.2 : 3.25 + eg1 / 2 - x[kMosTpg] * polarity * eg1 / 2;
                if (!IsGiven(x[kMosGamma])) x[kMosGamma] = std::sqrt(2 * kEpsSil * kElectronCharge * nsub1) / cox;
                const double body = GuardedSqrt(&model, x[kMosPhi], t + kKelvin) * x[kMosGamma] + x[kMosPhi];
                if (!IsGiven(x[kMosVto])) {
                    if (!IsGiven(x[kMosNss])) x[kMosNss] = 0;
                    const double vfb = wkfng - (3.25 + eg1 / 2 + polarity * x[kMosPhi] / 2) -
                                       x[kMosNss] * kElectronCharge * 1e4 / cox;
                    x[kMosThresholdOffset] = vfb;
                    x[kMosVto] = polarity * body + vfb;
                } else {
                    x[kMosThresholdOffset] = x[kMosVto] - polarity * body;
                }
                x[kMosDepletionFactor] = std::sqrt(2 * kEpsSil / (nsub1 * kElectronCharge));
            }
        }
    }

    if (level == 3) {
        if (!IsGiven(x[kMosKappa]) || x[kMosKappa] == 0) x[kMosKappa] = 0.2;
        x[kMosLambda] = x[kMosUcrit] = x[kMosUexp] = 0;
        if (!IsGiven(x[kMosUtra]) || x[kMosUtra] == 0) x[kMosUtra] = 0.2;
    }
    for (auto [slot, value] : {std::pair{kMosGamma, 0.0}, {kMosTox, 0.0}, {kMosKp, 2e-5}, {kMosVto, 0.0},
                               {kMosPhi, 0.6}, {kMosUo, 600.0}, {kMosNsub, 0.0}, {kMosTpg, 1.0}, {kMosNss, 0.0}})
        if (!IsGiven(x[slot])) x[slot] = value;
    return result;
}

void ClampMos123Model(ModelParams& model) {
    double* x = ModelReals(model);
    x[kMosAf] = std::max(x[kMosAf], 0.1);
    x[kMosFc] = std::min(x[kMosFc], 0.95);
    // A grading of 1 would divide the junction charge by zero.
    AvoidUnity(x[kMosMj]);
    AvoidUnity(x[kMosMjsw]);
    if (x[kMosNsub] > 0 && !(x[kMosCbs] > 0) && !(x[kMosCj] > 0))
        x[kMosCj] = std::sqrt(kElectronCharge * x[kMosNsub] * 1e6 * kEpsSil / (2 * x[kMosPb]));
    if (x[kMosLevel] != 2) x[kMosXqc] = 1;
}

void ConvertMos123Model(ModelParams& model) {
    double* x = ModelReals(model);
    for (int slot : {kMosRds, kMosRg, kMosRd, kMosRs, kMosRb, kMosRsh}) ResistanceToConductance(slot, x);
    if (x[kMosNeff] == 0) x[kMosNeff] = 1;
    x[kMosNsub] *= 1e6;
    x[kMosNss] *= 1e4;
    x[kMosNfs] *= 1e4;
    if (x[kMosTox] != 0) x[kMosTox] = kEpsOx / x[kMosTox];  // from here on: Cox per area
    const double cox = x[kMosTox];
    x[kMosUo] *= 1e-4;
    if (x[kMosLevel] != 3) {
        if (x[kMosLevel] == 2 && (!IsGiven(x[kMosUcrit]) || x[kMosUcrit] == 0)) x[kMosUcrit] = 1e4;
        x[kMosUcrit] *= 100;
    } else {
        // Level 3 reads its own parameters through the level-1/2 slots.
        x[kMosUtra] = x[kMosKappa];
        x[kMosUcrit] = x[kMosTheta];
        x[kMosDelta] = x[kMosDelta] * 1.627255678934287e-10 / cox;
        x[kMosUexp] = x[kMosEta] * 8.15e-22 / cox;
        if (x[kMosNsub] > 0) x[kMosLambda] = 2 * kEpsSil / (x[kMosNsub] * kElectronCharge);
    }
    x[kMosFc] *= x[kMosPb];
    if (x[kMosFc] >= 1) x[kMosFc] = 0.999;
    x[kMosThresholdOffset] =
        x[kMosVto] - GuardedSqrt(&model, x[kMosPhi], Options.tnom + kKelvin) * x[kMosPolarity] * x[kMosGamma];
    if (cox != 0 && x[kMosLevel] != 3) x[kMosUcrit] = x[kMosUcrit] * kEpsSil / cox;
    if (!(x[kMosIs] > 0)) x[kMosIs] = 1e-14;
}

int PrepareMos123Models(int model_type, double t) {
    for (ModelParams* m : CircuitModels[model_type])
        if (int error = PrepareMos123Model(*m, t)) return error;
    return 0;
}

void ClampMos123ModelValues(int model_type) {
    for (ModelParams* m : CircuitModels[model_type]) ClampMos123Model(*m);
}

void ConvertMos123ModelValues(int model_type) {
    for (ModelParams* m : CircuitModels[model_type]) ConvertMos123Model(*m);
}

void RestoreMosfetGeometry() {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        m->W = m->parsed_W, m->W_given = m->parsed_W_given;
        m->L = m->parsed_L, m->L_given = m->parsed_L_given;
        m->AD = m->parsed_AD, m->AS = m->parsed_AS, m->PD = m->parsed_PD, m->PS = m->parsed_PS;
        if (m->level > 3) continue;
        const double* x = ModelReals(*m->model);
        if (!m->W_given) m->W = 0;
        m->W = FirstNonZero(m->W, x[kMosW], Options.defw);
        if (!m->L_given) m->L = 0;
        m->L = FirstNonZero(m->L, x[kMosL], Options.defl);
        m->AD = NonZeroOr(m->AD, Options.defad);
        m->AS = NonZeroOr(m->AS, Options.defas);
        if (!(m->NRD >= 0)) m->NRD = 1;
        if (!(m->NRS >= 0)) m->NRS = 1;
    }
}

// --- Device pass ----------------------------------------------------------------------

namespace {

// The values of a model at the device temperature that its instances share.
struct ModelAtTemperature {
    double vt, tPhi, tVbi, cj, cjsw;
};

ModelAtTemperature UpdateModelTemperature(ModelParams& model, double t) {
    double* x = ModelReals(model);
    const double polarity = x[kMosPolarity];
    const double device_t = ModelDeviceTemperature(model, kMosTMeasured, t);
    x[kMosDeviceTemp] = device_t;
    const double td = device_t + kKelvin, tn = x[kMosTMeasured] + kKelvin;
    const double vt = kBoltzmannOverCharge * td, vtn = kBoltzmannOverCharge * tn;
    const double fact1 = tn / kReference, fact2 = td / kReference;
    const double eg1 = BandGap(tn), eg = BandGap(td);
    const double pbfact1 =
        -2 * vtn * (1.5 * std::log(fact1) + kElectronCharge * (1.3454442398941469e20 - eg1 / (2 * kBoltzmann * tn)));
    const double pbfact =
        -2 * vt * (1.5 * std::log(fact2) + kElectronCharge * (1.3454442398941469e20 - eg / (2 * kBoltzmann * td)));

    const double ratio4 = std::pow(td / tn, 1.5);
    x[kMosKp] /= ratio4;
    x[kMosUo] /= ratio4;
    ModelAtTemperature result;
    result.vt = vt;
    result.tPhi = (x[kMosPhi] - pbfact1) / fact1 * fact2 + pbfact;
    result.tVbi = x[kMosVto] - polarity * x[kMosGamma] * GuardedSqrt(&model, x[kMosPhi], td) +
                  (eg1 - eg + polarity * (result.tPhi - x[kMosPhi])) / 2;
    x[kMosVt] = vt;
    const double f = std::exp(std::clamp(eg1 / vtn - eg / vt, -350.0, 350.0));
    x[kMosIs] *= f;
    x[kMosJs] *= f;
    const JunctionTemperatureSlots slots = {kMosPb, kMosPbsw, kMosCbd, kMosCbs, kMosCj, kMosCjsw, kMosMj, kMosMjsw};
    AdjustJunctionForTemperature(x, &result.cj, kReference, tn, td, &result.cjsw, slots, pbfact, pbfact1, fact1);
    return result;
}

// Charge coefficients above tDepCap of one junction side.
void ForwardCoefficients(double cj, double cjsw, double pb, double fc, double mj, double mjsw, double dep_cap,
                         double& f2, double& f3, double& f4) {
    const double a = 1 - fc;
    const double sarg = std::exp(std::clamp(-mj * std::log(a), -350.0, 350.0));
    const double sargsw = std::exp(std::clamp(-mjsw * std::log(a), -350.0, 350.0));
    f2 = (cj * (1 - fc * (1 + mj)) * sarg + cjsw * (1 - fc * (1 + mjsw)) * sargsw) / a;
    f3 = (cj * mj * sarg + cjsw * mjsw * sargsw) / a / pb;
    f4 = cj * pb * (1 - a * sarg) / (1 - mj) + cjsw * pb * (1 - a * sargsw) / (1 - mjsw) - f3 / 2 * dep_cap * dep_cap -
         dep_cap * f2;
}

}  // namespace

int UpdateMos123InstanceTemperatures(double t) {
    std::vector<std::pair<const ModelParams*, ModelAtTemperature>> done;
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level > 3) continue;
        auto found = std::find_if(done.begin(), done.end(), [&](const auto& d) { return d.first == m->model; });
        if (found == done.end()) {
            done.emplace_back(m->model, UpdateModelTemperature(*m->model, t));
            found = done.end() - 1;
        }
        const ModelAtTemperature& mt = found->second;
        const double* x = ModelReals(*m->model);
        const double polarity = x[kMosPolarity], vt = mt.vt;
        Mos123Values& e = m->m123;

        e.tPhi = mt.tPhi;
        e.sqrtPhi = mt.tPhi > 0 ? std::sqrt(mt.tPhi) : 0;
        e.tVbi = mt.tVbi;
        m->tVto = mt.tVbi + polarity * x[kMosGamma] * GuardedSqrt(m->model, mt.tPhi, x[kMosDeviceTemp] + kKelvin);
        m->NVt = x[kMosN] * vt;
        e.tDepCap = x[kMosPb] * x[kMosFc];

        const double js = x[kMosJs];
        if (js != 0 && m->AD != 0 && m->AS != 0) {
            m->vcritD = vt * std::log(vt / (js * m->AD * M_SQRT2));
            m->vcritS = vt * std::log(vt / (js * m->AS * M_SQRT2));
            m->IsD = js * m->AD;
            m->IsS = js * m->AS;
            if (x[kMosJssw] != 0) {
                m->IsD += x[kMosJssw] * m->PD;
                m->IsS += x[kMosJssw] * m->PS;
            }
        } else {
            m->vcritD = m->vcritS = vt * std::log(vt / (x[kMosIs] * M_SQRT2));
            m->IsD = m->IsS = x[kMosIs];
        }
        m->Cbd = x[kMosCbd] != 0 ? x[kMosCbd] : mt.cj * m->AD;
        m->Cbdsw = mt.cjsw * m->PD;
        m->Cbs = x[kMosCbs] != 0 ? x[kMosCbs] : mt.cj * m->AS;
        m->Cbssw = mt.cjsw * m->PS;
        const double pb = x[kMosPb], fc = x[kMosFc], mj = x[kMosMj], mjsw = x[kMosMjsw];
        ForwardCoefficients(m->Cbd, m->Cbdsw, pb, fc, mj, mjsw, e.tDepCap, e.f2d, e.f3d, e.f4d);
        ForwardCoefficients(m->Cbs, m->Cbssw, pb, fc, mj, mjsw, e.tDepCap, e.f2s, e.f3s, e.f4s);

        m->Leff = m->L - 2 * x[kMosLd];
        m->Weff = m->W - 2 * x[kMosWd] * m->M;
        // A channel without positive size has no current to scale: stop here.
        if (int error = CheckEffectiveWidth(m->owning_part, m->Weff)) return error;
        if (int error = CheckEffectiveLength(m->owning_part, m->Leff)) return error;
        m->CGSOVL = x[kMosCgso] * m->Weff;
        m->CGDOVL = x[kMosCgdo] * m->Weff;
        m->CGBOVL = x[kMosCgbo] * m->Leff;
        e.OxideCap = m->Leff * x[kMosTox] * m->Weff;
        e.Beta = x[kMosKp] * m->Weff / m->Leff;

        if (!OperatingPointSolved) m->mode = 1;
        m->vbs1 = m->vgs1 = m->vds1 = m->vbs2 = m->vgs2 = m->vds2 = 0;
        if (AnalysisKind != 1)
            e.capgs = e.capgs_prev = e.capgd = e.capgd_prev = e.capgb = e.capgb_prev = 1e-12;
    }
    return 0;
}

// --- Registration of the passes ---------------------------------------------------------------

namespace {

int FirstModelPass(double t) {
    for (int type : {kModelNmos, kModelPmos})
        if (int error = PrepareMos123Models(type, t)) return error;
    return 0;
}
int SecondModelPass(double) {
    ClampMos123ModelValues(kModelNmos);
    ClampMos123ModelValues(kModelPmos);
    return 0;
}
int ThirdModelPass(double) {
    ConvertMos123ModelValues(kModelNmos);
    ConvertMos123ModelValues(kModelPmos);
    return 0;
}
int GeometryPass(double) {
    RestoreMosfetGeometry();
    return 0;
}
int MultiplierPass(double) {
    PrepareMosfetInstances();
    return 0;
}

}  // namespace

void RegisterMos123Passes() {
    RegisterModelPass(ModelPassStep::Mosfet123First, FirstModelPass);
    RegisterModelPass(ModelPassStep::Mosfet123Second, SecondModelPass);
    RegisterModelPass(ModelPassStep::Mosfet123Third, ThirdModelPass);
    RegisterModelPass(ModelPassStep::Mosfet123Devices, GeometryPass);
    RegisterDevicePass(DevicePassStep::MosfetMultipliers, MultiplierPass);
    RegisterDevicePass(DevicePassStep::Mosfet123Devices, UpdateMos123InstanceTemperatures);
}

}  // namespace ob7
