#pragma once
// What devices remember besides the node states, and a time point may change: the
// histories of the timing checks, the pin value records, what a pin-delay part drives,
// the conversion requests of the A/D converters, the warnings written. Each is kept as it was before its first change after the last
// accepted point, so that a rejected analog step restores it with the node states.

#include <cstdint>

namespace ob7 {

struct ConstraintRecord;
struct PinDelayRecord;
struct AdcDevice;

// Before a change; keeping a record twice in one time point keeps the first state.
void KeepFlipFlopMemory(int record);
void KeepConstraintMemory(ConstraintRecord& record);
void KeepPinDelayMemory(PinDelayRecord& record);
void KeepAdcRequest(AdcDevice& device);
// A rejected time point: everything kept goes back, and the warnings it wrote go.
void RestoreDeviceMemories();
// An accepted time point (or a new case): what was kept is dropped.
void ForgetDeviceMemories();

}  // namespace ob7
