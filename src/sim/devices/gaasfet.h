#pragma once
// The GaAs MESFET (device list 33, model type GASFET) with three drain-current levels:
// 1 Curtice (square law with a tanh knee), 2 Statz (with the polynomial knee and the
// doping tail B), 3 TriQuint (power Q, drain feedback GAMMA and DELTA). Two gate diodes;
// depletion charges (level 1) or the Statz gate-charge function (levels 2 and 3); a
// linear drain-source capacitance; gate, drain and source resistances.

#include <complex>
#include <cstdint>

#include "sim/engine/device_lists.h"

namespace ob7 {

struct AcKindHandler;
struct DeviceKindHandler;
struct ModelParams;

// Slots of the model values: the 36 parameters, then the derived values.
enum GaasfetSlot : int {
    kGLevel, kGVto, kGAlpha, kGBeta, kGB, kGLambda, kGGamma, kGDelta, kGQ, kGTau, kGRg, kGRd, kGRs, kGIs, kGN, kGM,
    kGVbi, kGCgd, kGCgs, kGCds, kGFc, kGVdelta, kGVmax, kGEg, kGXti, kGVtotc, kGBetatce, kGTrg1, kGTrd1, kGTrs1,
    kGKf, kGAf, kGTMeasured, kGTAbs, kGTRelGlobal, kGTRelLocal,
    // derived
    kGDeviceTemp, kGVt, kGDepletion0, kGDepletion1, kGDepletion2, kGVcrit,
    kGaasfetSlotCount
};

struct Gaasfet : DeviceInstance {
    ModelParams* model = nullptr;
    int gate = 0, drain = 0, source = 0, gate_i = 0, drain_i = 0, source_i = 0;
    double polarity = 1;
    double area = 1;
    int32_t off = 0;
    double ic_vds = 0, ic_vgs = 0;
    double vgd = 0, vgs = 0, cd = 0, cg = 0, cgs = 0, cgd = 0;  // kept from the last load
    double drain_current = 0, gate_current = 0, source_current = 0, drain_current2 = 0;
    double ggd = 0, ggs = 0, gds = 0, gm = 0;
    double capgs = 0, capgd = 0, capds = 0;
    int32_t region = 0;
    double power_dissipated = 0, power_stored = 0;
    std::complex<double> ac_drain, ac_gate, ac_source;
};

// Appends a GaAs FET; an internal node of 0 means the external one.
Gaasfet* AddGaasfet(ModelParams* model, int drain, int gate, int source, double area = 1, int drain_i = 0,
                    int gate_i = 0, int source_i = 0);

struct GaasChannel {
    double cdrain = 0, gm = 0, gds = 0;
    int region = 3;
};
// The three drain-current kernels at (vgs, vgd) of the model values x.
GaasChannel GaasCurticeCurrent(const double* x, double beta, double vgs, double vgd);
GaasChannel GaasStatzCurrent(const double* x, double beta, double vgs, double vgd);
GaasChannel GaasTriquintCurrent(const double* x, double beta, double vgs, double vgd);
// The Statz gate charge and its gate-source and gate-drain capacitances.
double GaasGateCharge(const double* x, double vgs, double vgd, double cgs0, double cgd0, double* capgs, double* capgd);

void ClampGaasfetModel(ModelParams& model);
void ConvertGaasfetModel(ModelParams& model);
void UpdateGaasfetModelTemperature(ModelParams& model, double t);

int SetupGaasfets();
int LoadGaasfets();
int AcLoadGaasfets();
int ComputeGaasfetAcCurrents();
int AddGaasfetNoiseSources(double frequency);

extern const DeviceKindHandler kGaasfetKind;
extern const AcKindHandler kGaasfetAcKind;
void RegisterGaasfetKind();

}  // namespace ob7
