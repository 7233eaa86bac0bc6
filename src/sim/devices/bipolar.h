#pragma once
// The bipolar transistor (device list 23; model types NPN, PNP and the lateral LPNP,
// whose substrate junction sits on the internal base): the Gummel-Poon transport model
// with base charge, leakage diodes, bias-dependent base resistance, transit-time
// modulation, excess phase, depletion charges and a DC substrate diode.

#include <complex>
#include <cstdint>

#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;
struct AcKindHandler;
struct ModelParams;

// Slots of the model values: the 55 parameters, then the derived values.
enum BjtSlot : int {
    kQIs, kQBf, kQNf, kQVaf, kQIkf, kQIse, kQNe, kQBr, kQNr, kQVar, kQIkr, kQIsc, kQNc, kQNk, kQIss, kQNs,
    kQRe, kQRb, kQRbm, kQIrb, kQRc, kQCje, kQVje, kQMje, kQCjc, kQVjc, kQMjc, kQXcjc, kQCjs, kQVjs, kQMjs,
    kQFc, kQTf, kQXtf, kQVtf, kQItf, kQPtf, kQTr, kQEg, kQXtb, kQXti, kQTre1, kQTre2, kQTrb1, kQTrb2,
    kQTrm1, kQTrm2, kQTrc1, kQTrc2, kQKf, kQAf, kQTMeasured, kQTAbs, kQTRelGlobal, kQTRelLocal,
    // derived
    kQDeviceTemp, kQVt, kQUnused, kQBeCoef0, kQBeCoef1, kQBeCoef2, kQBcTransition, kQBcCoef0, kQBcCoef1,
    kQBcCoef2, kQVcritBe, kQVcritBc,
    kBjtSlotCount
};

struct Bjt : DeviceInstance {
    int NonConvergenceValues(int kind, double* values) const override;

    int32_t model_type = 2;  // 2 NPN, 15 PNP, 38 LPNP
    int emitter_i = 0, collector_i = 0, base_i = 0, substrate = 0;  // E', C', B', S
    int emitter = 0, collector = 0, base = 0;
    double polarity = 1;
    ModelParams* model = nullptr;
    int32_t off = 0;
    double area = 1;
    double ic_vbe = 0, ic_vce = 0;
    double cb = 0, cc = 0;
    double base_current = 0, emitter_current = 0, collector_current = 0, substrate_current = 0;
    double vbe = 0, vbc = 0;
    double gpi = 0, gmu = 0, gm = 0, go = 0, gx = 0, geqcb = 0, gcs = 0, geqbx = 0;
    double capbe = 0, capbc = 0, capcs = 0, capbx = 0;
    // At the device temperature, with the area.
    double nf_vt = 0, nr_vt = 0, be_reverse = 0, bc_reverse = 0, ns_vt = 0, sub_reverse = 0, vcrit_sub = 0;
    double iss = 0, irb = 0, ne_vt = 0, nc_vt = 0, is = 0, ise = 0, isc = 0, inv_ikf = 0, inv_ikr = 0;
    double ge = 0, gc = 0;  // emitter and collector resistance conductances
    double vsub = 0, csub = 0, gsub = 0;
    int32_t ordinal = 0;
    int32_t region = 0;
    double power_dissipated = 0, power_stored = 0;
    // AC currents into the collector, base, emitter and substrate terminals.
    std::complex<double> ac_currents[4];
};

// Model pass (three steps of the dispatcher) and device pass.
void PrepareBjtModel(ModelParams& model);
void ScaleBjtLeakageCurrents(ModelParams& model);
void ConvertBjtModelValues(ModelParams& model);
void UpdateBjtModelTemperature(ModelParams& model, double t);
void UpdateBjtInstance(Bjt& q);

// Appends a transistor of the model's type to list 23 with internal nodes equal to the
// external ones; a builder with series resistances sets the internal nodes after.
Bjt* AddBjt(ModelParams* model, int collector, int base, int emitter, int substrate = 0, double area = 1);

int SetupBjts();
int LoadBjts();
// AC stamp, terminal currents and noise sources at the operating point.
int AcLoadBjts();
int ComputeBjtAcCurrents();
int AddBjtNoiseSources(double frequency);

extern const DeviceKindHandler kBjtKind;
extern const AcKindHandler kBjtAcKind;
// Registers the kind with the engine and its passes with the temperature dispatchers.
void RegisterBjtKind();

}  // namespace ob7
