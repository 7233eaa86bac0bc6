#include "sim/digital/device_memory.h"

#include <string>
#include <utility>
#include <vector>

#include "sim/digital/constraint.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/interfaces.h"
#include "sim/digital/pin_delay.h"
#include "sim/digital/timing_checks.h"

namespace ob7 {

namespace {

// Records carry the generation they were kept in; every accepted point starts a new one.
uint32_t Generation = 1;
std::vector<std::pair<int, FlipFlopCheckRecord>> FlipFlops;
std::vector<std::pair<ConstraintRecord*, ConstraintRecord::Memory>> Constraints;
std::vector<std::pair<PinDelayRecord*, std::vector<PinDelayRecord::Output>>> PinDelays;
std::vector<std::pair<AdcDevice*, bool>> AdcRequests;
size_t WarningTextSize = 0;
int WarningCount = 0;

}  // namespace

void KeepFlipFlopMemory(int record) {
    FlipFlopCheckRecord& r = DigitalNet.flipflops[record];
    if (r.kept == Generation) return;
    r.kept = Generation;
    FlipFlops.emplace_back(record, r);
}

void KeepConstraintMemory(ConstraintRecord& record) {
    if (record.kept == Generation) return;
    record.kept = Generation;
    Constraints.emplace_back(&record, record.memory);
}

void KeepPinDelayMemory(PinDelayRecord& record) {
    KeepConstraintMemory(record.checks);
    if (record.kept == Generation) return;
    record.kept = Generation;
    PinDelays.emplace_back(&record, record.outputs);
}

void KeepAdcRequest(AdcDevice& device) {
    if (device.kept == Generation) return;
    device.kept = Generation;
    AdcRequests.emplace_back(&device, device.request);
}

void RestoreDeviceMemories() {
    for (auto& [record, kept] : FlipFlops) DigitalNet.flipflops[record] = kept;
    for (auto& [record, memory] : Constraints) record->memory = std::move(memory);
    for (auto& [record, outputs] : PinDelays) record->outputs = std::move(outputs);
    for (auto& [device, request] : AdcRequests) device->request = request;
    if (DigitalWarningText.size() > WarningTextSize) DigitalWarningText.resize(WarningTextSize);
    if (DigitalWarningCount > WarningCount) DigitalWarningCount = WarningCount;
    ForgetDeviceMemories();
}

void ForgetDeviceMemories() {
    FlipFlops.clear();
    Constraints.clear();
    PinDelays.clear();
    AdcRequests.clear();
    if (++Generation == 0) Generation = 1;
    WarningTextSize = DigitalWarningText.size();
    WarningCount = DigitalWarningCount;
}

}  // namespace ob7
