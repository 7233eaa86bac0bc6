#include "sim/digital/digital_network.h"

#include <cmath>

#include <algorithm>

#include "sim/digital/constraint.h"
#include "sim/digital/device_memory.h"
#include "sim/digital/interfaces.h"
#include "sim/digital/pin_delay.h"
#include "sim/digital/primitive_eval.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

DigitalNetwork DigitalNet;
DigitalRunState DigitalRun;

namespace {

// How far ahead blocks are asked for: readers of one node, events of one tick.
constexpr int kPrefetchReaders = 8;
constexpr size_t kPrefetchEvents = 8;

// Position at which each node was last appended to the changed-node list (kNotListed:
// never). 32 bits: half the memory to touch, and a list of 2^32 nodes would take 16 GB.
constexpr uint32_t kNotListed = 0xffffffffu;
std::vector<uint32_t> ListedAt;

int DriverCount(int node) { return DigitalNet.driver_begin[node + 1] - DigitalNet.driver_begin[node]; }

int DriverStrength(int primitive, int node, DigitalState value) {
    const Primitive& p = DigitalNet.prims[primitive];
    if (p.type == kCtPinDly) return PinDelayOutputStrength(primitive, node, value);
    return DigitalFinalLevel(LevelOf(value)) != kLvl0 ? p.high : p.low;
}

void LogTransition(int node, int primitive, DigitalState state, uint32_t tick) {
    auto& log = DigitalRun.transitions;
    const int32_t last = DigitalNet.last_logged[node];
    if (last >= 0 && static_cast<size_t>(last) < log.size()) {
        const DigitalTransition& t = log[last];
        if (t.node == node && t.primitive == primitive && t.tick == tick && t.state == state) return;
    }
    DigitalNet.last_logged[node] = static_cast<int32_t>(log.size());
    log.push_back({node, primitive, state, DigitalNet.present[node], DigitalNet.pending[node], tick});
}


bool IsFlipFlop(int model_type) { return model_type == kMtUeff || model_type == kMtUgff; }

// The value that goes into the queue: a rise onto a node already heading high (or a fall
// onto one heading low) cannot be placed in time and becomes a bare X.
DigitalState HazardAdjusted(DigitalState value, int node) {
    const int pl = LevelOf(DigitalNet.pending[node]);
    const int l = LevelOf(value);
    if (l == kLvlR && (pl == kLvlF || pl == kLvl1 || pl == kLvlX)) return kLvlX;
    if (l == kLvlF && (pl == kLvl0 || pl == kLvlR || pl == kLvlX)) return kLvlX;
    return value;
}

// After events of a driver were removed: the pending value and tick of the first one
// that remains (none: the present value).
void RefreshPending(int node, int slot, const DigitalEvent* remaining) {
    if (!remaining) {
        DigitalNet.pending[node] = DigitalNet.present[node];
        DigitalNet.Slot(slot).pending_tick = 0;
        return;
    }
    DigitalNet.pending[node] = remaining->state;
    DigitalNet.Slot(slot).pending = remaining->state;
    DigitalNet.Slot(slot).pending_tick = remaining->tick;
}

// Removes every future event of the driver on the node; with `reduce`, only from its
// first one up to the first whose state is the node's present state, which stays and is
// returned (null when nothing of the driver remains).
const DigitalEvent* RemovePendingEvents(int node, int primitive, bool reduce) {
    DigitalNetwork& n = DigitalNet;
    DigitalEventQueue& q = DigitalRun.queue;
    const int slot = OutputSlot(primitive, node);
    // One queued event, the one scheduled last: disable it in place.
    if (n.Slot(slot).queued == 1 && n.Slot(slot).pending_tick > DigitalRun.now) {
        DigitalEvent* e = q.At(n.Slot(slot).pending_tick, n.Slot(slot).event_index);
        if (e && e->node == node && e->primitive == primitive) {
            e->node = 0;
            n.Slot(slot).queued = 0;
            n.Slot(slot).last_tick = 0;
            return nullptr;
        }
    }
    const DigitalState present = n.present[node];
    const uint32_t last = n.Slot(slot).last_tick;
    bool first = true;
    for (auto it = q.From(DigitalRun.now + 1); it != q.End() && it->first <= last; ++it) {
        for (DigitalEvent& e : it->second) {
            if (e.node != node || e.primitive != primitive) continue;
            if (reduce && !first && e.state == present) return &e;
            first = false;
            e.node = 0;
            if (n.Slot(slot).queued > 0) --n.Slot(slot).queued;
        }
    }
    n.Slot(slot).queued = 0;
    n.Slot(slot).last_tick = 0;
    return nullptr;
}

void MakePendingEventUnknown(int node, int primitive, int slot) {
    const uint32_t t = DigitalNet.Slot(slot).pending_tick;
    if (DigitalEvent* e = DigitalRun.queue.Find(t, node, primitive)) {
        e->state = static_cast<DigitalState>((e->state & kStrengthMask) | kLvlX);
    }
}

// Inertial cancellation: a new output value `value` (queued as *v) of a driver with an
// event still ahead on the node takes back the events it overrides; *v and *changed are
// made again when it does. In line: every evaluation of a transient passes here.
inline void CancelOverriddenEvents(const Primitive& p, int primitive, int node, int slot, bool multi,
                                   DigitalState value, DigitalState* v, bool* changed) {
    DigitalNetwork& n = DigitalNet;
    DigitalRunState& r = DigitalRun;
    if (!(r.recording && p.model_type != kMtUdly && r.inertial_cancellation && slot >= 0 &&
          n.Slot(slot).pending_tick > r.now))
        return;
    const int u = LevelOf(value);
    if (!(*changed || (p.timing_mode == 4 && u == kLvlX))) return;
    const DigitalState P = multi ? n.Slot(slot).present : n.present[node];
    const DigitalState Q = multi ? n.Slot(slot).pending : n.pending[node];
    if (u == kLvlX) {
        MakePendingEventUnknown(node, primitive, slot);
        return;
    }
    const bool cancel = LevelOf(P) == kLvlX ||
                        (StrengthOf(value) > 0 && DigitalFinalLevel(u) != DigitalFinalLevel(LevelOf(Q))) ||
                        (p.timing_mode != 4 && ((u == kLvlF && LevelOf(P) != kLvl1) ||
                                                (u == kLvlR && LevelOf(P) == kLvl0))) ||
                        (StrengthOf(value) == 0 && StrengthOf(P) == 0);
    if (!cancel) return;
    n.pending[node] = n.present[node];
    if (multi) n.Slot(slot).pending = P;
    RefreshPending(node, slot, RemovePendingEvents(node, primitive, u == LevelOf(P)));
    *v = HazardAdjusted(value, node);
    *changed = multi ? *v != n.Slot(slot).pending || *v != n.pending[node] : *v != n.pending[node];
}

// A two-input gate without enable, with delay mode 1 to 3, driving its node alone, during
// a transient: what EvaluatePrimitive and ScheduleGateOutputInSlot do for it, without their
// tests and calls. Most evaluations of a large gate circuit are these.
bool IsLeanGate(const Primitive& p) {
    return static_cast<unsigned>(p.type - kCtAnd) < 6 && p.pin_count == 3 && p.outputs == 1 &&
           p.model_type == kMtUgate && p.timing_mode != 4;
}

int EvaluateLeanGate(const Primitive& p, int primitive, const int32_t* pins, uint32_t tick) {
    DigitalNetwork& n = DigitalNet;
    DigitalRunState& r = DigitalRun;
    const int node = pins[2];
    const int low = p.default_low, high = p.default_high;
    const int level = TwoInputGateLevel(p.type - kCtAnd, pins, n.present.data());
    const DigitalState value = MakeState(level, ByFinalLevel(level, low, high));
    const int slot = SlotOfOutput(p, 1);
    DigitalState v = HazardAdjusted(value, node);
    bool changed = v != n.pending[node];
    CancelOverriddenEvents(p, primitive, node, slot, false, value, &v, &changed);
    if (!changed) return 0;
    // The change starts from the level the output has when it takes effect.
    const OutputSlotState& s = n.Slot(slot);
    int from = LevelOf(s.pending_tick > tick ? s.pending : s.present), to = LevelOf(v);
    if (from == kLvlZ) from = kLvlX;
    if (to == kLvlZ) to = kLvlX;
    uint32_t at = tick + SelectTransitionDelay(from, to, p.timing_mode, p.gate_delays);
    // The loading delay as ScheduleSlotChange adds it, chosen without a branch: the levels
    // of a large gate circuit are random.
    const uint32_t up = (0xFAu >> (LevelOf(v) & 7)) & 1u;
    if (at > r.now) at += s.load_fall + ((s.load_rise - s.load_fall) & (0u - up));
    const DigitalState queued = MakeState(LevelOf(v), up ? high : low);
    const int err = QueueSlotChange(slot, at, low, high, node, primitive, queued, changed);
    if (err && !r.error) r.error = err;
    return r.error;
}

// The state of a node with several drivers, `primitive` now driving `state`: the
// strongest driver wins unless the next one is within DIGOVRDRV of it and differs. Out of
// line: the common node has one driver, and this loop would cost every call its registers.
[[gnu::noinline]] DigitalState ResolveDrivers(int node, int primitive, DigitalState state) {
    DigitalNetwork& n = DigitalNet;
    int s1 = 0, l1 = LevelOf(state), s2 = 0, l2 = LevelOf(state);
    for (int d = n.driver_begin[node]; d < n.driver_begin[node + 1]; ++d) {
        const int q = n.drivers[d];
        if (q <= 0) continue;
        DigitalState v;
        if (q == primitive) {
            v = state;
        } else {
            const int qs = OutputSlot(q, node);
            v = qs >= 0 ? n.Slot(qs).present : 0;
        }
        const int s = DriverStrength(q, node, v);
        if (s > s1) {
            s2 = s1; l2 = l1;
            s1 = s; l1 = LevelOf(v);
        } else if (s > s2) {
            s2 = s; l2 = LevelOf(v);
        }
    }
    int level = l1;
    if (!(s2 < s1 - Options.digovrdrv) && l1 != l2) level = kLvlX;
    return MakeState(level, s1);
}

[[gnu::noinline]] void GrowListedAt(int node) { ListedAt.resize(node + 1, kNotListed); }

// In line: every applied change of a node comes here.
inline void ListChangedNode(int node) {
    auto& list = DigitalRun.changed_nodes;
    if (ListedAt.size() <= static_cast<size_t>(node)) GrowListedAt(node);
    const uint32_t at = ListedAt[node];
    if (at != kNotListed && at < list.size() && at >= DigitalRun.cursor && list[at] == node) return;
    ListedAt[node] = static_cast<uint32_t>(list.size());
    list.push_back(node);
}

// The tick's events are applied twice: before the passes without delay, and again when
// they are recorded. When no pass ran, the second application of an event changes
// nothing unless another event of the tick met the same node (or another driver's
// strengths moved), so it is made only then. AppliedIn marks, by node, the application
// round that last met it.
std::vector<uint32_t> AppliedIn;
uint32_t ApplicationRound = 0;

void StartApplicationRound(int node_count) {
    if (AppliedIn.size() <= static_cast<size_t>(node_count)) AppliedIn.assign(node_count + 1, 0);
    if (++ApplicationRound == 0) {
        std::fill(AppliedIn.begin(), AppliedIn.end(), 0);
        ApplicationRound = 1;
    }
}

// Whether the node was met before in this round; marks it.
bool MetAgain(int node) {
    if (static_cast<size_t>(node) >= AppliedIn.size()) return true;
    const bool again = AppliedIn[node] == ApplicationRound;
    AppliedIn[node] = ApplicationRound;
    return again;
}

}  // namespace

void AddChangedNode(int node) { ListChangedNode(node); }

DigitalState SetNodeDrive(int low, int high, int node, int primitive, DigitalState state, uint32_t tick) {
    if (node <= 0) return 0;
    return SetSlotDrive(OutputSlot(primitive, node), low, high, node, primitive, state, tick);
}

DigitalState SetSlotDrive(int slot, int low, int high, int node, int primitive, DigitalState state, uint32_t tick) {
    if (node <= 0) return 0;
    DigitalNetwork& n = DigitalNet;
    Primitive& p = n.prims[primitive];
    p.low = static_cast<uint8_t>(low);
    p.high = static_cast<uint8_t>(high);
    if (slot >= 0 && p.type != kCtPullup && p.type != kCtPulldn) n.Slot(slot).present = state;

    const DigitalState resolved = DriverCount(node) == 1
                                      ? MakeState(LevelOf(state), DriverStrength(primitive, node, state))
                                      : ResolveDrivers(node, primitive, state);
    if (resolved == n.present[node]) return resolved;
    DigitalRun.stable = false;
    if (DigitalRun.transient) {
        ListChangedNode(node);
        LogTransition(node, primitive, resolved, tick);
    }
    n.present[node] = resolved;
    return resolved;
}

int ScheduleOutputChange(uint32_t tick, int low, int high, int node, int primitive, DigitalState state, bool changed) {
    return ScheduleSlotChange(OutputSlot(primitive, node), tick, low, high, node, primitive, state, changed);
}

int ScheduleSlotChange(int slot, uint32_t tick, int low, int high, int node, int primitive, DigitalState state,
                       bool changed) {
    if (tick > DigitalRun.now && slot >= 0) {
        const OutputSlotState& s = DigitalNet.Slot(slot);
        tick += DigitalFinalLevel(LevelOf(state)) != kLvl0 ? s.load_rise : s.load_fall;
    }
    return QueueSlotChange(slot, tick, low, high, node, primitive, state, changed);
}

int QueueSlotChange(int slot, uint32_t tick, int low, int high, int node, int primitive, DigitalState state,
                    bool changed) {
    DigitalNetwork& n = DigitalNet;
    DigitalRunState& r = DigitalRun;
    if (r.path_analysis) return 0;
    if (tick <= r.now && r.transient) {
        const DigitalState before = n.present[node];
        const DigitalState pending_before = n.pending[node];
        const Primitive& p = n.prims[primitive];
        const uint8_t old_low = p.low, old_high = p.high;
        const DigitalState resolved = SetSlotDrive(slot, low, high, node, primitive, state, tick);
        if (r.recording) {
            r.changes.push_back({tick, node, primitive, 2, before, pending_before, n.previous[node], old_low, old_high});
            n.pending[node] = resolved;
            if (slot >= 0) n.Slot(slot).pending = state;
        }
        return 0;
    }
    if (!r.recording) return 0;
    if (state == n.pending[node] && !changed) return 0;
    if (const uint32_t snapped = r.queue.Snap(tick); snapped > r.now) tick = snapped;
    const Primitive& p = n.prims[primitive];
    r.changes.push_back({tick, node, primitive, 0, n.present[node], n.pending[node], n.previous[node], p.low, p.high});
    const bool may_replace = slot < 0 || tick <= n.Slot(slot).last_tick;
    size_t index = 0;
    bool replaced = false;
    if (!r.queue.Add({tick, node, primitive, state, static_cast<uint8_t>(low), static_cast<uint8_t>(high)},
                     may_replace, &index, &replaced)) {
        r.changes.pop_back();
        return 0;
    }
    n.pending[node] = state;
    if (slot >= 0) {
        n.Slot(slot).pending = state;
        n.Slot(slot).pending_tick = tick;
        n.Slot(slot).last_tick = std::max(n.Slot(slot).last_tick, tick);
        n.Slot(slot).event_index = static_cast<uint32_t>(index);
        if (!replaced) ++n.Slot(slot).queued;
    }
    return 0;
}

int EvaluateFanout(uint32_t tick) {
    DigitalNetwork& n = DigitalNet;
    DigitalRunState& r = DigitalRun;
    // A loop of zero-delay primitives keeps appending nodes; past this many entries the
    // pass cannot settle.
    const size_t limit = static_cast<size_t>(std::max(1, Options.itl1)) * (n.node_count + 1) + 5000;
    for (r.cursor = 0; r.cursor < r.changed_nodes.size(); ++r.cursor) {
        if (r.changed_nodes.size() > limit) return kMsgDigitalNoConvergence;
        const int node = r.changed_nodes[r.cursor];
        if (node == 0) continue;
        if (n.interface_flag[node]) {
            if (int e = UpdateDtoAForNode(node)) return e;
            EvaluateDacInputs();
        }
        // The readers of the node after the next one are asked for now: their blocks
        // arrive while these are evaluated.
        // A node with many readers (a clock) is left to the cache: asking for all of them
        // at once would push out what the nearer ones need.
        if (r.cursor + 2 < r.changed_nodes.size()) {
            const int ahead = r.changed_nodes[r.cursor + 2];
            const int end = std::min(n.fanout_begin[ahead + 1], n.fanout_begin[ahead] + kPrefetchReaders);
            for (int f = n.fanout_begin[ahead]; f < end; ++f) n.prims.Prefetch(n.fanout[f]);
        }
        for (int f = n.fanout_begin[node]; f < n.fanout_begin[node + 1]; ++f) {
            const int reader = n.fanout[f];
            if (reader == 0) continue;
            // Without recording only changes without delay can happen.
            if (!r.recording && !n.prims[reader].acts_at_once) continue;
            if (int e = EvaluatePrimitive(node, reader, tick)) return e;
        }
    }
    return 0;
}

int EvaluatePrimitive(int changed_node, int primitive, uint32_t tick) {
    DigitalNetwork& n = DigitalNet;
    DigitalRunState& r = DigitalRun;
    Primitive& p = n.prims[primitive];
    ++r.evaluations;
    r.timing_mode = p.timing_mode;
    r.changed_node = changed_node;
    if (IsLeanGate(p) && r.transient && r.recording && !r.path_analysis) {
        const int32_t* pins = PinsOf(primitive);
        if (pins[2] > 0 && DriverCount(pins[2]) == 1) return EvaluateLeanGate(p, primitive, pins, tick);
    }
    if (p.model_type == kMtUadc) {
        AdcConvertTrigger(primitive);
        return 0;
    }
    if (p.type == kCtConstraint) return r.recording ? EvaluateConstraint(changed_node, primitive, tick) : 0;
    const bool gate_like = p.model_type == kMtUgate || p.model_type == kMtUtgate || p.model_type == kMtUdly ||
                           p.model_type == kMtUpld || p.model_type == kMtNone;
    if (!gate_like && !IsFlipFlop(p.model_type)) return 0;
    const int32_t* pins = PinsOf(primitive);
    for (int out = 1; out <= p.outputs; ++out) {
        int node = pins[p.pin_count - out];
        int low = p.default_low, high = p.default_high, path = 0;
        DigitalState value;
        if (gate_like && static_cast<unsigned>(p.type - kCtAnd) < 6 && p.pin_count - p.outputs == 2) {
            // The common two-input gate, without the general evaluation's call and tests.
            const int level = TwoInputGateLevel(p.type - kCtAnd, pins, n.present.data());
            value = MakeState(level, ByFinalLevel(level, low, high));
        } else if (gate_like) {
            value = EvaluateGate(primitive, out, tick, &node, &low, &high);
        } else {
            value = EvaluateFlipFlop(changed_node, primitive, out, &path, tick, &low, &high);
            // Q and QB come from one evaluation: when it takes no path, neither changes.
            if (path == -1) break;
        }
        if (node <= 0) continue;
        // A single output's slot is known; of several, the first driving the node.
        const int slot = p.outputs == 1 ? SlotOfOutput(p, 1) : OutputSlot(primitive, node);
        if (!r.transient) {
            const DigitalState resolved = SetSlotDrive(slot, low, high, node, primitive, value, 0);
            if (n.interface_flag[node]) {
                if (int e = UpdateDtoAForNode(node)) return e;
            }
            n.pending[node] = resolved;
            if (slot >= 0) n.Slot(slot).pending = value;
            continue;
        }
        DigitalState v = HazardAdjusted(value, node);
        const bool multi = DriverCount(node) > 1;
        bool changed = multi ? (slot >= 0 && v != n.Slot(slot).pending) || v != n.pending[node] : v != n.pending[node];
        CancelOverriddenEvents(p, primitive, node, slot, multi, value, &v, &changed);
        if (r.recording && !changed) continue;
        if (gate_like) {
            if (p.type == kCtPinDly)
                SchedulePinDelayOutput(tick, low, high, node, primitive, v, changed);
            else
                ScheduleGateOutputInSlot(slot, tick, low, high, node, primitive, v, changed);
        } else {
            ScheduleFlipFlopOutputInSlot(slot, tick, low, high, node, primitive, v, path, changed);
        }
        if (r.error) return r.error;
    }
    return 0;
}

int SettleDigitalStates() {
    DigitalNetwork& n = DigitalNet;
    DigitalRunState& r = DigitalRun;
    if (n.node_count == 0) return 0;
    r.transient = false;
    r.now = 0;
    int passes = 0;
    do {
        if (++passes > Options.itl1) return kMsgDigitalNoConvergence;
        r.stable = true;
        for (int node = 1; node <= n.node_count; ++node) {
            if (n.interface_flag[node]) {
                if (int e = UpdateDtoAForNode(node)) return e;
            }
            for (int f = n.fanout_begin[node]; f < n.fanout_begin[node + 1]; ++f)
                if (n.fanout[f] != 0)
                    if (int e = EvaluatePrimitive(node, n.fanout[f], 0)) return e;
        }
    } while (!r.stable);
    for (int node = 1; node <= n.node_count; ++node) n.previous[node] = n.pending[node] = n.present[node];
    return 0;
}

int ApplyDigitalEventsAt(uint32_t tick) {
    DigitalNetwork& n = DigitalNet;
    DigitalRunState& r = DigitalRun;
    DigitalEventQueue& q = r.queue;
    r.transient = true;
    // A tick of events is a time point of its own, also between two accepted analog
    // points: the pin value records compare with what the previous one left.
    AdvancePinDelays();
    AdvanceConstraintChecks();
    r.now = tick;
    r.error = 0;
    r.changed_nodes.clear();
    r.cursor = 0;
    // Whether the second application of an event may change something (see AppliedIn).
    bool apply_again = false;
    if (!q.Empty() && q.HeadTick() == tick) {
        StartApplicationRound(n.node_count);
        // Each event asks for the driver's block of the one a few places on.
        const DigitalEventQueue::Bucket& events = q.HeadEvents();
        for (size_t i = 0; i < events.size() && i < kPrefetchEvents; ++i) n.prims.Prefetch(events[i].primitive);
        for (size_t i = 0; i < events.size(); ++i) {
            if (i + kPrefetchEvents < events.size()) n.prims.Prefetch(events[i + kPrefetchEvents].primitive);
            const DigitalEvent& e = events[i];
            if (e.node <= 0) continue;
            if (MetAgain(e.node)) apply_again = true;
            SetNodeDrive(e.low, e.high, e.node, e.primitive, e.state, tick);
        }
    }

    const size_t mark = r.changed_nodes.size();
    r.recording = false;
    int passes = 0;
    // Without a reader that can change an output at once, the passes could change nothing.
    while (n.readers_act_at_once) {
        apply_again = true;
        if (++passes > Options.itl1) {
            r.recording = true;
            return kMsgDigitalNoConvergence;
        }
        r.stable = true;
        if (int e = EvaluateFanout(tick)) {
            r.recording = true;
            return e;
        }
        if (r.stable) break;
    }
    r.recording = true;
    for (size_t i = mark; i < r.changed_nodes.size(); ++i) {
        const int node = r.changed_nodes[i];
        if (node && n.pending[node] == n.present[node]) r.changed_nodes[i] = 0;
    }
    while (!q.Empty() && q.HeadTick() == tick) {
        for (const DigitalEvent& e : q.HeadEvents()) {
            if (e.node > 0) {
                ++r.applied_events;
                const int slot = OutputSlot(e.primitive, e.node);
                if (slot >= 0 && n.Slot(slot).queued > 0) --n.Slot(slot).queued;
                if (apply_again || DriverCount(e.node) != 1)
                    SetSlotDrive(slot, e.low, e.high, e.node, e.primitive, e.state, tick);
                r.changes.push_back({tick, e.node, e.primitive, 1, e.state, n.pending[e.node], n.previous[e.node],
                                     e.low, e.high});
            }
        }
        q.PopHead();
    }
    const int result = EvaluateFanout(tick);
    for (int node : r.changed_nodes)
        if (node) n.previous[node] = n.present[node];
    return result;
}

bool NextDigitalEventTick(uint32_t* tick) {
    if (DigitalRun.queue.Empty()) return false;
    *tick = DigitalRun.queue.HeadTick();
    return true;
}

double DigitalTickTime(uint32_t tick) { return DigitalRun.start_time + tick * DigitalRun.tick_length; }

uint32_t DigitalTimeTick(double time) {
    const double t = (time - DigitalRun.start_time) / DigitalRun.tick_length;
    if (t <= 0) return 0;
    if (t >= 4294967295.0) return 0xffffffffu;
    return static_cast<uint32_t>(t + 1e-6);
}

uint32_t DigitalPresentTick(double time) {
    const double t = std::ceil((time - DigitalRun.start_time) / DigitalRun.tick_length - 1e-6);
    if (t <= 0) return 0;
    if (t >= 4294967295.0) return 0xffffffffu;
    return static_cast<uint32_t>(t);
}

void SetDigitalTickLength(double tmin, double tmax) {
    DigitalRun.tick_length = tmax * 1e-9;
    if (DigitalRun.tick_length <= 0) DigitalRun.tick_length = 1e-15;
    DigitalRun.end_tick = 1000000000;
    DigitalRun.start_time = tmin;
    DigitalRun.queue.horizon = 2u * DigitalRun.end_tick;
}

int RollBackDigitalChanges() {
    DigitalNetwork& n = DigitalNet;
    DigitalRunState& r = DigitalRun;
    auto slot_tick = [&](int node, int primitive) {
        const int slot = OutputSlot(primitive, node);
        if (slot >= 0) n.Slot(slot).pending_tick = r.queue.FindPendingTick(node, primitive);
    };
    for (auto it = r.changes.rbegin(); it != r.changes.rend(); ++it) {
        const DigitalChange& c = *it;
        switch (c.kind) {
        case 0: {
            n.present[c.node] = c.state;
            n.pending[c.node] = c.pending;
            n.previous[c.node] = c.previous;
            const int slot = OutputSlot(c.primitive, c.node);
            if (r.queue.Remove(c.tick, c.node) && slot >= 0 && n.Slot(slot).queued > 0) --n.Slot(slot).queued;
            break;
        }
        case 1: {
            size_t index = 0;
            bool replaced = false;
            r.queue.Add({c.tick, c.node, c.primitive, c.state, c.low, c.high}, true, &index, &replaced);
            const int slot = OutputSlot(c.primitive, c.node);
            if (slot >= 0) {
                n.Slot(slot).last_tick = std::max(n.Slot(slot).last_tick, c.tick);
                if (!replaced) ++n.Slot(slot).queued;
            }
            n.pending[c.node] = c.pending;
            n.previous[c.node] = c.previous;
            break;
        }
        default:
            n.present[c.node] = c.state;
            n.pending[c.node] = c.pending;
            break;
        }
        slot_tick(c.node, c.primitive);
    }
    for (auto it = r.transitions.rbegin(); it != r.transitions.rend(); ++it) {
        n.present[it->node] = it->old_present;
        n.pending[it->node] = it->old_pending;
        slot_tick(it->node, it->primitive);
    }
    RestoreDeviceMemories();
    return 0;
}

void ClearDigitalChangeQueue() {
    DigitalRun.changes.clear();
    DigitalRun.transitions.clear();
    ForgetDeviceMemories();
}

void ApplyInitialDigitalEvents() {
    DigitalNetwork& n = DigitalNet;
    DigitalEventQueue& q = DigitalRun.queue;
    if (q.Empty() || q.HeadTick() != 0) return;
    for (const DigitalEvent& e : q.HeadEvents()) {
        if (e.node <= 0) continue;
        const DigitalState s = static_cast<DigitalState>(LevelOf(e.state) | kStrengthMask);
        n.present[e.node] = n.pending[e.node] = n.previous[e.node] = s;
        const int slot = OutputSlot(e.primitive, e.node);
        if (slot >= 0) n.Slot(slot).present = n.Slot(slot).pending = s;
    }
}

}  // namespace ob7
