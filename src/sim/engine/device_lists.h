#pragma once
// The compiled circuit: one list of device records per device kind. The lists are
// module-level and live for the whole program, empty between analyses; the compiler
// fills them, the set-up and load passes and the device models walk them.

#include <cstdint>

namespace ob7 {

// Index of a device list. The numbers are fixed: other code stores them.
enum DeviceListKind : int {
    kCouplingList = 0,
    kBreakpointList = 1,
    kLosslessLineList = 2,
    kResistorList = 3,
    kDisplayLampList = 4,
    kSpiceSourceList = 5,
    kAtoDInterfaceList = 6,
    kLaplaceSourceList = 7,
    kNPortList = 8,
    kConstraintList = 9,
    kVSwitchList = 10,
    kLinearDependentSourceList = 11,
    kAdcList = 12,
    kUserSourceList = 13,
    kPolySourceList = 14,
    kFunctionSourceList = 15,
    kDtoAInterfaceList = 16,
    kSevenSegmentList = 17,
    kSineSourceList = 18,
    kPinDelayList = 19,
    kLaplaceTableSourceList = 20,
    kSampleHoldList = 21,
    kDiodeList = 22,
    kBjtList = 23,
    kInductorList = 24,
    kMagneticCoreList = 25,
    kLogicExpressionList = 26,
    kOpampList = 27,
    kSwitchList = 28,
    kISwitchList = 29,
    kFlipFlopCheckList = 30,
    kTableSourceList = 31,
    kPlaList = 32,
    kGaasfetList = 33,
    kPulseSourceList = 34,
    kCapacitorList = 35,
    kMosfetList = 36,
    kJfetList = 37,
    kDacList = 38,
    kLossyLineList = 39,
    kDeviceListCount = 40
};

// Head of every device record. A kind's record derives from it and adds its body;
// whatever the body owns is released by the record's destructor (the list's destroy
// behaviour), so emptying a list never leaks.
struct DeviceInstance {
    virtual ~DeviceInstance() = default;

    // The record's own numbers that the non-convergence report prints for a failure of
    // the given kind (the present value, or the junction voltages); returns how many.
    virtual int NonConvergenceValues(int kind, double* values) const { return 0; }
    // An inductor's running number (its branch equation is the node count plus it).
    virtual int InductorNumber() const { return 0; }

    DeviceInstance* next = nullptr;
    DeviceInstance* previous = nullptr;
    int32_t kind = 0;               // the builder's sub-kind or component type
    void* owning_part = nullptr;    // circuit object or netlist statement it came from
    uint8_t flag_byte0 = 0;         // reference marks (which quantities are wanted)
    uint8_t flag_byte1 = 0;
};

// One list head: its records in order, the union of their flag bytes, and the
// non-constant-expression words that the device-expression sweep sets.
struct DeviceList {
    DeviceInstance* first = nullptr;
    DeviceInstance* last = nullptr;
    int32_t count = 0;
    uint8_t flag_byte0 = 0;
    uint8_t flag_byte1 = 0;
    int32_t non_constant_expression = 0;
    int32_t non_constant_sample_expression = 0;  // sample-and-hold list only

    bool empty() const { return first == nullptr; }
};

extern DeviceList DeviceListTable[kDeviceListCount];

// The 39 device lists in the order of every whole-table operation (list 1, the time
// breakpoints, is not a device list).
extern const int kDeviceListOrder[39];

// OR of every flag byte set since the last clear.
extern uint32_t DeviceMarkUnion;
// OR of the marks of expressions that read the engine-wide power quantities.
extern uint32_t EngineQuantityMarks;

// Takes ownership of a newly built record and links it into its list by the insertion
// mode that every pooled list shares (SetListInsertMode: 1 at the head, else at the
// tail). The record's kind word is left as the builder set it.
void AddDevice(DeviceListKind list, DeviceInstance* device);

// Empties the 39 device lists in the fixed order, then list 1, destroying every
// record, and then runs the unlink hook (which clears the circuit's links to its
// devices; installed by the circuit side).
void FreeDeviceLists();
void SetDeviceUnlinkHook(void (*unlink_all)());

// The inductor whose running number is `number`, or null.
DeviceInstance* FindDeviceBySource(int number);

// Reference marks. `list` is the list the device belongs to.
void SetDeviceFlagByte0(DeviceInstance* device, DeviceListKind list, uint8_t bits);
void SetDeviceFlagByte1(DeviceInstance* device, DeviceListKind list, uint8_t bits);
void ClearDeviceListFlags();
uint32_t MaskDeviceListFlags(uint32_t mask);
uint32_t SetDeviceListFlags(uint32_t bits);

// Walks a list with the record's own type: for (auto* r : DevicesOf<Diode>(kDiodeList)).
template <class T>
class DevicesOf {
public:
    explicit DevicesOf(DeviceListKind list) : head_(DeviceListTable[list].first) {}
    struct iterator {
        DeviceInstance* at;
        T* operator*() const { return static_cast<T*>(at); }
        iterator& operator++() { at = at->next; return *this; }
        bool operator!=(const iterator& other) const { return at != other.at; }
    };
    iterator begin() const { return {head_}; }
    iterator end() const { return {nullptr}; }

private:
    DeviceInstance* head_;
};

}  // namespace ob7
