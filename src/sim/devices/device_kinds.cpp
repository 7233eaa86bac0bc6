#include "sim/devices/bipolar.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/diode.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/opamp.h"
#include "sim/devices/resistor.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/ac_load.h"

namespace ob7 {

// Each kind's handler and temperature passes; the engine and the dispatchers order them.
void RegisterDeviceKinds() {
    for (const DeviceKindHandler* kind :
         {&kDependentSourceKind, &kOpampKind, &kSineSourceKind, &kPulseSourceKind, &kSpiceSourceKind,
          &kUserSourceKind, &kResistorKind, &kInductorKind, &kCapacitorKind})
        RegisterDeviceKind(kind);

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
    RegisterMosfetKind();
}

}  // namespace ob7
