#pragma once
// The junction FET (device list 37, model types NJF and PJF): the Shichman-Hodges
// square law with channel-length modulation in both directions, two gate diodes,
// depletion charges on both gate junctions with grading M, drain and source resistances,
// and the temperature coefficients VTOTC and BETATCE.

#include <complex>
#include <cstdint>

#include "sim/engine/device_lists.h"

namespace ob7 {

struct AcKindHandler;
struct DeviceKindHandler;
struct ModelParams;

// Slots of the model values: the 20 parameters, then the derived values.
enum JfetSlot : int {
    kJVto, kJBeta, kJLambda, kJIs, kJRd, kJRs, kJCgd, kJCgs, kJM, kJPb, kJFc, kJVtotc, kJBetatce, kJXti, kJKf,
    kJAf, kJTMeasured, kJTAbs, kJTRelGlobal, kJTRelLocal,
    // derived
    kJDeviceTemp, kJVt, kJDepletion0, kJDepletion1, kJDepletion2, kJVcrit,
    kJfetSlotCount
};

struct Jfet : DeviceInstance {
    ModelParams* model = nullptr;
    int gate = 0, drain = 0, source = 0, drain_i = 0, source_i = 0;
    double polarity = 1;
    int32_t off = 0;
    double area = 1;
    double ic_vgs = 0, ic_vds = 0;
    double vgd = 0, vgs = 0, cd = 0, cg = 0, cgs = 0, cgd = 0;  // kept from the last load
    double drain_current = 0, gate_current = 0, source_current = 0, drain_current2 = 0;  // display
    double ggd = 0, ggs = 0, gds = 0, gm = 0;
    int32_t region = 0;
    double power_dissipated = 0, power_stored = 0;
    double capgs = 0, capgd = 0;
    std::complex<double> ac_drain, ac_gate, ac_source;  // AC terminal currents
};

// Appends a JFET; an internal node of 0 means the external one (no series resistance).
Jfet* AddJfet(ModelParams* model, int drain, int gate, int source, double area = 1, int drain_i = 0,
              int source_i = 0);

void PrepareJfetModel(ModelParams& model);
void ConvertJfetModel(ModelParams& model);
void UpdateJfetModelTemperature(ModelParams& model, double t);

int SetupJfets();
int LoadJfets();
// Small-signal stamps at the operating point, the AC terminal currents, and the noise
// of the series resistances and the channel.
int AcLoadJfets();
int ComputeJfetAcCurrents();
int AddJfetNoiseSources(double frequency);

extern const DeviceKindHandler kJfetKind;
extern const AcKindHandler kJfetAcKind;
void RegisterJfetKind();

}  // namespace ob7
