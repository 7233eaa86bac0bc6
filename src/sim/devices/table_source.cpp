#include "sim/devices/table_source.h"

#include <algorithm>
#include <cmath>

#include "sim/devices/controlled_convergence.h"
#include "sim/devices/device_contract.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

int NumberTableBranches(int next) {
    for (auto* s : DevicesOf<TableSource>(kTableSourceList)) {
        s->branch = 0;
        if (s->form == kTableG) continue;
        s->branch = next;
        next += s->form == kTableH ? 2 : 1;
    }
    return next;
}

}  // namespace

const DeviceKindHandler kTableSourceKind{LoadStage::TableSources, 0, SetupTableSources, LoadTableSources,
                                         BranchRank::TableSources, NumberTableBranches};
const AcKindHandler kTableSourceAcKind{AcStage::TableSources, 0, AcLoadTableSources, AcCurrentRank::TableSources,
                                       ComputeTableSourceAcCurrents};

TableSource* AddTableSource(int form, int a, int b, int c, int d, std::vector<std::pair<double, double>> points) {
    auto* s = new TableSource;
    s->form = form, s->a = a, s->b = b, s->c = c, s->d = d;
    s->points = std::move(points);
    AddDevice(kTableSourceList, s);
    return s;
}

int SetupTableSources() {
    for (auto* s : DevicesOf<TableSource>(kTableSourceList))
        if (int error = AllocControlledSourceEntries(s->form - kTableG, s->branch, s->a, s->b, s->c, s->d))
            return error;
    return 0;
}

int LoadTableSources() {
    for (auto* s : DevicesOf<TableSource>(kTableSourceList)) {
        const int form = s->form - kTableG;
        const bool current_input = s->form == kTableF || s->form == kTableH;
        const double u = current_input ? Solution[s->branch] : Solution[s->a] - Solution[s->b];
        const auto& p = s->points;
        const int last = static_cast<int>(p.size()) - 1;
        // A table of one point is a constant.
        int i = 1;
        while (i < last && p[i].first < u) ++i;
        i = std::min(i, std::max(last, 0));
        s->segment = i, s->input = u;
        const std::pair<double, double> p0 = p.empty() ? std::pair{0.0, 0.0} : p[std::max(i - 1, 0)];
        const std::pair<double, double> p1 = p.empty() ? p0 : p[i];
        double slope = p1.first != p0.first ? (p1.second - p0.second) / (p1.first - p0.first) : 0.0;
        if (std::fabs(slope) < Options.gmin) slope = slope < 0 ? -Options.gmin : Options.gmin;
        s->slope = slope;
        const double v = slope * (u - p0.first) + p0.second;
        const double w = v - u * slope;
        switch (s->form) {
        case kTableE: RightHandSide[s->branch] = w; break;
        case kTableH: RightHandSide[s->branch + 1] = w; break;
        default:
            RightHandSide[s->c] -= w;
            RightHandSide[s->d] += w;
            break;
        }
        if (ControlledOutputNotConverged(form, s->output, v)) RecordNonConvergentDevice(s, kNcTable, v);
        StampControlledSource(form, slope);
        if (s->flag_byte1) {
            const double i_out = s->form == kTableE ? Solution[s->branch]
                                 : s->form == kTableH ? Solution[s->branch + 1]
                                                      : v;
            s->power = -(i_out * (Solution[s->c] - Solution[s->d]));
            Run.power_generated += s->power;
        }
    }
    return 0;
}

void AcceptTableSourceStates() {
    for (auto* s : DevicesOf<TableSource>(kTableSourceList)) {
        s->previous_segment = s->segment;
        s->previous_input = s->input;
    }
}

int AcLoadTableSources() {
    for (auto* s : DevicesOf<TableSource>(kTableSourceList))
        if (int error = AcStampControlledSource(true, true, s->form - kTableG, s->branch, s->branch + 1, s->a, s->b,
                                                s->c, s->d, s->slope, 0))
            return error;
    return 0;
}

int ComputeTableSourceAcCurrents() {
    for (auto* s : DevicesOf<TableSource>(kTableSourceList)) {
        if (s->form == kTableG) s->ac_current = s->slope * (AcNodeValue(s->a) - AcNodeValue(s->b));
        else if (s->form == kTableF) s->ac_current = s->slope * AcNodeValue(s->branch);
    }
    return 0;
}

}  // namespace ob7
