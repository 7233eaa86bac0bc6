#include "sim/devices/bipolar.h"
#include "sim/devices/bsim12.h"
#include "sim/devices/bsim3.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/diode.h"
#include "sim/devices/freq_table_source.h"
#include "sim/devices/function_source.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/gaasfet.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/jfet.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/mosfet_instance_defaults.h"
#include "sim/devices/opamp.h"
#include "sim/devices/poly_source.h"
#include "sim/devices/resistor.h"
#include "sim/devices/sample_hold.h"
#include "sim/devices/switch.h"
#include "sim/devices/table_source.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/tline.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/ac_load.h"

namespace ob7 {

// Each kind's handler and temperature passes; the engine and the dispatchers order them.
void RegisterDeviceKinds() {
    for (const DeviceKindHandler* kind :
         {&kDependentSourceKind, &kOpampKind, &kSineSourceKind, &kPulseSourceKind, &kSpiceSourceKind,
          &kUserSourceKind, &kResistorKind, &kInductorKind, &kCapacitorKind})
        RegisterDeviceKind(kind);
    // Switches, lines and the behavioural sources.
    for (const DeviceKindHandler* kind :
         {&kPolySourceKind, &kVSwitchKind, &kISwitchKind, &kSwitchComponentKind, &kTLineKind, &kTLinePortKind, &kLossyLineKind,
          &kTableSourceKind, &kFunctionSourceKind, &kSampleHoldKind, &kLaplaceSourceKind, &kFreqTableSourceKind})
        RegisterDeviceKind(kind);
    for (const AcKindHandler* kind : {&kPolySourceAcKind, &kSwitchAcKind, &kTLineAcKind, &kLossyLineAcKind, &kTableSourceAcKind,
                                      &kLaplaceSourceAcKind, &kFreqTableSourceAcKind, &kFunctionSourceAcKind})
        RegisterAcKind(kind);

    RegisterModelPass(ModelPassStep::Opamps, UpdateOpampTemperatures);
    RegisterModelPass(ModelPassStep::PulseSources, PreparePulseModels);
    RegisterModelPass(ModelPassStep::SpicePulseSources, PrepareSpicePulses);

    RegisterDevicePass(DevicePassStep::Capacitors, UpdateCapacitorTemperatures);
    RegisterDevicePass(DevicePassStep::Inductors, UpdateInductorTemperatures);
    RegisterDevicePass(DevicePassStep::Resistors, UpdateResistorTemperatures);

    for (const AcKindHandler* kind :
         {&kCapacitorAcKind, &kInductorAcKind, &kCouplingAcKind, &kResistorAcKind, &kDiodeAcKind, &kBjtAcKind,
          &kMosfetAcKind, &kDependentSourceAcKind, &kSineSourceAcKind, &kPulseSourceAcKind, &kUserSourceAcKind,
          &kSpiceSourceAcKind, &kOpampAcKind})
        RegisterAcKind(kind);

    RegisterDiodeKind();
    RegisterBjtKind();
    RegisterLossyLinePasses();
    RegisterMosfetKind();
    RegisterMosfetInstanceDefaults();
    RegisterJfetKind();
    RegisterGaasfetKind();
    RegisterBsim3Kind();
    RegisterMosfetLevel45Kind();
}

}  // namespace ob7
