#include "sim/digital/primitive_eval.h"

#include "sim/digital/device_memory.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/logic_expression.h"
#include "sim/digital/pin_delay.h"
#include "sim/digital/timing_checks.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

int LevelAt(int node) { return node > 0 ? LevelOf(DigitalNet.present[node]) : kLvlX; }
bool Driven(int node) { return node > 0 && StrengthOf(DigitalNet.present[node]) != 0; }
bool ActiveLow(int level) { return level == kLvl0 || level == kLvlF; }

// Level of an input for the BUF, INV, AND and OR functions (undriven counts as X).
int LogicInput(int node) { return Driven(node) ? LevelAt(node) : kLvlX; }

// AND and OR of `count` input levels, input(i) giving the i-th.
template <typename Input>
int AndOf(Input input, int count) {
    int result = kLvl1;
    for (int i = 0; i < count; ++i) {
        const int l = input(i);
        if (l == kLvl0) return kLvl0;
        if (l >= kLvlX) { result = kLvlX; continue; }
        if (result == kLvl1) result = l;  // R and F: the one met first stays
    }
    return result;
}

template <typename Input>
int OrOf(Input input, int count) {
    int result = kLvl0;
    for (int i = 0; i < count; ++i) {
        const int l = input(i);
        if (l == kLvl1) return kLvl1;
        if (l >= kLvlX) { result = kLvlX; continue; }
        if (result != kLvlX && l > result) result = l;
    }
    return result;
}

int AndFunction(const int32_t* pins, int count) {
    return AndOf([pins](int i) { return LogicInput(pins[i]); }, count);
}
int OrFunction(const int32_t* pins, int count) {
    return OrOf([pins](int i) { return LogicInput(pins[i]); }, count);
}

// PLA inputs: a negative pin reads the node inverted, strength kept.
int PlaInput(int32_t pin) {
    const int node = pin < 0 ? -pin : pin;
    if (!Driven(node)) return kLvlX;
    return pin < 0 ? DigitalInvert(LevelAt(node)) : LevelAt(node);
}

int PlaAnd(const int32_t* pins, int count) {
    int result = kLvl1;
    for (int i = 0; i < count; ++i) {
        const int l = PlaInput(pins[i]);
        if (l == kLvl0) return kLvl0;
        if (l >= kLvlX) { result = kLvlX; continue; }
        if (result == kLvlX) continue;
        if ((result == kLvlR && l == kLvlF) || (result == kLvlF && l == kLvlR)) result = kLvlF;
        else if (result == kLvl1) result = l;
    }
    return result;
}

int PlaOr(const int32_t* pins, int count) {
    int result = kLvl0;
    for (int i = 0; i < count; ++i) {
        const int l = PlaInput(pins[i]);
        if (l == kLvl1) return kLvl1;
        if (l >= kLvlX) { result = kLvlX; continue; }
        if (result != kLvlX && l > result) result = l;
    }
    return result;
}

int PlaXor(const int32_t* pins, int count) {
    const int a = count > 0 ? (pins[0] < 0 ? DigitalInvert(LevelAt(-pins[0])) : LevelAt(pins[0])) : kLvl0;
    const int b = count > 1 ? (pins[1] < 0 ? DigitalInvert(LevelAt(-pins[1])) : LevelAt(pins[1])) : kLvl0;
    return XorLevels(a, b);
}

int GroupFunction(const Primitive& p, const int32_t* pins, int inputs, bool and_or) {
    const int size = p.group_size > 0 ? p.group_size : inputs;
    int result = and_or ? kLvl0 : kLvl1;
    for (int g = 0; g + size <= inputs; g += size) {
        if (and_or) result = OrLevels(result, AndFunction(pins + g, size));
        else result = AndLevels(result, OrFunction(pins + g, size));
    }
    return result;
}

// The level of a gate-like primitive's output.
int GateLevel(const Primitive& p, const int32_t* pins, int inputs, DigitalState* pass_through) {
    if (inputs == 2) {
        const DigitalState* present = DigitalNet.present.data();
        if (static_cast<unsigned>(p.type - kCtAnd) < 6) return TwoInputGateLevel(p.type - kCtAnd, pins, present);
        if (static_cast<unsigned>(p.type - kCtAnd3) < 6) return TwoInputGateLevel(p.type - kCtAnd3, pins, present);
    }
    switch (p.type) {
    case kCtBuf: case kCtBuf3: return inputs > 0 ? LogicInput(pins[0]) : kLvlX;
    case kCtInv: case kCtInv3: return inputs > 0 ? DigitalInvert(LogicInput(pins[0])) : kLvlX;
    case kCtAnd: case kCtAnd3: return AndFunction(pins, inputs);
    case kCtNand: case kCtNand3: return DigitalInvert(AndFunction(pins, inputs));
    case kCtOr: case kCtOr3: return OrFunction(pins, inputs);
    case kCtNor: case kCtNor3: return DigitalInvert(OrFunction(pins, inputs));
    case kCtXor: case kCtXor3:
        return XorLevels(inputs > 0 ? LevelAt(pins[0]) : kLvl0, inputs > 1 ? LevelAt(pins[1]) : kLvl0);
    case kCtNxor: case kCtNxor3:
        return DigitalInvert(XorLevels(inputs > 0 ? LevelAt(pins[0]) : kLvl0, inputs > 1 ? LevelAt(pins[1]) : kLvl0));
    case kCtAo: return GroupFunction(p, pins, inputs, true);
    case kCtAoi: return DigitalInvert(GroupFunction(p, pins, inputs, true));
    case kCtOa: return GroupFunction(p, pins, inputs, false);
    case kCtOai: return DigitalInvert(GroupFunction(p, pins, inputs, false));
    case kCtPullup: return kLvl1;
    case kCtPulldn: return kLvl0;
    case kCtDlyline:
        *pass_through = inputs > 0 && pins[0] > 0 ? DigitalNet.present[pins[0]] : kStateX63;
        return LevelOf(*pass_through);
    case kCtPland: case kCtPlandc: return PlaAnd(pins, inputs);
    case kCtPlnand: case kCtPlnandc: return DigitalInvert(PlaAnd(pins, inputs));
    case kCtPlor: case kCtPlorc: return PlaOr(pins, inputs);
    case kCtPlnor: case kCtPlnorc: return DigitalInvert(PlaOr(pins, inputs));
    case kCtPlxor: case kCtPlxorc: return PlaXor(pins, inputs);
    case kCtPlnxor: case kCtPlnxorc: return DigitalInvert(PlaXor(pins, inputs));
    default: return kLvlAny;
    }
}

bool IsTriState(int type) { return type >= kCtBuf3 && type <= kCtNxor3; }

// The second output of a flip-flop takes what the first one computed.
struct FlipFlopResult {
    int primitive = 0;
    DigitalState qb = 0;
    int path = -1;
} LastFlipFlop;

int JkIndex(int level) { return level == kLvl0 ? 0 : level == kLvl1 ? 1 : 2; }


TwoInputGateTable BuildTwoInputGateTable() {
    TwoInputGateTable t{};
    for (int a = 0; a < 16; ++a)
        for (int b = 0; b < 16; ++b) {
            const int la = a & 7, lb = b & 7;
            auto logic = [&](int i) {
                const int c = i == 0 ? a : b;
                return c & 8 ? kLvlX : c & 7;
            };
            const int and_l = AndOf(logic, 2), or_l = OrOf(logic, 2), xor_l = XorLevels(la, lb);
            const int levels[6] = {and_l, DigitalInvert(and_l), or_l, DigitalInvert(or_l), xor_l,
                                   DigitalInvert(xor_l)};
            for (int k = 0; k < 6; ++k) t.level[k][a][b] = static_cast<int8_t>(levels[k]);
        }
    return t;
}

}  // namespace

const TwoInputGateTable kTwoInputGates = BuildTwoInputGateTable();

void BuildJkTable(int table[3][3][3]) {
    auto next = [](int j, int k, int q) { return j == 0 ? (k == 0 ? q : 0) : (k == 0 ? 1 : 1 - q); };
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k)
            for (int q = 0; q < 3; ++q) {
                int seen = -1;
                bool differ = false;
                for (int jj = 0; jj < 2; ++jj)
                    for (int kk = 0; kk < 2; ++kk)
                        for (int qq = 0; qq < 2; ++qq) {
                            if ((j < 2 && jj != j) || (k < 2 && kk != k) || (q < 2 && qq != q)) continue;
                            const int r = next(jj, kk, qq);
                            if (seen < 0) seen = r;
                            else if (seen != r) differ = true;
                        }
                table[j][k][q] = differ ? 2 : seen;
            }
}

DigitalState EvaluateGate(int primitive, int output, uint32_t tick, int* out_node, int* low, int* high) {
    const Primitive& p = DigitalNet.prims[primitive];
    if (p.type == kCtPinDly) {
        const int level = EvaluatePinDelay(DigitalRun.changed_node, primitive, output, tick, low, high);
        return MakeState(level, ByFinalLevel(level, *low, *high));
    }
    const int32_t* pins = PinsOf(primitive);
    int inputs = p.pin_count - p.outputs;
    *low = p.default_low;
    *high = p.default_high;
    if (IsTriState(p.type)) {
        --inputs;  // the last input is the enable
        if (LevelAt(pins[inputs]) != kLvl1) *low = *high = 0;
    }
    DigitalState pass = 0;
    const int level = p.type == kCtLogicExp ? EvaluateLogicExp(primitive, output) : GateLevel(p, pins, inputs, &pass);
    if (p.type == kCtDlyline) return pass;
    return MakeState(level, ByFinalLevel(level, *low, *high));
}

namespace {

DigitalState WithStrength(int level, int low, int high) {
    return MakeState(level, DigitalFinalLevel(level) != kLvl0 ? high : low);
}

[[gnu::noinline]] void RunCheckOf(int primitive, bool latch, int slot, uint32_t now, uint32_t reference,
                                  const char* input, uint32_t other) {
    if (!TimingChecksActive()) return;
    TimingCheck c{slot, now, reference, input, other};
    if (latch) CheckLatchTiming(primitive, c);
    else CheckFlipFlopTiming(primitive, c);
}

// Inline, so that a flip-flop without check parameters pays one test per check.
inline void RunCheck(int primitive, bool latch, int slot, uint32_t now, uint32_t reference, const char* input,
                     uint32_t other = 0) {
    // A parameter of 0 never fails.
    if (DigitalNet.prims[primitive].has_checks) RunCheckOf(primitive, latch, slot, now, reference, input, other);
}

// Edge flip-flops: JKFF (PREB, CLRB, CLKB, J, K) and DFF (PREB, CLRB, CLK, D).
void EdgeFlipFlop(int changed_node, int primitive, int* q, int* qb, int* path, uint32_t tick) {
    DigitalNetwork& n = DigitalNet;
    const Primitive& p = n.prims[primitive];
    const int32_t* pins = PinsOf(primitive);
    const bool jk = p.type == kCtJkff;
    const int pre = pins[0], clr = pins[1], clk = pins[2];
    const int qnode = pins[p.pin_count - 1], qbnode = pins[p.pin_count - 2];
    const int pre_l = LevelAt(pre), clr_l = LevelAt(clr), clk_l = LevelAt(clk);
    const int pre_prev = LevelOf(n.previous[pre]), clr_prev = LevelOf(n.previous[clr]);
    const int clk_prev = LevelOf(n.previous[clk]);
    FlipFlopCheckRecord* rec = p.record >= 0 ? &n.flipflops[p.record] : nullptr;
    *path = -1;
    const bool preset = ActiveLow(pre_l), clear = ActiveLow(clr_l);
    if (!DigitalRun.transient) {
        if (preset) { *q = kLvl1; *qb = clear ? kLvl1 : kLvl0; *path = 2; }
        else if (clear) { *q = kLvl0; *qb = kLvl1; *path = 3; }
        else { *q = LevelAt(qnode); *qb = LevelAt(qbnode); *path = 1; }
        return;
    }
    // What the record holds matters to the checks, and to a JKFF's falling clock.
    if (rec && (p.has_checks || jk)) KeepFlipFlopMemory(p.record);
    if (rec && changed_node == pre) {
        if (preset) rec->ticks[0] = tick;
        else if (ActiveLow(pre_prev)) {
            rec->ticks[1] = tick;
            RunCheck(primitive, false, kEffTwpcl, tick, rec->ticks[0], "Preb");
        }
    }
    if (rec && changed_node == clr) {
        if (clear) rec->ticks[2] = tick;
        else if (ActiveLow(clr_prev)) {
            rec->ticks[3] = tick;
            RunCheck(primitive, false, kEffTwpcl, tick, rec->ticks[2], "Clrb");
        }
    }
    if (!preset && !clear && pre_prev == kLvl0 && clr_prev == kLvl0 &&
        (jk || !((clk_l == kLvl1 || clk_l == kLvlR) && clk_prev == kLvl0))) {
        *q = *qb = kLvlX;
        *path = 2;
        return;
    }
    if (preset) { *q = kLvl1; *qb = clear ? kLvl1 : kLvl0; *path = 2; return; }
    if (clear) { *q = kLvl0; *qb = kLvl1; *path = 3; return; }
    const int q_prev = LevelOf(n.previous[qnode]);
    const bool released = DigitalFinalLevel(pre_l) == kLvl1 && DigitalFinalLevel(clr_l) == kLvl1;
    if (jk) {
        const int j = pins[3], k = pins[4];
        if (changed_node == clk) {
            const bool edge = ActiveLow(clk_l) && clk_prev != kLvl0;
            if (edge) {
                if (rec) {
                    RunCheck(primitive, false, kEffTwclkh, tick, rec->ticks[5], "");
                    RunCheck(primitive, false, kEffTsudclk, tick, rec->ticks[6], "J input");
                    RunCheck(primitive, false, kEffTsudclk, tick, rec->ticks[7], "K input");
                    RunCheck(primitive, false, kEffTsupcclkh, tick, rec->ticks[1], "Preb");
                    RunCheck(primitive, false, kEffTsupcclkh, tick, rec->ticks[3], "Clrb");
                    rec->ticks[4] = tick;
                }
                if (released) {
                    const int jl = LevelOf(n.previous[j]), kl = LevelOf(n.previous[k]);
                    const int qn = n.jk_table[JkIndex(jl)][JkIndex(kl)][JkIndex(DigitalInitialLevel(q_prev))];
                    int ql = qn == 0 ? kLvl0 : qn == 1 ? kLvl1 : kLvlX;
                    if (ql != q_prev && clk_l == kLvlF && ql != kLvlX) ql = ql == kLvl0 ? kLvlF : kLvlR;
                    *q = ql;
                    *qb = DigitalInvert(ql);
                    *path = 4;
                }
            } else if (rec) {
                RunCheck(primitive, false, kEffTwclkl, tick, rec->ticks[4], "");
                rec->ticks[5] = tick;
            }
        } else if (changed_node == j || changed_node == k) {
            if (rec) {
                const char* name = changed_node == j ? "J input" : "K input";
                RunCheck(primitive, false, kEffThdclk, tick, rec->ticks[4], name, tick);
                rec->ticks[changed_node == j ? 6 : 7] = tick;
            }
            // A falling clock still in motion samples the new J and K.
            if (clk_l == kLvlF && released && rec && rec->ticks[4] != 0) {
                const int qn = n.jk_table[JkIndex(LevelAt(j))][JkIndex(LevelAt(k))][JkIndex(DigitalInitialLevel(q_prev))];
                int ql = qn == 0 ? kLvl0 : qn == 1 ? kLvl1 : kLvlX;
                if (ql != q_prev && ql != kLvlX) ql = ql == kLvl0 ? kLvlF : kLvlR;
                *q = ql;
                *qb = DigitalInvert(ql);
                *path = 4;
            }
        }
        return;
    }
    const int d = pins[3];
    if (changed_node == clk) {
        const bool edge = (clk_l == kLvl1 || clk_l == kLvlR) && clk_prev != kLvl1;
        if (edge) {
            if (rec) {
                RunCheck(primitive, false, kEffTwclkl, tick, rec->ticks[4], "");
                RunCheck(primitive, false, kEffTsudclk, tick, rec->ticks[6], "D input");
                RunCheck(primitive, false, kEffTsupcclkh, tick, rec->ticks[1], "Preb");
                RunCheck(primitive, false, kEffTsupcclkh, tick, rec->ticks[3], "Clrb");
                rec->ticks[5] = tick;
            }
            if (released) {
                const int dl = LevelOf(n.previous[d]);
                if (dl == kLvlR || dl == kLvlF) {
                    *q = *qb = kLvlX;
                } else {
                    int ql = dl == kLvl0 || dl == kLvl1 ? dl : kLvlX;
                    if (ql != q_prev && clk_l == kLvlR && ql != kLvlX) ql = ql == kLvl0 ? kLvlF : kLvlR;
                    *q = ql;
                    *qb = DigitalInvert(ql);
                }
                *path = 4;
            }
        } else if (rec) {
            if (ActiveLow(clk_l) && !ActiveLow(clk_prev)) {
                RunCheck(primitive, false, kEffTwclkh, tick, rec->ticks[5], "");
                rec->ticks[4] = tick;
            }
        }
    } else if (changed_node == d) {
        if (rec) {
            RunCheck(primitive, false, kEffThdclk, tick, rec->ticks[5], "D input", tick);
            rec->ticks[6] = tick;
        }
        if (clk_l == kLvlR && released) {
            const int present_q = LevelAt(qnode);
            const int dl = DigitalFinalLevel(LevelAt(d));
            int ql = present_q;
            if (present_q == kLvl0 && dl == kLvl1) ql = kLvlR;
            else if (present_q == kLvl1 && dl == kLvl0) ql = kLvlF;
            if (ql != present_q) {
                *q = ql;
                *qb = DigitalInvert(ql);
                *path = 4;
            }
        }
    }
}

int Nand3(int a, int b, int c) {
    const int in[3] = {a, b, c};
    bool rise = false, fall = false, unknown = false;
    int lowest = kLvl1;
    for (int l : in) {
        if (l == kLvl0) return kLvl1;
        if (l == kLvlZ) continue;
        if (l >= kLvlX) unknown = true;
        if (l == kLvlR) rise = true;
        if (l == kLvlF) fall = true;
        if (l < lowest) lowest = l;
    }
    if (unknown || (rise && fall)) return kLvlX;
    return DigitalInvert(lowest);
}

// Latches: SRFF (PREB, CLRB, GATE, S, R) and DLTCH (PREB, CLRB, GATE, D).
void Latch(int changed_node, int primitive, int* q, int* qb, int* path, uint32_t tick) {
    DigitalNetwork& n = DigitalNet;
    const Primitive& p = n.prims[primitive];
    const int32_t* pins = PinsOf(primitive);
    const bool sr = p.type == kCtSrff;
    const int pre = pins[0], clr = pins[1], gate = pins[2];
    const int qnode = pins[p.pin_count - 1], qbnode = pins[p.pin_count - 2];
    const int pre_l = LevelAt(pre), clr_l = LevelAt(clr), gate_l = LevelAt(gate);
    const int s_l = LevelAt(pins[3]);
    const int r_l = sr ? LevelAt(pins[4]) : DigitalInvert(s_l);
    const int q_prev = LevelOf(n.previous[qnode]), qb_prev = LevelOf(n.previous[qbnode]);
    FlipFlopCheckRecord* rec = p.record >= 0 ? &n.flipflops[p.record] : nullptr;
    *path = -1;
    if (DigitalRun.transient && sr && pre_l == kLvl1 && clr_l == kLvl1 && s_l == kLvl0 && r_l == kLvl0 &&
        q_prev != qb_prev)
        return;
    const int set = Nand3(clr_l, s_l, gate_l), reset = Nand3(pre_l, r_l, gate_l);
    int ql = q_prev, qbl = qb_prev, q2 = 0, qb2 = 0;
    for (int pass = 0; pass < 3; ++pass) {
        if (pass == 2) { q2 = ql; qb2 = qbl; }
        ql = Nand3(pre_l, set, qbl);
        qbl = Nand3(clr_l, reset, ql);
    }
    if (DigitalFinalLevel(ql) != DigitalFinalLevel(q2)) ql = kLvlX;
    if (DigitalFinalLevel(qbl) != DigitalFinalLevel(qb2)) qbl = kLvlX;
    *q = ql;
    *qb = qbl;
    if (!DigitalRun.transient) { *path = 1; return; }
    const int pre_prev = LevelOf(n.previous[pre]), clr_prev = LevelOf(n.previous[clr]);
    if (rec && p.has_checks) KeepFlipFlopMemory(p.record);
    if (changed_node == pre) {
        *path = 2;
        if (rec) {
            if (ActiveLow(pre_l)) rec->ticks[0] = tick;
            else if (ActiveLow(pre_prev)) {
                rec->ticks[1] = tick;
                RunCheck(primitive, true, kGffTwpcl, tick, rec->ticks[0], "Preb");
            }
        }
        return;
    }
    if (changed_node == clr) {
        *path = 3;
        if (rec) {
            if (ActiveLow(clr_l)) rec->ticks[2] = tick;
            else if (ActiveLow(clr_prev)) {
                rec->ticks[3] = tick;
                RunCheck(primitive, true, kGffTwpcl, tick, rec->ticks[2], "Clrb");
            }
        }
        return;
    }
    if (ActiveLow(pre_l) || ActiveLow(clr_l)) return;
    const bool gate_open = gate_l == kLvl1 || gate_l == kLvlR;
    if (gate_open) {
        if (changed_node == gate) {
            *path = 4;
            if (rec) rec->ticks[5] = tick;
        } else {
            *path = 7;
            if (rec) rec->ticks[6] = tick;
        }
    } else if (changed_node == gate) {
        *path = 5;
        if (rec) {
            rec->ticks[4] = tick;
            RunCheck(primitive, true, kGffTwgh, tick, rec->ticks[5], "");
            RunCheck(primitive, true, kGffTsudg, tick, rec->ticks[6], "");
            RunCheck(primitive, true, kGffTsupcgh, tick, rec->ticks[1], "Preb");
            RunCheck(primitive, true, kGffTsupcgh, tick, rec->ticks[3], "Clrb");
        }
    } else {
        if (rec) {
            const char* name = !sr ? "D input" : changed_node == pins[3] ? "S input" : "R input";
            RunCheck(primitive, true, kGffThdg, tick, rec->ticks[4], name, tick);
            rec->ticks[6] = tick;
        }
        return;
    }
    if (changed_node == gate && (gate_l == kLvlR || (gate_l == kLvl1 && q_prev == kLvlR))) *path = 7;
}

}  // namespace

DigitalState EvaluateFlipFlop(int changed_node, int primitive, int output, int* path, uint32_t tick, int* low,
                              int* high) {
    const Primitive& p = DigitalNet.prims[primitive];
    *low = p.default_low;
    *high = p.default_high;
    if (output == 2 && LastFlipFlop.primitive == primitive) {
        *path = LastFlipFlop.path;
        return LastFlipFlop.qb;
    }
    int q = kLvlX, qb = kLvlX;
    if (p.model_type == kMtUeff) EdgeFlipFlop(changed_node, primitive, &q, &qb, path, tick);
    else Latch(changed_node, primitive, &q, &qb, path, tick);
    LastFlipFlop = {primitive, WithStrength(qb, *low, *high), *path};
    return WithStrength(q, *low, *high);
}

void AmbiguityHazard(int node, int primitive) {
    if (!DigitalRun.recording) return;
    const int slot = OutputSlot(primitive, node);
    if (slot >= 0) DigitalNet.Slot(slot).pending_tick = 0;
    DigitalNet.pending[node] = DigitalNet.present[node];
    const uint32_t last = slot >= 0 ? DigitalNet.Slot(slot).last_tick : 0xffffffffu;
    for (auto it = DigitalRun.queue.From(DigitalRun.now + 1); it != DigitalRun.queue.End() && it->first <= last; ++it)
        for (DigitalEvent& e : it->second)
            if (e.node == node && e.primitive == primitive) e.node = 0;
    if (slot >= 0) DigitalNet.Slot(slot).queued = 0;
}

namespace {

void Schedule(int slot, uint32_t tick, int low, int high, int node, int primitive, int level, bool changed) {
    const int err = ScheduleSlotChange(slot, tick, low, high, node, primitive, WithStrength(level, low, high), changed);
    if (err && !DigitalRun.error) DigitalRun.error = err;
}

// The gate delay triples of a transition, honouring tri-state ends.
int32_t GateDelay(int primitive, int from, int to, int mode) {
    const Primitive& p = DigitalNet.prims[primitive];
    const std::vector<int32_t>& all = DigitalNet.info[primitive].delays;
    const int32_t* d = p.model_type == kMtUtgate && all.size() >= 18 ? all.data() : DigitalNet.prims[primitive].gate_delays;
    if (p.model_type == kMtUdly) return d[mode < 1 ? 0 : mode > 3 ? 2 : mode - 1];
    if (p.model_type != kMtUtgate && (from == kLvlZ || to == kLvlZ)) {
        if (from == kLvlZ) from = kLvlX;
        if (to == kLvlZ) to = kLvlX;
    }
    return SelectTransitionDelay(from, to, mode, d);
}

}  // namespace

uint32_t ScheduleGateOutput(uint32_t tick, int low, int high, int node, int primitive, DigitalState value,
                            bool changed) {
    return ScheduleGateOutputInSlot(OutputSlot(primitive, node), tick, low, high, node, primitive, value, changed);
}

uint32_t ScheduleGateOutputInSlot(int slot, uint32_t tick, int low, int high, int node, int primitive,
                                  DigitalState value, bool changed) {
    DigitalNetwork& n = DigitalNet;
    const Primitive& p = n.prims[primitive];
    // The change starts from the level the output has when it takes effect: a change
    // still pending (kept when inertial cancellation is off) comes before it.
    const bool pending = slot >= 0 && n.Slot(slot).pending_tick > tick;
    const DigitalState out_before = pending ? n.Slot(slot).pending : slot >= 0 ? n.Slot(slot).present : n.present[node];
    int to = LevelOf(value);
    int mode = p.timing_mode;
    const bool tri = p.model_type == kMtUtgate;
    if (tri && StrengthOf(value) == 0 && LevelOf(value) != kLvlX) to = kLvlZ;
    if (tri && low == 0 && high == 0) to = kLvlZ;
    if (DigitalRun.path_analysis) {
        const int from = DigitalInvert(to);
        const int32_t delay = GateDelay(primitive, from, to, mode == 4 ? 3 : mode);
        return tick + delay;
    }
    int from = LevelOf(out_before);
    if (tri && StrengthOf(out_before) == 0) from = kLvlZ;
    if (mode != 4) {
        const uint32_t at = tick + GateDelay(primitive, from, to, mode);
        Schedule(slot, at, low, high, node, primitive, LevelOf(value), changed);
        return at;
    }
    const int m = LevelOf(n.present[node]);
    const int level = LevelOf(value);
    auto min_to = [&](int l) { return tick + GateDelay(primitive, m, l, 1); };
    auto max_to = [&](int l) { return tick + GateDelay(primitive, m, l, 3); };
    switch (level) {
    case kLvlR:
    case kLvlF: {
        const bool hazard = level == kLvlR ? (m == kLvlF || m == kLvlX) : (m == kLvlR || m == kLvlX);
        const int first = hazard ? kLvlX : level;
        if (hazard) AmbiguityHazard(node, primitive);
        Schedule(slot, min_to(first), low, high, node, primitive, first, changed);
        return min_to(first);
    }
    case kLvl1:
    case kLvl0: {
        const int ramp = level == kLvl1 ? kLvlR : kLvlF;
        const bool hazard = level == kLvl1 ? (m == kLvlF || m == kLvlX) : (m == kLvlR || m == kLvlX);
        if (hazard) AmbiguityHazard(node, primitive);
        else Schedule(slot, min_to(ramp), low, high, node, primitive, ramp, changed);
        Schedule(slot, max_to(level), low, high, node, primitive, level, true);
        return max_to(level);
    }
    case kLvlX:
        Schedule(slot, min_to(kLvlX), low, high, node, primitive, kLvlX, changed);
        Schedule(slot, max_to(kLvl1), low, high, node, primitive, kLvlX, true);
        return max_to(kLvl1);
    default:
        Schedule(slot, min_to(to), low, high, node, primitive, level, changed);
        return min_to(to);
    }
}

uint32_t ScheduleFlipFlopOutput(uint32_t tick, int low, int high, int node, int primitive, DigitalState value,
                                int path, bool changed) {
    return ScheduleFlipFlopOutputInSlot(OutputSlot(primitive, node), tick, low, high, node, primitive, value, path,
                                        changed);
}

uint32_t ScheduleFlipFlopOutputInSlot(int slot, uint32_t tick, int low, int high, int node, int primitive,
                                      DigitalState value, int path, bool changed) {
    DigitalNetwork& n = DigitalNet;
    const Primitive& p = n.prims[primitive];
    const int present_out = LevelOf(slot >= 0 ? n.Slot(slot).present : n.present[node]);
    const int level = LevelOf(value);
    int lh, hl;
    if (p.model_type == kMtUeff) {
        lh = path == 4 ? 9 : 0;
    } else {
        lh = path == 2 || path == 3 ? 0 : path == 4 ? 9 : 15;
    }
    hl = lh + 3;
    int family;
    if (DigitalRun.path_analysis) family = DigitalFinalLevel(level) == kLvl1 ? lh : hl;
    else if (level == kLvlR || level == kLvl1) family = lh;
    else if (level == kLvlF || level == kLvl0) family = hl;
    else if (level == kLvlX) family = present_out == kLvl1 ? hl : lh;
    else {
        Schedule(slot, tick, low, high, node, primitive, level, changed);
        return tick;
    }
    const std::vector<int32_t>& delays = n.info[primitive].delays;
    auto at = [&](int mode) {
        return tick + (family + mode - 1 < static_cast<int>(delays.size()) ? delays[family + mode - 1] : 0);
    };
    int mode = p.timing_mode;
    if (DigitalRun.path_analysis) return at(mode == 4 ? 3 : mode);
    if (mode != 4) {
        Schedule(slot, at(mode), low, high, node, primitive, level, changed);
        return at(mode);
    }
    const int m = LevelOf(n.present[node]);
    switch (level) {
    case kLvlR:
    case kLvlF: {
        const bool hazard = level == kLvlR ? (m == kLvlF || m == kLvlX) : (m == kLvlR || m == kLvlX);
        if (hazard) AmbiguityHazard(node, primitive);
        Schedule(slot, at(1), low, high, node, primitive, hazard ? kLvlX : level, changed);
        return at(1);
    }
    case kLvl1:
    case kLvl0: {
        const bool hazard = level == kLvl1 ? (m == kLvlF || m == kLvlX) : (m == kLvlR || m == kLvlX);
        if (hazard) AmbiguityHazard(node, primitive);
        else Schedule(slot, at(1), low, high, node, primitive, level == kLvl1 ? kLvlR : kLvlF, changed);
        Schedule(slot, at(3), low, high, node, primitive, level, true);
        return at(3);
    }
    default:
        Schedule(slot, at(1), low, high, node, primitive, kLvlX, changed);
        Schedule(slot, at(3), low, high, node, primitive, kLvlX, true);
        return at(3);
    }
}

}  // namespace ob7
