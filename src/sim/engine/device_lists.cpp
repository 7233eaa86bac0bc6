#include "sim/engine/device_lists.h"

#include "foundation/pool_list.h"

namespace ob7 {

DeviceList DeviceListTable[kDeviceListCount];

const int kDeviceListOrder[39] = {3,  35, 24, 22, 18, 0,  23, 36, 37, 27, 8,  34, 11,
                                  7,  15, 31, 20, 28, 2,  13, 25, 33, 10, 29, 14, 5,
                                  6,  16, 26, 19, 39, 30, 9,  17, 4,  21, 32, 12, 38};

uint32_t DeviceMarkUnion = 0;
uint32_t EngineQuantityMarks = 0;

namespace {
void (*unlink_hook)() = nullptr;

void EmptyList(DeviceList& list) {
    DeviceInstance* record = list.first;
    while (record) {
        DeviceInstance* next = record->next;
        delete record;
        record = next;
    }
    list.first = list.last = nullptr;
    list.count = 0;
}

template <class F>
void ForEveryHeadAndRecord(F&& apply) {
    for (DeviceList& list : DeviceListTable) {
        apply(list.flag_byte0, list.flag_byte1);
        for (DeviceInstance* r = list.first; r; r = r->next) apply(r->flag_byte0, r->flag_byte1);
    }
}
}  // namespace

void AddDevice(DeviceListKind kind, DeviceInstance* device) {
    DeviceList& list = DeviceListTable[kind];
    if (ListInsertMode == 1) {
        device->previous = nullptr;
        device->next = list.first;
        if (list.first) list.first->previous = device; else list.last = device;
        list.first = device;
    } else {
        device->next = nullptr;
        device->previous = list.last;
        if (list.last) list.last->next = device; else list.first = device;
        list.last = device;
    }
    ++list.count;
}

void FreeDeviceLists() {
    for (int kind : kDeviceListOrder) EmptyList(DeviceListTable[kind]);
    EmptyList(DeviceListTable[kBreakpointList]);
    if (unlink_hook) unlink_hook();
}

DeviceInstance* FindDeviceBySource(int number) {
    for (DeviceInstance* r = DeviceListTable[kInductorList].first; r; r = r->next)
        if (r->InductorNumber() == number) return r;
    return nullptr;
}

void SetDeviceUnlinkHook(void (*unlink_all)()) { unlink_hook = unlink_all; }

void SetDeviceFlagByte0(DeviceInstance* device, DeviceListKind list, uint8_t bits) {
    device->flag_byte0 |= bits;
    DeviceListTable[list].flag_byte0 |= bits;
    DeviceMarkUnion |= bits;
}

void SetDeviceFlagByte1(DeviceInstance* device, DeviceListKind list, uint8_t bits) {
    device->flag_byte1 |= bits;
    DeviceListTable[list].flag_byte1 |= bits;
    DeviceMarkUnion |= bits;
}

void ClearDeviceListFlags() {
    ForEveryHeadAndRecord([](uint8_t& b0, uint8_t& b1) { b0 = b1 = 0; });
    DeviceMarkUnion = 0;
    EngineQuantityMarks = 0;
}

uint32_t MaskDeviceListFlags(uint32_t mask) {
    ForEveryHeadAndRecord([mask](uint8_t& b0, uint8_t& b1) {
        b0 &= static_cast<uint8_t>(mask);
        b1 &= static_cast<uint8_t>(mask);
    });
    DeviceMarkUnion &= mask;
    return DeviceMarkUnion;
}

uint32_t SetDeviceListFlags(uint32_t bits) {
    ForEveryHeadAndRecord([bits](uint8_t& b0, uint8_t& b1) {
        b0 |= static_cast<uint8_t>(bits);
        b1 |= static_cast<uint8_t>(bits);
    });
    DeviceMarkUnion |= bits;
    return DeviceMarkUnion;
}

}  // namespace ob7
