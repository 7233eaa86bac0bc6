#include "expression/random_tokens.h"

#include "expression/expression.h"
#include "expression/waveform_run_hooks.h"

namespace ob7 {

namespace {

const ExpressionDeviceList kRandomLists[] = {
    ExpressionDeviceList::NonlinearSources, ExpressionDeviceList::TableSources, ExpressionDeviceList::Resistors,
    ExpressionDeviceList::Capacitors,       ExpressionDeviceList::Inductors,
};

int Bit(ExpressionDeviceList list) { return 1 << int(list); }

}  // namespace

int UpdateRandomTokenFlags(RunExpressionOwners& owners) {
    int mask = 0;
    for (ExpressionDeviceList list : kRandomLists) {
        if (!owners.ListHoldsExpressions(list)) continue;
        for (int i = 0, n = owners.DeviceCount(list); i < n; ++i) {
            const CompiledExpression* e = owners.DeviceExpression(list, i);
            if (e && e->uses_random) {
                mask |= Bit(list);
                break;
            }
        }
    }
    RedrawAllRandomTokens(owners, mask);
    return mask;
}

void RedrawAllRandomTokens(RunExpressionOwners& owners, int list_mask) {
    for (int g = 0, n = owners.GraphCount(); g < n; ++g) {
        for (int axis = 0; axis < 2; ++axis) {
            if (CompiledExpression* e = owners.GraphExpression(g, axis)) RedrawRandomTokens(e);
        }
    }
    for (ExpressionDeviceList list : kRandomLists) {
        if (!(list_mask & Bit(list))) continue;
        for (int i = 0, n = owners.DeviceCount(list); i < n; ++i) {
            if (CompiledExpression* e = owners.DeviceExpression(list, i)) RedrawRandomTokens(e);
        }
    }
}

}  // namespace ob7
