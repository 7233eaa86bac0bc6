// Instance defaults of the MOSFET levels 4 (BSIM1), 5 (BSIM2) and 8 (BSIM3): geometry
// from the instance, the model and the options, the series resistances as conductances,
// the junction current floors, and for level 8 the model defaults that depend on other
// model values. Runs at the end of the model pass, after the geometry was restored.

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/devices/circuit_models.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/mosfet_instance_defaults.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

// Slot of a named parameter of the model's type.
double& Param(ModelParams& model, const char* name) {
    return ModelReals(model)[FindModelParam(model.modelType, name)];
}
bool Given(ModelParams& model, const char* name) { return IsGiven(Param(model, name)); }

void JunctionCurrentFloors(ModelParams& model) {
    double& is = Param(model, "IS");
    if (!IsGiven(is) || !(is > 0)) is = 1e-14;
    double& js = Param(model, "JS");
    if (!IsGiven(js) || !(js > 0)) js = 1e-4;
}

void SeriesConductances(ModelParams& model) {
    double* x = ModelReals(model);
    for (const char* name : {"RDS", "RG", "RD", "RS", "RB", "RSH"}) {
        const int slot = FindModelParam(model.modelType, name);
        if (!IsGiven(x[slot])) x[slot] = 0;
        ResistanceToConductance(slot, x);
    }
}

// AD, AS from the options when zero; NRD and NRS of exactly 0 become 1.
void AreasAndSquares(MosfetInstance& m) {
    m.AD = NonZeroOr(m.AD, Options.defad);
    m.AS = NonZeroOr(m.AS, Options.defas);
    if (m.NRD == 0) m.NRD = 1;
    if (m.NRS == 0) m.NRS = 1;
}

double ModelLength(ModelParams& model, const char* name) {
    const double v = Param(model, name);
    return IsGiven(v) ? v : 0.0;
}

// BSIM3 defaults that follow from other values of the model.
void Level8ModelDefaults(ModelParams& model) {
    double* x = ModelReals(model);
    x[kBsim3TypeSlot] = model.modelType == kModelPmos8 ? -1 : 1;
    const bool nmos = x[kBsim3TypeSlot] > 0;
    const auto set_default = [&](const char* name, double value) {
        double& v = Param(model, name);
        if (!IsGiven(v)) v = value;
    };
    const double tox = Param(model, "TOX");
    const double cox = 3.453133e-11 / tox;
    x[kBsim3CoxSlot] = cox;
    set_default("U0", nmos ? 0.067 : 0.025);
    set_default("TOXM", tox);
    set_default("CF", 2.1983396197111725e-11 * std::log(1 + 4e-7 / tox));
    const bool mobmod3 = Given(model, "MOBMOD") && Param(model, "MOBMOD") == 3;
    set_default("UC", mobmod3 ? -0.0465 : -4.65e-11);
    set_default("UC1", mobmod3 ? -0.056 : -5.6e-11);
    const bool dlc_given = Given(model, "DLC");
    set_default("DLC", ModelLength(model, "LINT"));
    set_default("DWC", ModelLength(model, "WINT"));
    const double dlc = Param(model, "DLC"), xj = ModelLength(model, "XJ");
    const auto overlap = [&](const char* name, const char* edge) {
        const double edge_cap = Given(model, edge) ? Param(model, edge) : 0.0;
        set_default(name, dlc_given && dlc > 0 ? std::max(dlc * cox - edge_cap, 0.0) : 0.6 * xj * cox);
    };
    overlap("CGDO", "CGDL");
    overlap("CGSO", "CGSL");
    set_default("CGBO", 2 * Param(model, "DWC") * cox);
    set_default("PBSWG", Param(model, "PBSW"));
    set_default("CJSWG", Param(model, "CJSW"));
    set_default("MJSWG", Param(model, "MJSW"));
    set_default("NOIA", nmos ? 1e20 : 9.9e18);
    set_default("NOIB", nmos ? 5e4 : 2400);
    set_default("NOIC", nmos ? -1.4e-12 : 1.4e-12);
    set_default("DSUB", Param(model, "DROUT"));
    double& n = Param(model, "N");
    const double nj = Param(model, "NJ");
    if (IsGiven(nj) && n != nj) n = nj;
}

}  // namespace

void PrepareLevel4Instances(int level) {
    std::vector<ModelParams*> done;
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level != level) continue;
        ModelParams& model = *m->model;
        if (!m->W_given) m->W = 0;
        m->W = FirstNonZero(m->W, ModelLength(model, "W"), Options.defw);
        if (!m->L_given) m->L = 0;
        m->L = FirstNonZero(m->L, ModelLength(model, "L"), Options.defl);
        AreasAndSquares(*m);
        if (std::find(done.begin(), done.end(), &model) != done.end()) continue;
        done.push_back(&model);
        JunctionCurrentFloors(model);
        SeriesConductances(model);
    }
}

void PrepareLevel5Instances() { PrepareLevel4Instances(5); }

void PrepareLevel8Instances() {
    std::vector<ModelParams*> done;
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level != 8) continue;
        ModelParams& model = *m->model;
        const double model_w = ModelLength(model, "W"), model_l = ModelLength(model, "L");
        if (!m->W_given) m->W = model_w == 0 ? 5e-6 : 0;
        m->W = FirstNonZero(m->W, model_w, Options.defw);
        if (!m->L_given) m->L = model_l == 0 ? 5e-6 : 0;
        m->L = FirstNonZero(m->L, model_l, Options.defl);
        AreasAndSquares(*m);
        if (std::find(done.begin(), done.end(), &model) != done.end()) continue;
        done.push_back(&model);
        SeriesConductances(model);
        JunctionCurrentFloors(model);
        Level8ModelDefaults(model);
    }
}

namespace {

int InstanceDefaultsPass(double) {
    PrepareLevel4Instances(4);
    PrepareLevel5Instances();
    PrepareLevel8Instances();
    return 0;
}

}  // namespace

void RegisterMosfetInstanceDefaults() { RegisterModelPass(ModelPassStep::MosfetInstanceDefaults, InstanceDefaultsPass); }

}  // namespace ob7
