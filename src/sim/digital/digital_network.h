#pragma once
// The flattened digital network and the event machinery: node resolution, scheduling,
// the events of a tick, settling, and the undo of a rejected analog step. All of it is
// module state: one compiled circuit is simulated at a time, on one thread.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/digital/digital_setup.h"
#include "sim/digital/digital_state.h"
#include "sim/digital/primitive_blocks.h"

namespace ob7 {

// Events this close to a tick already queued are moved onto it.
inline constexpr uint32_t kEventSnapTicks = 10;

// A future output change.
struct DigitalEvent {
    uint32_t tick = 0;
    int32_t node = 0;        // 0: disabled, popped without effect
    int32_t primitive = 0;
    DigitalState state = 0;
    uint8_t low = 0, high = 0;   // the driver's strengths when it was scheduled
};

// Future digital events by tick. Events of one tick keep their order of scheduling; a
// second event of the same tick, node and primitive replaces the first one's state.
class DigitalEventQueue {
public:
    using Bucket = std::vector<DigitalEvent>;
    using Map = std::map<uint32_t, Bucket>;

    void Clear();
    bool Empty() const { return ticks_.empty(); }
    uint32_t HeadTick() const { return ticks_.begin()->first; }
    // Returns false for a tick beyond the horizon (dropped). may_replace: the driver may
    // already have an event of that node at that tick (else it is appended unsearched).
    // *index receives the event's place in its tick (stable: events are disabled, never
    // erased, until the tick is popped); *replaced whether an event took the new state.
    bool Add(const DigitalEvent& event, bool may_replace = true, size_t* index = nullptr, bool* replaced = nullptr) {
        // In line: nearly every event goes to a tick just ahead, already held.
        if (!may_replace && event.tick <= horizon) {
            if (Map::iterator* at = cache_.Get(event.tick)) {
                Bucket& bucket = (*at)->second;
                if (replaced) *replaced = false;
                if (index) *index = bucket.size();
                bucket.push_back(event);
                ++stored_;
                return true;
            }
        }
        return AddSearched(event, may_replace, index, replaced);
    }
    // The tick at which an event for `tick` is placed: an existing tick within
    // kEventSnapTicks of it (the nearest, the earlier of two; never tick 0), so that the
    // analog steps need not land on ticks a few apart; else the tick itself.
    uint32_t Snap(uint32_t tick) const {
        // Tick 0 holds the values of the start: nothing moves onto it or off it.
        if (tick == 0 || cache_.Holds(tick)) return tick;
        return SnapSearched(tick);
    }
    // The event at that place of that tick, null when the tick is gone.
    DigitalEvent* At(uint32_t tick, size_t index);
    // The events due at the head tick, in order; valid until the next change.
    Bucket& HeadEvents() { return ticks_.begin()->second; }
    void PopHead();  // removes the whole head tick
    // First event of the node (and primitive, when primitive > 0) at tick; null if none.
    DigitalEvent* Find(uint32_t tick, int node, int primitive);
    bool Remove(uint32_t tick, int node);  // disables the first event of that node at tick
    // Tick of the first event of that node and primitive, 0 when none.
    uint32_t FindPendingTick(int node, int primitive) const;
    // The ticks at and after `from`, in order, with their events.
    Map::iterator From(uint32_t from) { return ticks_.lower_bound(from); }
    Map::iterator End() { return ticks_.end(); }
    void Erase(Map::iterator at);
    size_t Size() const;
    size_t Stored() const { return stored_; }  // events held, disabled ones included
    uint32_t horizon = 0xffffffffu;

private:
    // Where recently used ticks sit in the map: the ticks of the next few gate delays take
    // nearly every event, while the map may hold thousands (stimulus to the end of the run).
    // Direct-mapped by tick; an entry is dropped when its tick leaves the map, and a copy of
    // the queue starts without entries (they point into the original's map). A large
    // circuit keeps a hundred or so ticks ahead in use; with 64 entries they collided on
    // about 4 lookups in 10.
    class TickCache {
    public:
        TickCache() { Reset(); }
        TickCache(const TickCache&) { Reset(); }
        TickCache& operator=(const TickCache&) {
            Reset();
            return *this;
        }
        void Reset() {
            for (Entry& e : entries_) e.used = false;
        }
        Map::iterator* Get(uint32_t tick) {
            Entry& e = entries_[Index(tick)];
            return e.used && e.tick == tick ? &e.at : nullptr;
        }
        bool Holds(uint32_t tick) const {
            const Entry& e = entries_[Index(tick)];
            return e.used && e.tick == tick;
        }
        void Put(Map::iterator at) { entries_[Index(at->first)] = {at->first, true, at}; }
        void Drop(uint32_t tick) {
            Entry& e = entries_[Index(tick)];
            if (e.tick == tick) e.used = false;
        }

    private:
        struct Entry {
            uint32_t tick = 0;
            bool used = false;
            Map::iterator at;
        };
        static size_t Index(uint32_t tick) { return (tick * 0x9E3779B1u) >> 24; }
        std::array<Entry, 256> entries_;
    };
    Map::iterator Lookup(uint32_t tick);  // End() when the tick holds no events
    bool AddSearched(const DigitalEvent& event, bool may_replace, size_t* index, bool* replaced);
    uint32_t SnapSearched(uint32_t tick) const;  // Snap of a tick not in the cache

    Map ticks_;
    size_t stored_ = 0;
    std::vector<Map::node_type> spare_;  // emptied buckets kept for reuse
    TickCache cache_;
};

struct Primitive;

// Type-specific records; the primitive keeps an index into its kind's vector.
struct FlipFlopCheckRecord {
    int primitive = 0;
    // preset low, preset released, clear low, clear released, clock/gate falling,
    // clock/gate rising (the active edge), data change (J for JKFF), K change.
    uint32_t ticks[8] = {};
    int flag = 0;
    uint32_t kept = 0;    // the undo generation it was kept in
};

// What set-up, messages and the rarer evaluations read of a primitive.
struct PrimitiveInfo {
    std::vector<int32_t> delays;  // every timing slot in ticks
    std::vector<double> params;   // timing model values by slot (-1: not given)
    int io_level = 1;
    bool drives_dtoa = false;
    IoModelValues io;
    std::string part;             // the part's name
    int part_index = -1;          // index of the part description
};

struct DigitalNetwork {
    int node_count = 0;
    std::vector<DigitalState> present, pending, previous;
    std::vector<int32_t> driver_begin;   // node -> range in drivers
    std::vector<int32_t> drivers, driver_types;
    std::vector<int32_t> fanout_begin;   // node -> range in fanout
    std::vector<int32_t> fanout;
    std::vector<uint8_t> interface_flag;
    std::vector<std::string> node_names;
    std::vector<int32_t> last_logged;      // node -> its last transition log entry
    PrimitiveBlocks prims;               // from 1, with their pins and output slots
    std::vector<PrimitiveInfo> info;     // by primitive number, beside prims
    std::vector<FlipFlopCheckRecord> flipflops;
    int hi_node = 0, lo_node = 0, x_node = 0;
    bool readers_act_at_once = true;     // some reader may change an output without delay
    int jk_table[3][3][3] = {};          // J, K, Q in {0, 1, X} -> next Q

    OutputSlotState& Slot(int handle) { return prims.Slot(handle); }
    int32_t& Pin(int handle) { return *prims.Pins(handle); }
    const OutputSlotState& Slot(int handle) const { return prims.Slot(handle); }
    int32_t Pin(int handle) const { return *prims.Pins(handle); }
};
extern DigitalNetwork DigitalNet;

// Undo record of the present analog time point.
struct DigitalChange {
    uint32_t tick;
    int32_t node, primitive;
    int16_t kind;                  // 0 scheduled, 1 applied from the queue, 2 applied at once
    DigitalState state, pending, previous;
    uint8_t low, high;
};
struct DigitalTransition {
    int32_t node, primitive;
    DigitalState state, old_present, old_pending;
    uint32_t tick;
};

// Run state of the event machinery.
struct DigitalRunState {
    double tick_length = 1e-9;     // seconds
    uint32_t end_tick = 1000000000;
    double start_time = 0;
    uint32_t now = 0;              // the tick being evaluated
    bool transient = false;        // false while the operating point is solved
    bool recording = true;
    bool path_analysis = false;    // delays are computed, nothing is scheduled
    bool inertial_cancellation = true;
    bool stable = true;
    int solution_count = 0;        // accepted analog solutions of the run
    int error = 0;                 // first error of an evaluation pass
    int timing_mode = 2;           // of the primitive being evaluated
    int changed_node = 0;          // the node whose change is being evaluated
    // Change flags the engine reads after a digital pass.
    bool dtoa_changed = false, dac_changed = false, atod_changed = false, adc_changed = false;
    std::vector<int32_t> changed_nodes;
    size_t cursor = 0;
    std::vector<DigitalChange> changes;
    std::vector<DigitalTransition> transitions;
    DigitalEventQueue queue;
    long long evaluations = 0;     // primitive evaluations (statistics)
    long long applied_events = 0;  // events taken from the queue (statistics)
};
extern DigitalRunState DigitalRun;

// --- Entry points of the analog engine ----------------------------------------------
// Start of every transient run: tick length TMAX * 1e-9, end tick, start time; then the
// delays of every primitive in ticks.
void SetDigitalTickLength(double tmin, double tmax);
void ComputeDigitalPrimitiveDelays();
// Before every run case: node states to X, strengths, and the reset sequence (first:
// the analysis does not leave the state variables as they were).
int ResetDigitalCase(bool first);
// The stimulus events of the case into the queue, then the tick-0 events applied.
int ScheduleStimulusEvents();
void ApplyInitialDigitalEvents();
// Operating point: settles the whole network (14190 when it does not).
int SettleDigitalStates();
// The tick of the next event, false when none; its time in seconds.
bool NextDigitalEventTick(uint32_t* tick);
double DigitalTickTime(uint32_t tick);
uint32_t DigitalTimeTick(double time);
// The tick of an analog time point: its time taken up to the next whole tick.
uint32_t DigitalPresentTick(double time);
// After Newton converged at a time point with events due: applies and settles them.
int ApplyDigitalEventsAt(uint32_t tick);
// A rejected step: every digital action of the time point is undone.
int RollBackDigitalChanges();
void ClearDigitalChangeQueue();
// Frees the network and the stimulus programs (end of the analysis).
void FreeDigitalNetwork();
// Lends the operations above to the engine's DigitalCoupling and RunStateHooks.
void InstallDigitalCoupling();

// --- Used inside the subsystem -------------------------------------------------------
void ComputeDriveStrengths();
void ResetPrimitiveOutputs(bool first);
void ResetDigitalNodeDrives(bool first);
// The part description a primitive was built from.
const DigitalPartDesc* DigitalPartOf(int primitive);
// Runs a circuit without analog nodes: applies every event up to end_tick in order.
int RunDigitalEventsUntil(uint32_t end_tick);
DigitalState SetNodeDrive(int low, int high, int node, int primitive, DigitalState state, uint32_t tick);
int ScheduleOutputChange(uint32_t tick, int low, int high, int node, int primitive, DigitalState state,
                         bool changed = false);
// The two above with the driver's output slot on the node already known (-1: none), as
// `OutputSlot` gives it: each event would otherwise look it up several times.
DigitalState SetSlotDrive(int slot, int low, int high, int node, int primitive, DigitalState state, uint32_t tick);
int ScheduleSlotChange(int slot, uint32_t tick, int low, int high, int node, int primitive, DigitalState state,
                       bool changed);
// ScheduleSlotChange after the loading delay: `tick` already holds it.
int QueueSlotChange(int slot, uint32_t tick, int low, int high, int node, int primitive, DigitalState state,
                    bool changed);
int EvaluateFanout(uint32_t tick);
int EvaluatePrimitive(int changed_node, int primitive, uint32_t tick);
void AddChangedNode(int node);
inline PrimitiveInfo& InfoOf(int primitive) { return DigitalNet.info[primitive]; }
inline const int32_t* PinsOf(int primitive) { return DigitalNet.prims.Pins(DigitalNet.prims[primitive].pin_begin); }
// The output slot in which a primitive drives a node, -1 when none. Inline: every
// scheduled and applied event asks it.
inline int OutputSlot(int primitive, int node) {
    const Primitive& p = DigitalNet.prims[primitive];
    const int32_t* last_pin = DigitalNet.prims.Pins(p.pin_begin + p.pin_count - 1);
    for (int k = 0; k < p.outputs; ++k)
        if (last_pin[-k] == node) return SlotOfOutput(p, k + 1);
    return -1;
}

// Messages of the subsystem.
inline constexpr int kMsgDigitalNoConvergence = 14190;
inline constexpr int kMsgDigitalOutOfMemory = 15002;
inline constexpr int kMsgDigitalSetupFailed = 15055;
// The most events the stimulus programs of a run may queue (some hundreds of megabytes).
inline constexpr size_t kMaxStimulusEvents = 10000000;

}  // namespace ob7
