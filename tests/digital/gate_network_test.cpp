// A random network of two-input gates whose inputs change faster than the gate delays:
// pulses are swallowed, pending events are taken back, and R, F and X reach the gates.
// The trace of every transition is compared with numbers recorded before the two-input
// gates had a path of their own (every gate then took the general evaluation), so that
// the faster paths must give the same events at the same ticks. The run takes back
// about 2,300 pending events and makes about 260 pending events X.

#include <cstdint>
#include <random>

#include "digital_fixture.h"

using namespace ob7;

namespace digital_test {
namespace {

class GateNetwork : public DigitalFixture {
protected:
    // 16 inputs (random hex digits every 1.5 ns, one with R, F and X levels) feed `gates`
    // gates of the six two-input kinds, each reading two earlier nodes, delays 1-5 ns.
    void Build(int gates) {
        std::mt19937 rng(11);
        Stim("IN", {"I1", "I2", "I3", "I4", "I5", "I6", "I7", "I8", "I9", "I10", "I11", "I12"}, "444",
             "0 000 REPEAT FOREVER +1.5ns RND ENDREPEAT");
        Stim("IN2", {"I13", "I14", "I15"}, "111", "0 000 REPEAT FOREVER +1.5ns RND ENDREPEAT");
        Stim("IN3", {"I16"}, "1", "0 0 REPEAT FOREVER +2ns R +1ns 1 +2ns F +1ns 0 +3ns X +2ns 1 +2ns 0 ENDREPEAT");
        std::vector<std::string> names;
        for (int i = 1; i <= 16; ++i) names.push_back("I" + std::to_string(i));
        const int types[] = {kCtAnd, kCtOr, kCtNand, kCtNor, kCtXor, kCtNxor};
        for (int g = 0; g < gates; ++g) {
            const int count = static_cast<int>(names.size());
            std::uniform_int_distribution<int> near(std::max(0, count - 40), count - 1);
            const std::string a = names[near(rng)], b = names[near(rng)], y = "G" + std::to_string(g);
            const double lh = (1 + rng() % 5) * 1e-9, hl = (1 + rng() % 5) * 1e-9;
            Add(types[rng() % 6], y, {a, b, y}, {{"TPLHTY", lh}, {"TPHLTY", hl}});
            names.push_back(y);
        }
    }
    // FNV-1a over node, state and tick of each transition up to tmax; the count in *count.
    // The random stimulus values continue from the run before: each test starts them
    // from the same seed.
    void SetUp() override {
        DigitalFixture::SetUp();
        StimulusRandomSeed = 12345;
    }

    uint64_t TraceHash(double tmax, long* count) {
        const uint32_t end = DigitalTimeTick(tmax);
        uint32_t tick;
        uint64_t hash = 1469598103934665603ull;
        auto mix = [&hash](uint64_t v) {
            for (int i = 0; i < 8; ++i) hash = (hash ^ ((v >> (8 * i)) & 0xff)) * 1099511628211ull;
        };
        *count = 0;
        while (NextDigitalEventTick(&tick) && tick <= end) {
            if (ApplyDigitalEventsAt(tick) != 0) return 0;
            for (const DigitalTransition& t : DigitalRun.transitions) {
                mix(static_cast<uint64_t>(t.node) << 48 | static_cast<uint64_t>(t.state) << 32 | t.tick);
                ++*count;
            }
            ClearDigitalChangeQueue();
            ++DigitalRun.solution_count;
        }
        return hash;
    }
};

TEST_F(GateNetwork, FastInputsGiveTheRecordedTrace) {
    Build(300);
    ASSERT_EQ(DigitalFixture::Build(400e-9), 0);
    long transitions = 0;
    EXPECT_EQ(TraceHash(400e-9, &transitions), 16352297272246939009ull);
    EXPECT_EQ(transitions, 7509);
}

// Flip-flops in a chain, and gate outputs wired in pairs (two drivers on a node, each
// event applied again after the tick's others).
TEST_F(GateNetwork, RegisterAndWiredGatesGiveTheRecordedTrace) {
    Stim("CK", {"CLK", "D"}, "11", "0 00 REPEAT FOREVER +3ns 1? +2ns 0? +1ns 0? ENDREPEAT");
    Stim("HI", {"H"}, "1", "0 1");
    std::string d = "D";
    for (int s = 0; s < 20; ++s) {
        const std::string q = "Q" + std::to_string(s), qb = "QB" + std::to_string(s);
        Add(kCtDff, "FF" + std::to_string(s), {"H", "H", "CLK", d, q, qb},
            {{"TPCLKQLHTY", (1 + s % 3) * 1e-9}, {"TPCLKQHLTY", (2 + s % 2) * 1e-9}});
        d = q;
    }
    for (int w = 0; w < 10; ++w) {
        const std::string y = "W" + std::to_string(w);
        Add(kCtAnd, "A" + std::to_string(w), {"Q" + std::to_string(w), "QB" + std::to_string(w + 5), y},
            {{"TPLHTY", 1e-9}, {"TPHLTY", 2e-9}});
        Add(kCtOr, "O" + std::to_string(w), {"Q" + std::to_string(w + 3), "CLK", y},
            {{"TPLHTY", 2e-9}, {"TPHLTY", 1e-9}});
    }
    ASSERT_EQ(DigitalFixture::Build(300e-9), 0);
    long transitions = 0;
    EXPECT_EQ(TraceHash(300e-9, &transitions), 17512220698978975257ull);
    EXPECT_EQ(transitions, 1776);
}

}  // namespace
}  // namespace digital_test
