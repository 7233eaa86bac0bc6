#pragma once
// The diode (device list 22, model type D): a pn junction with series resistance,
// depletion and diffusion charge and reverse breakdown. Level 1 is the classic junction
// with a fitted breakdown knee and an optional leakage resistance; level 2 adds a
// recombination current, high-injection roll-off and two breakdown exponentials.

#include <complex>
#include <cstdint>

#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;
struct AcKindHandler;
struct ModelParams;

// Region codes that the junction and FET loads write (shown by name).
enum DeviceRegion : int {
    kRegionSat = 1, kRegionOn = 2, kRegionOff = 3, kRegionHot = 4, kRegionZener = 5, kRegionLin = 6,
    kRegionWeak = 7,
};

// Slots of the model values: the 31 parameters, then the derived values.
enum DiodeSlot : int {
    kDLevel, kDIs, kDN, kDIsr, kDNr, kDIkf, kDBv, kDIbv, kDNbv, kDIbvl, kDNbvl, kDRs, kDTt, kDCjo, kDVj, kDM,
    kDFc, kDEg, kDXti, kDTikf, kDTbv1, kDTbv2, kDTrs1, kDTrs2, kDKf, kDAf, kDRl, kDTMeasured, kDTAbs,
    kDTRelGlobal, kDTRelLocal,
    // derived
    kDDeviceTemp, kDVt, kDDepletion0, kDDepletion1, kDDepletion2, kDVcrit, kDUnused,
    kDiodeSlotCount
};

struct Diode : DeviceInstance {
    int NonConvergenceValues(int kind, double* values) const override;

    int anode = 0, cathode = 0, internal_anode = 0;
    ModelParams* model = nullptr;
    int32_t off = 0;
    int32_t ordinal = 0;
    double area = 1;
    double ic = 0;             // initial junction voltage
    double vd = 0;             // kept from the last load
    double cd = 0;             // junction current, kept for the convergence tests
    double current = 0;        // display copy of cd
    double gd = 0;
    double capacitance = 0;    // kept in the small-signal pass
    int32_t region = 0;
    double power_dissipated = 0, power_stored = 0;
    std::complex<double> ac_current;  // junction current A' -> K from the AC solution
};

// Model pass: clamps (its own step), then depletion coefficients and the level-1
// breakdown fit; device pass: the model values at the device temperature.
void ClampDiodeModel(ModelParams& model);
void PrepareDiodeModel(ModelParams& model);
void UpdateDiodeModelTemperature(ModelParams& model, double t);

// Appends a diode to list 22; internal_anode 0 means the anode (no series resistance).
Diode* AddDiode(ModelParams* model, int anode, int cathode, double area = 1, int internal_anode = 0);

int SetupDiodes();
int LoadDiodes();
// AC stamp, junction current and noise sources at the operating point.
int AcLoadDiodes();
int ComputeDiodeAcCurrents();
int AddDiodeNoiseSources(double frequency);

extern const DeviceKindHandler kDiodeKind;
extern const AcKindHandler kDiodeAcKind;
// Registers the kind with the engine and its passes with the temperature dispatchers.
void RegisterDiodeKind();

}  // namespace ob7
