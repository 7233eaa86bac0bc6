#include "sim/digital/interfaces.h"

#include <algorithm>
#include <cmath>

#include "sim/digital/device_memory.h"
#include "sim/digital/digital_messages.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/timing_checks.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

InterfaceOutputs Interfaces;

namespace {

double Voltage(const std::vector<double>& x, int node) {
    return node > 0 && static_cast<size_t>(node) < x.size() ? x[node] : 0.0;
}

bool ValidStateChar(char c) { return c == '0' || c == 'R' || c == 'F' || c == '1' || c == 'X' || c == 'Z'; }

int FindNamed(const std::vector<InterfaceState>& states, char name) {
    for (size_t i = 0; i < states.size(); ++i)
        if (states[i].name == name) return static_cast<int>(i);
    return -1;
}

char StateName(const DigitalModelValues& m, const std::string& key) {
    const std::string t = m.Text(key);
    return t.empty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(t[0])));
}

int IllegalStateChar(const AtoDInterface& r) {
    for (const InterfaceState& s : r.states)
        if (!ValidStateChar(s.name)) return kMsgIllegalStateChar;
    if (r.between.name && !ValidStateChar(r.between.name)) return kMsgIllegalStateChar;
    return 0;
}

void DriveAtoDNode(AtoDInterface& r, int s) {
    const InterfaceState& st = s < static_cast<int>(r.states.size()) ? r.states[s] : r.between;
    const DigitalState v = MakeState(DigitalLevelOfLetter(st.name), 63);
    DigitalNet.present[r.digital_node] = DigitalNet.pending[r.digital_node] = v;
}

char AtoDName(const AtoDInterface& r, int s) {
    return s < static_cast<int>(r.states.size()) ? r.states[s].name : r.between.name;
}

}  // namespace

int NewAtoDInterface(const DigitalPartDesc& part, int primitive) {
    auto* r = new AtoDInterface;
    r->part = part.name;
    r->primitive = primitive;
    r->digital_node = part.pins.empty() ? 0 : part.pins[0];
    r->analog_node = part.analog_node;
    r->reference_node = part.reference_node;
    r->model_name = part.timing.name;
    r->model_file = part.timing.library_file;
    const DigitalModelValues& m = part.timing;
    bool any = false;
    for (int i = 0; i < 20; ++i) {
        const std::string n = "S" + std::to_string(i);
        const char name = StateName(m, n + "NAME");
        if (!name) break;
        any = true;
        InterfaceState s;
        s.name = name;
        s.vlo = m.Get(n + "VLO", 0);
        s.vhi = m.Get(n + "VHI", 0);
        r->states.push_back(s);
    }
    if (!any) {
        InterfaceState s0, s1;
        s0.name = '0'; s0.vlo = 0; s0.vhi = 0.8;
        s1.name = '1'; s1.vlo = 0.8; s1.vhi = 10;
        r->states = {s0, s1};
    }
    r->between.name = StateName(m, "SXNAME");
    AddDevice(kAtoDInterfaceList, r);
    return 0;
}

int NewDtoAInterface(const DigitalPartDesc& part, int primitive) {
    auto* r = new DtoAInterface;
    r->part = part.name;
    r->primitive = primitive;
    r->digital_node = part.pins.empty() ? 0 : part.pins[0];
    r->analog_node = part.analog_node;
    r->low_node = part.low_node;
    r->high_node = part.high_node;
    const DigitalModelValues& m = part.timing;
    for (int i = 0; i < 20; ++i) {
        const std::string n = "S" + std::to_string(i);
        const char name = StateName(m, n + "NAME");
        if (!name) break;
        InterfaceState s;
        s.name = name;
        s.tsw = m.Get(n + "TSW", 0);
        s.rlo = m.Get(n + "RLO", 1);
        s.rhi = m.Get(n + "RHI", 1);
        r->states.push_back(s);
    }
    if (r->states.empty()) {
        InterfaceState s0, s1;
        s0.name = '0'; s0.tsw = 3.5e-9; s0.rlo = 7.13; s0.rhi = 389;
        s1.name = '1'; s1.tsw = 5.5e-9; s1.rlo = 467; s1.rhi = 200;
        r->states = {s0, s1};
    }
    AddDevice(kDtoAInterfaceList, r);
    return 0;
}

int NewAdcDevice(const DigitalPartDesc& part, int primitive) {
    if (part.pins.size() < 4) return DigitalSetupFail(11902, part.name, "", 0, "pins", "Nothing");
    auto* r = new AdcDevice;
    r->part = part.name;
    r->primitive = primitive;
    r->in = part.adc_in;
    r->ref = part.adc_ref;
    r->gnd = part.adc_gnd;
    r->convert = part.pins[0];
    r->status = part.pins[1];
    r->over = part.pins[2];
    for (size_t i = part.pins.size(); i-- > 3;) r->bits.push_back(part.pins[i]);  // LSB is the last pin
    AddDevice(kAdcList, r);
    return 0;
}

int NewDacDevice(const DigitalPartDesc& part, int primitive) {
    auto* r = new DacDevice;
    r->part = part.name;
    r->primitive = primitive;
    r->out = part.dac_out;
    r->ref = part.dac_ref;
    r->gnd = part.dac_gnd;
    r->bits = part.pins;
    AddDevice(kDacList, r);
    return 0;
}

int FindAtoDState(AtoDInterface& r, bool report) {
    double v = Voltage(Solution, r.analog_node) - Voltage(Solution, r.reference_node);
    v = std::clamp(v, -100.0, 100.0);
    const int n = static_cast<int>(r.states.size());
    const int start = r.previous < n ? r.previous : 0;
    for (int k = 0; k < n; ++k) {
        const int i = (start + k) % n;
        if (r.states[i].vlo <= v && v < r.states[i].vhi) {
            if (report) r.hazard_reported = false;
            r.current = i;
            return i;
        }
    }
    int result;
    if (r.between.name) {
        result = n;
    } else {
        result = 0;
        double best = 1e300;
        for (int i = 0; i < n; ++i) {
            const double d = std::fabs(v - 0.5 * (r.states[i].vlo + r.states[i].vhi));
            if (d < best) { best = d; result = i; }
        }
    }
    if (report && !r.hazard_reported) {
        r.hazard_reported = true;
        WriteAtoDHazard(r.part, std::to_string(r.analog_node), v, Interfaces.present_time);
    }
    r.current = result;
    return result;
}

int ResetAtoDInterfaces(bool first) {
    for (auto* r : DevicesOf<AtoDInterface>(kAtoDInterfaceList)) {
        r->hazard_reported = false;
        if (!first) continue;
        int s = FindNamed(r->states, 'X');
        if (s < 0) s = FindNamed(r->states, '0');
        if (s < 0) return kMsgNoAtoDStartState;
        r->current = r->previous = s;
    }
    return 0;
}

int LoadAtoDInterfaces() {
    Interfaces.atod_step_cut = false;
    Interfaces.atod_step_fraction = 1e30;
    DigitalRun.atod_changed = false;
    for (auto* r : DevicesOf<AtoDInterface>(kAtoDInterfaceList)) {
        if (IllegalStateChar(*r)) return kMsgIllegalStateChar;
        const int s = FindAtoDState(*r, false);
        if (!DigitalRun.transient) {
            DriveAtoDNode(*r, s);
            r->current = r->previous = s;
            continue;
        }
        if (AtoDName(*r, s) == AtoDName(*r, r->previous)) continue;
        DigitalRun.atod_changed = true;
        const double u = Voltage(LastAcceptedSolution, r->analog_node) - Voltage(LastAcceptedSolution, r->reference_node);
        const double v = Voltage(Solution, r->analog_node) - Voltage(Solution, r->reference_node);
        const double dv = v - u;
        if (dv == 0 || r->previous >= static_cast<int>(r->states.size())) continue;
        const InterfaceState& p = r->states[r->previous];
        const double l = dv > 0 ? p.vhi : p.vlo;
        const double h = std::max(0.01, (1 + 2 * Options.reltol) * (l - u) / dv);
        const double over = dv > 0 ? v - l : l - v;
        if (h < 1 - Options.reltol && over / std::max(1.0, std::fabs(l)) > Options.reltol) {
            Interfaces.atod_step_cut = true;
            Interfaces.atod_step_fraction = std::min(Interfaces.atod_step_fraction, h);
        }
    }
    return 0;
}

int UpdateAtoDInterfaces() {
    DigitalRunState& run = DigitalRun;
    run.changed_nodes.clear();
    run.cursor = 0;
    // The present tick, also for what the A/D converters schedule after this: a rejected
    // point may have left a later one.
    const uint32_t tick = DigitalPresentTick(Interfaces.present_time);
    run.now = tick;
    for (auto* r : DevicesOf<AtoDInterface>(kAtoDInterfaceList)) {
        if (IllegalStateChar(*r)) return kMsgIllegalStateChar;
        const int s = FindAtoDState(*r, true);
        if (run.solution_count == 0 || AtoDName(*r, s) != AtoDName(*r, r->previous)) {
            AddChangedNode(r->digital_node);
            const int node = r->digital_node;
            const DigitalState before = DigitalNet.present[node], pending = DigitalNet.pending[node];
            DriveAtoDNode(*r, s);
            // Logged like any change, so that the time loop shows it as its own point.
            if (DigitalNet.present[node] != before)
                run.transitions.push_back({node, r->primitive, DigitalNet.present[node], before, pending, tick});
        }
        r->previous = r->current;
    }
    if (run.changed_nodes.empty()) return 0;
    run.transient = true;
    const int result = EvaluateFanout(run.now);
    for (int node : run.changed_nodes)
        if (node) DigitalNet.previous[node] = DigitalNet.present[node];
    return result;
}

int ResetDtoAInterfaces(bool first) {
    for (auto* r : DevicesOf<DtoAInterface>(kDtoAInterfaceList)) {
        if (first) {
            int s = FindNamed(r->states, 'X');
            if (s < 0) s = FindNamed(r->states, '0');
            if (s < 0) return kMsgNoDtoAStartState;
            r->current = s;
            r->applied = s;
            r->tsw = r->states[s].tsw == 0 ? 1e-11 : r->states[s].tsw;
            r->rlo_new = r->rlo_old = r->rlo = r->states[s].rlo;
            r->rhi_new = r->rhi_old = r->rhi = r->states[s].rhi;
        }
        r->start = DigitalRun.start_time;
    }
    return 0;
}

namespace {

int CurrentDtoAState(DtoAInterface& r) {
    const int s = FindNamed(r.states, DigitalStateChar(DigitalNet.present[r.digital_node]));
    if (s < 0) return -1;
    r.current = s;
    return s;
}

void StartSwitching(DtoAInterface& r, double now) {
    const InterfaceState& s = r.states[r.current];
    r.rlo_old = r.rlo_new;
    r.rhi_old = r.rhi_new;
    r.start = now;
    r.tsw = s.tsw == 0 ? 1e-11 : s.tsw;
    r.rlo_new = s.rlo;
    r.rhi_new = s.rhi;
    r.applied = r.current;
}

}  // namespace

int UpdateDtoAForNode(int node) {
    for (auto* r : DevicesOf<DtoAInterface>(kDtoAInterfaceList)) {
        if (r->digital_node != node) continue;
        if (CurrentDtoAState(*r) < 0) return kMsgIllegalDtoAState;
        if (r->current != r->applied || !DigitalRun.transient) DigitalRun.dtoa_changed = true;
        if (!DigitalRun.transient || DigitalRun.solution_count == 0) {
            const InterfaceState& s = r->states[r->current];
            r->rlo_new = r->rlo_old = r->rlo = s.rlo;
            r->rhi_new = r->rhi_old = r->rhi = s.rhi;
            r->start = DigitalRun.start_time;
            r->applied = r->current;
        }
    }
    return 0;
}

int UpdateDtoAInterfaces() {
    Interfaces.dtoa_step_limit = 1e30;
    Interfaces.dtoa_limit_active = false;
    const double now = Interfaces.present_time;
    const double divisor = std::max(20.0, 6 * std::fabs(std::log10(Options.reltol)) + 2);
    for (auto* r : DevicesOf<DtoAInterface>(kDtoAInterfaceList)) {
        if (CurrentDtoAState(*r) < 0) return kMsgIllegalDtoAState;
        if (r->current != r->applied || !DigitalRun.transient || DigitalRun.solution_count == 0)
            StartSwitching(*r, now);
        if (now - r->start < r->tsw) {
            Interfaces.dtoa_step_limit = std::min(Interfaces.dtoa_step_limit, r->tsw / divisor);
            Interfaces.dtoa_limit_active = true;
        }
    }
    return 0;
}

void LoadDtoAResistances() {
    const double now = Interfaces.present_time;
    for (auto* r : DevicesOf<DtoAInterface>(kDtoAInterfaceList)) {
        const double a = !DigitalRun.transient ? 0.0 : std::clamp(1 - (now - r->start) / r->tsw, 0.0, 1.0);
        r->rlo = r->rlo_new + a * (r->rlo_old - r->rlo_new);
        r->rhi = r->rhi_new + a * (r->rhi_old - r->rhi_new);
    }
}

void AdcConvertTrigger(int primitive) {
    for (auto* r : DevicesOf<AdcDevice>(kAdcList)) {
        if (r->primitive != primitive) continue;
        const int now = DigitalFinalLevel(LevelOf(DigitalNet.present[r->convert]));
        const int before = DigitalFinalLevel(LevelOf(DigitalNet.previous[r->convert]));
        // A rejected time point takes its request back with its events.
        KeepAdcRequest(*r);
        r->request = now == kLvl1 && before == kLvl0;
        if (r->request) DigitalRun.adc_changed = true;
    }
}

namespace {

void AdcConvert(AdcDevice& r, bool code_changed, bool over) {
    const Primitive& p = DigitalNet.prims[r.primitive];
    const std::vector<int32_t>& delays = DigitalNet.info[r.primitive].delays;
    const int mode = p.timing_mode == 4 ? 3 : std::clamp<int>(p.timing_mode, 1, 3);
    auto delay = [&](int slot) {
        return slot + mode - 1 < static_cast<int>(delays.size()) ? static_cast<uint32_t>(delays[slot + mode - 1]) : 0u;
    };
    const int L = p.low, H = p.high;
    if (!DigitalRun.transient) {
        auto set = [&](int node, DigitalState s) {
            if (node > 0) DigitalNet.present[node] = DigitalNet.pending[node] = s;
        };
        set(r.status, MakeState(kLvl0, L));
        set(r.over, MakeState(kLvlX, H));
        if (delay(3) > 0)
            for (int b : r.bits) set(b, MakeState(kLvlX, H));
        return;
    }
    const uint32_t t = DigitalTimeTick(Interfaces.present_time);
    const uint32_t tpcs = delay(0), tpsd = delay(3), tpds = delay(6);
    ScheduleOutputChange(t + tpcs, L, H, r.status, r.primitive, MakeState(kLvl1, H), true);
    uint32_t data_time = t + tpcs;
    if (tpsd > 0) {
        for (int b : r.bits) ScheduleOutputChange(t + tpcs, L, H, b, r.primitive, MakeState(kLvlX, H), true);
        ScheduleOutputChange(t + tpcs, L, H, r.over, r.primitive, MakeState(kLvlX, H), true);
        data_time += tpsd;
        code_changed = true;
    }
    if (code_changed) {
        for (size_t k = 0; k < r.bits.size(); ++k) {
            const bool set = (r.code >> k) & 1;
            ScheduleOutputChange(data_time, L, H, r.bits[k], r.primitive, set ? MakeState(kLvl1, H) : MakeState(kLvl0, L),
                                 true);
        }
        ScheduleOutputChange(data_time, L, H, r.over, r.primitive, MakeState(over ? kLvl1 : kLvl0, L), true);
    }
    ScheduleOutputChange(data_time + tpds, L, H, r.status, r.primitive, MakeState(kLvl0, L), true);
}

}  // namespace

int DigitalUpdateEvents() {
    if (!DigitalRun.transient) DigitalRun.changed_nodes.clear();
    for (auto* r : DevicesOf<AdcDevice>(kAdcList)) {
        if (!r->request && DigitalRun.transient) continue;
        r->request = false;
        const long long N = 1ll << r->bits.size();
        const double vin = Voltage(Solution, r->in), vref = Voltage(Solution, r->ref), vgnd = Voltage(Solution, r->gnd);
        long long code = vref == vgnd ? N - 1 : static_cast<long long>(std::floor((vin - vgnd) * N / (vref - vgnd) + 0.5));
        bool over = false;
        if (code < 0) { code = 0; over = true; }
        if (code > N - 1) { code = N - 1; over = true; }
        r->code = static_cast<int>(code);
        AdcConvert(*r, r->code != r->previous_code, over);
        r->previous_code = r->code;
    }
    return 0;
}

namespace {

long long DacSum(const DacDevice& r) {
    long long sum = 0;
    const int n = static_cast<int>(r.bits.size());
    for (int i = 0; i < n; ++i) {
        const int k = n - 1 - i;  // the last pin has weight 1
        const int l = LevelOf(DigitalNet.present[r.bits[i]]);
        if (l == kLvl1) sum += 2ll << k;
        else if (l == kLvlX) sum += 1ll << k;
    }
    return sum;
}

}  // namespace

void EvaluateDacInputs() {
    for (auto* r : DevicesOf<DacDevice>(kDacList)) {
        const long long sum = DacSum(*r);
        if (sum != r->sum || !DigitalRun.transient) DigitalRun.dac_changed = true;
        if (!DigitalRun.transient && sum != r->sum) {
            r->previous_sum = r->sum = sum;
            ++NonConvergedCount;
        }
    }
}

void ScheduleDacOutputs() {
    for (auto* r : DevicesOf<DacDevice>(kDacList)) {
        const long long sum = DacSum(*r);
        if (sum == r->sum && DigitalRun.transient) continue;
        const Primitive& p = DigitalNet.prims[r->primitive];
        const std::vector<int32_t>& delays = DigitalNet.info[r->primitive].delays;
        const int mode = p.timing_mode == 4 ? 3 : std::clamp<int>(p.timing_mode, 1, 3);
        r->tsw = delays.size() >= 3 ? delays[mode - 1] * DigitalRun.tick_length : 1e-8;
        DigitalRun.dac_changed = true;
        r->saved_change_time = r->change_time;
        r->saved_ramp_end = r->ramp_end;
        r->saved_sum = r->sum;
        r->saved_previous_sum = r->previous_sum;
        r->previous_change_time = r->change_time;
        r->previous_sum = r->sum;
        r->sum = sum;
        r->change_time = Interfaces.present_time;
        if (DigitalRun.transient) {
            r->ramp_end = DigitalRun.queue.Snap(DigitalTimeTick(r->change_time + r->tsw));
            DigitalRun.queue.Add({r->ramp_end, 0, 0, 0, 0, 0});
        }
    }
}

void RollBackDacOutputs(double time) {
    const uint32_t tick = DigitalTimeTick(time);
    for (auto* r : DevicesOf<DacDevice>(kDacList)) {
        if (r->change_time == time) {
            r->sum = r->saved_sum;
            r->previous_sum = r->saved_previous_sum;
            r->change_time = r->saved_change_time;
            r->ramp_end = r->saved_ramp_end;
        }
        // A switching end the rejected point reached is to be reached again.
        if (r->ramp_end != 0 && r->ramp_end >= tick) DigitalRun.queue.Add({r->ramp_end, 0, 0, 0, 0, 0});
    }
}

double DacBranchVoltage(const DacDevice& r, double time, bool operating_point) {
    const double step = (Voltage(Solution, r.ref) - Voltage(Solution, r.gnd)) * 0.5 / std::ldexp(1.0, static_cast<int>(r.bits.size()));
    const double now = r.sum * step, before = r.previous_sum * step;
    const double tsw = std::max(r.tsw, 1e-12);
    const double since = time - r.change_time;
    if (!operating_point && since <= tsw) return before + (now - before) * since / tsw;
    return now;
}

bool DacRampEndsAt(uint32_t tick) {
    for (auto* r : DevicesOf<DacDevice>(kDacList))
        if (r->ramp_end == tick && tick != 0) return true;
    return false;
}

int ResetAdcDevices(bool first) {
    if (first)
        for (auto* r : DevicesOf<AdcDevice>(kAdcList)) r->code = r->previous_code = 0;
    return 0;
}

int ResetDacDevices(bool first) {
    const double tmin = DigitalRun.start_time, tmax = DigitalRun.tick_length * 1e9;
    for (auto* r : DevicesOf<DacDevice>(kDacList)) {
        r->ramp_end = r->saved_ramp_end = 0;  // the queue starts empty
        if (first) {
            r->sum = r->previous_sum = r->saved_sum = r->saved_previous_sum = 0;
            r->change_time = r->previous_change_time = tmin;
        } else if (r->change_time > tmin) {
            r->change_time -= tmax;
            r->previous_change_time -= tmax;
        } else {
            r->change_time = r->previous_change_time = tmin;
        }
    }
    return 0;
}

}  // namespace ob7
