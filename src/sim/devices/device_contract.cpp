#include "sim/devices/device_contract.h"

#include <cmath>

#include "sim/engine/device_lists.h"
#include "sim/engine/integration.h"

namespace ob7 {

bool (*ValueIsStepped)(const double* value) = nullptr;

int AllocVoltageBranchEntries(int k, int a, int b) {
    for (auto [r, c] : {std::pair{k, a}, {k, b}, {a, k}, {b, k}})
        if (int error = AllocMatrixEntry(r, c)) return error;
    return 0;
}

int AllocTransconductanceEntries(int a, int b, int c, int d) {
    for (auto [r, col] : {std::pair{c, a}, {c, b}, {d, a}, {d, b}})
        if (int error = AllocMatrixEntry(r, col)) return error;
    return 0;
}

int AllocControlledSourceEntries(int form, int k, int a, int b, int c, int d) {
    switch (form) {
    case 0:
        return AllocTransconductanceEntries(a, b, c, d);
    case 1:
        if (int error = AllocVoltageBranchEntries(k, a, b)) return error;
        if (int error = AllocMatrixEntry(c, k)) return error;
        return AllocMatrixEntry(d, k);
    case 2:
        for (auto [r, col] : {std::pair{k, a}, {k, b}, {k, c}, {k, d}, {c, k}, {d, k}})
            if (int error = AllocMatrixEntry(r, col)) return error;
        return 0;
    case 3:
        if (int error = AllocVoltageBranchEntries(k, a, b)) return error;
        if (int error = AllocVoltageBranchEntries(k + 1, c, d)) return error;
        return AllocMatrixEntry(k + 1, k);
    default:
        return 0;
    }
}

void StampControlledSource(int form, double gain) {
    switch (form) {
    case 0:
        StampNext(gain), StampNext(-gain), StampNext(-gain), StampNext(gain);
        break;
    case 1:
        StampNext(1), StampNext(-1), StampNext(1), StampNext(-1);
        StampNext(gain), StampNext(-gain);
        break;
    case 2:
        StampNext(-gain), StampNext(gain), StampNext(1), StampNext(-1), StampNext(1), StampNext(-1);
        break;
    case 3:
        for (int i = 0; i < 2; ++i) StampNext(1), StampNext(-1), StampNext(1), StampNext(-1);
        StampNext(-gain);
        break;
    default:
        break;
    }
}

int FirstStateIndex(StateBlock block) {
    const DeviceList* lists = DeviceListTable;
    const int per_block[] = {lists[kCapacitorList].count, lists[kInductorList].count, lists[kDiodeList].count,
                             2 * lists[kJfetList].count,   3 * lists[kGaasfetList].count,
                             5 * lists[kBjtList].count};
    int states = 0;
    for (int b = 0; b < block; ++b) states += per_block[b];
    return states * kHistorySlots;
}

double LimitedExp(double x) {
    if (x > 350) x = 350;
    if (x < -350) x = -350;
    return std::exp(x);
}

}  // namespace ob7
