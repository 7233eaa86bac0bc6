#pragma once
// The MOSFET record shared by every level (device list 36), the model slots of the
// level-1-to-3 types (NMOS, PMOS) and the routines of those three levels: model and
// instance preparation (mosfet_level123_prep.cpp), set-up and load
// (mosfet_level123.cpp), and the level-2 and level-3 channel kernels.

#include <complex>
#include <cstdint>
#include <limits>
#include <memory>

#include "sim/devices/diode.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;
struct AcKindHandler;
struct ModelParams;
struct Bsim3SizeParams;
struct Bsim1SizeParams;
struct Bsim2SizeParams;

// Slots of the level-1-to-3 model values: the 58 parameters, then six derived values.
enum Mos123Slot : int {
    kMosLevel, kMosVto, kMosKp, kMosL, kMosW, kMosGamma, kMosPhi, kMosLambda, kMosRd, kMosRs,
    kMosCbd, kMosCbs, kMosIs, kMosPb, kMosCgso, kMosCgdo, kMosCgbo, kMosRsh, kMosCj, kMosMj,
    kMosCjsw, kMosMjsw, kMosJs, kMosTox, kMosNsub, kMosNss, kMosNfs, kMosTpg, kMosXj, kMosLd,
    kMosWd, kMosUo, kMosUcrit, kMosUexp, kMosUtra, kMosVmax, kMosNeff, kMosXqc, kMosKf, kMosAf,
    kMosFc, kMosDelta, kMosTheta, kMosEta, kMosKappa, kMosRg, kMosRb, kMosRds, kMosJssw, kMosN,
    kMosPbsw, kMosTt, kMosNlev, kMosGdsnoi, kMosTMeasured, kMosTAbs, kMosTRelGlobal, kMosTRelLocal,
    // derived
    kMosDeviceTemp, kMosVt, kMosPolarity, kMosUnused, kMosThresholdOffset, kMosDepletionFactor,
    kMos123SlotCount
};

// The last argument of a junction's exponential (or powers) and the result: a junction
// often sits at the same voltage iteration after iteration, as one whose bulk is tied to
// its source does at the range guard's 1e-10 V. The keys start as NaN, equal to nothing.
struct JunctionMemo {
    double x = std::numeric_limits<double>::quiet_NaN();
    double grading = 0, grading_sw = 0;  // the powers' exponents
    double value = 0, value_sw = 0;
};

// Values of levels 1 to 3 beside the common record.
struct Mos123Values {
    double capgs = 0, capgs_prev = 0;  // halves of the Meyer gate capacitances
    double capgd = 0, capgd_prev = 0;
    double capgb = 0, capgb_prev = 0;
    double f2d = 0, f3d = 0, f4d = 0;  // drain junction charge above tDepCap
    double f2s = 0, f3s = 0, f4s = 0;  // source junction
    double tDepCap = 0;
    double tVbi = 0, tPhi = 0;
    double sqrtPhi = 0;  // sqrt(tPhi) when tPhi > 0
    double OxideCap = 0;
    double Beta = 0;
    JunctionMemo source_exp, drain_exp;      // the bulk junction currents
    JunctionMemo source_power, drain_power;  // the junction charges below tDepCap
};

struct MosfetInstance : DeviceInstance {
    int NonConvergenceValues(int kind, double* values) const override;

    // The fields every Newton load reads, bypassed or not, come first and together: a
    // pass walks hundreds of records, and these few cache lines are all a bypassed
    // device needs. (The order in memory is free; nothing stores the record as bytes.)
    ModelParams* model = nullptr;
    int gate_i = 0, drain_i = 0, source_i = 0, bulk_i = 0;  // internal terminals
    int level = 1;
    int32_t flipCount = 0;
    int32_t limited = 0;
    double mode = 1;
    double vbs = 0, vgs = 0, vds = 0, vbd = 0;
    double cd = 0, cbs = 0, cbd = 0;
    double gm = 0, gds = 0, gmbs = 0, gbd = 0, gbs = 0;
    double capgb = 0, capgd = 0, capgs = 0;
    double CGSOVL = 0, CGDOVL = 0, CGBOVL = 0;
    double gdrain = 0, gsource = 0, ggate = 0, gbulk = 0;
    double power_dissipated = 0, power_stored = 0;
    Mos123Values m123;
    // Then what the evaluation of a device that is not bypassed reads and writes.
    double vdsat = 0, von = 0;
    double vgs1 = 0, vbs1 = 0, vds1 = 0;
    double NVt = 0;
    double vcritS = 0, vcritD = 0;
    double IsS = 0, IsD = 0;
    double Cbd = 0, Cbs = 0;
    double Cbdsw = 0, Cbssw = 0;
    double capbd = 0, capbs = 0;
    double Ig = 0, Id = 0, Is = 0, Ib = 0, ID = 0;
    int32_t region = 0;
    int32_t off = 0;

    int gate = 0, drain = 0, source = 0;
    int charge_node = 0;  // level 8 with NQSMOD 1: the node whose voltage is the charge deficit
    double L = 0;
    int32_t L_given = 0;
    double W = 0;
    int32_t W_given = 0;
    double AD = 0, AS = 0, PD = 0, PS = 0;
    double NRD = -1, NRS = -1, NRG = 0;
    double M = 1;
    // As parsed; the working geometry is restored from them before every preparation.
    double parsed_W = 0;
    int32_t parsed_W_given = 0;
    double parsed_L = 0;
    int32_t parsed_L_given = 0;
    double parsed_AD = 0, parsed_AS = 0, parsed_PD = 0, parsed_PS = 0;
    double ic_vds = 0, ic_vgs = 0, ic_vbs = 0;
    int bulk = 0;
    double NRB = 0;
    double tVto = 0;
    double vbs2 = 0, vgs2 = 0, vds2 = 0;
    double Leff = 0, Weff = 0;
    // AC currents into the drain, gate, source and bulk terminals.
    std::complex<double> ac_currents[4];
    // Level 8: the size-dependent values, made by its first temperature update.
    std::shared_ptr<Bsim3SizeParams> bsim3;
    // Level 4: the size-dependent values, made by its first device pass.
    std::shared_ptr<Bsim1SizeParams> bsim1;
    // Level 5: the size-dependent values, made by its first device pass.
    std::shared_ptr<Bsim2SizeParams> bsim2;
};

// --- Model and instance preparation of levels 1 to 3 ---------------------------------
// Model pass at analysis temperature t (C), per model list of type NMOS or PMOS:
// process defaults (0 or 15055 after a reported error), clamps, unit conversions.
int PrepareMos123Models(int model_type, double t);
void ClampMos123ModelValues(int model_type);
void ConvertMos123ModelValues(int model_type);
// The same three steps on one model (the list routines walk these).
int PrepareMos123Model(ModelParams& model, double t);
void ClampMos123Model(ModelParams& model);
void ConvertMos123Model(ModelParams& model);
// Geometry of every MOSFET from its parsed values, with the defaults of levels 1 to 3.
void RestoreMosfetGeometry();
// Device pass of every level-1-to-3 record at analysis temperature t (C); 0, or 15055
// after reporting a channel without positive effective size.
int UpdateMos123InstanceTemperatures(double t);
// Registers the model and device passes above with the temperature dispatchers.
void RegisterMos123Passes();

// --- Set-up and load -----------------------------------------------------------------
// Appends a MOSFET of levels 1 to 3 to list 36 with internal terminals equal to the
// external ones; W and L of 0 are not given.
MosfetInstance* AddMosfet(ModelParams* model, int drain, int gate, int source, int bulk, double w = 0, double l = 0);

// Whether a device whose voltages and currents have not moved may keep its last
// evaluation (on by default; the model checks turn it off to evaluate every load).
extern bool MosfetBypassAllowed;

// The 32 matrix entries of one device of levels 1 to 5, in the order their loads stamp them.
int AllocMosfetEntries(const MosfetInstance& m);
int SetupMosfets();
int LoadMosfets();
// AC stamp, terminal currents and noise sources of levels 1 to 3 at the operating point.
int AcLoadMosfets();
int ComputeMosfetAcCurrents();
int AddMosfetNoiseSources(double frequency);
// After an accepted time point: the voltage history and the capacitance halves move on.
void ShiftMosfetVoltageHistory();

// Half Meyer gate capacitances of the intrinsic device.
void MeyerCapacitances(double vgs, double vgd, double von, double vdsat, double phi, double cox, double* capgs,
                       double* capgd, double* capgb);

// Channel kernels of levels 2 and 3: they read vgs, vbs (normal mode) or vgd, vbd
// (reverse mode) and vds * mode; they return the channel current and write gm, gds,
// gmbs, von, vdsat (type-signed) and the region into the record.
struct MosVoltages {
    double vgs, vgd, vbs, vbd, vds;  // vds already multiplied by mode
};
double EvaluateMos2Current(MosfetInstance& device, const MosVoltages& v);
double EvaluateMos3Current(MosfetInstance& device, const MosVoltages& v);

extern const DeviceKindHandler kMosfetKind;
extern const AcKindHandler kMosfetAcKind;
// Registers the kind with the engine and its passes with the temperature dispatchers.
void RegisterMosfetKind();

}  // namespace ob7
