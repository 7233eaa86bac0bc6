// The event queue: order by tick, replacing and disabling in place, snapping onto nearby
// ticks, and ticks that leave and come back (its lookups remember where ticks sit).

#include <gtest/gtest.h>

#include <utility>

#include "sim/digital/digital_network.h"

namespace ob7 {
namespace {

DigitalEvent Ev(uint32_t tick, int node, int primitive = 1, DigitalState state = 1) {
    return {tick, node, primitive, state, 0, 0};
}

TEST(DigitalEventQueue, ReplacesWithinATickAndSnapsToTheNearestTick) {
    DigitalEventQueue q;
    size_t index = 9;
    bool replaced = true;
    ASSERT_TRUE(q.Add(Ev(100, 5), true, &index, &replaced));
    EXPECT_EQ(index, 0u);
    EXPECT_FALSE(replaced);
    q.Add(Ev(100, 6), true, &index, &replaced);
    EXPECT_EQ(index, 1u);
    q.Add(Ev(100, 5, 1, 3), true, &index, &replaced);
    EXPECT_EQ(index, 0u);
    EXPECT_TRUE(replaced);
    EXPECT_EQ(q.At(100, 0)->state, 3);
    q.Add(Ev(120, 7));
    q.horizon = 1000;
    EXPECT_FALSE(q.Add(Ev(1001, 7)));

    // Nearest within 10 ticks, the earlier of two at the same distance; never tick 0.
    const std::pair<uint32_t, uint32_t> snaps[] = {{100, 100}, {105, 100}, {110, 100}, {114, 120},
                                                   {130, 120}, {131, 131}, {90, 100}, {89, 89}, {0, 0}};
    for (auto [tick, expected] : snaps) EXPECT_EQ(q.Snap(tick), expected) << tick;

    EXPECT_TRUE(q.Remove(100, 6));
    EXPECT_EQ(q.At(100, 1)->node, 0);  // disabled in place: the index stays valid
    EXPECT_EQ(q.Size(), 2u);
    EXPECT_EQ(q.Stored(), 3u);
    EXPECT_EQ(q.FindPendingTick(7, 1), 120u);
    EXPECT_EQ(q.Find(120, 7, 0)->node, 7);
    EXPECT_EQ(q.Find(120, 5, 0), nullptr);
}

TEST(DigitalEventQueue, APoppedTickIsGoneAndComesBackEmpty) {
    DigitalEventQueue q;
    q.Add(Ev(100, 5));
    q.Add(Ev(200, 6));
    ASSERT_EQ(q.HeadTick(), 100u);
    q.PopHead();
    EXPECT_EQ(q.HeadTick(), 200u);
    EXPECT_EQ(q.At(100, 0), nullptr);
    EXPECT_EQ(q.Find(100, 5, 1), nullptr);
    EXPECT_FALSE(q.Remove(100, 5));
    EXPECT_EQ(q.Snap(105), 105u);
    // Back again (a rolled-back tick): a fresh bucket, appended unsearched.
    size_t index = 9;
    q.Add(Ev(100, 8), false, &index);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(q.HeadTick(), 100u);
    EXPECT_EQ(q.At(100, 0)->node, 8);
    EXPECT_EQ(q.At(100, 1), nullptr);
    q.Clear();
    EXPECT_TRUE(q.Empty());
    EXPECT_EQ(q.At(200, 0), nullptr);
}

TEST(DigitalEventQueue, ManyTicksKeepTheirOwnEvents) {
    DigitalEventQueue q;
    const int count = 2000;
    for (int i = count; i >= 1; --i) q.Add(Ev(static_cast<uint32_t>(i) * 500000u, i));
    for (int i = 1; i <= count; i += 7) {
        const DigitalEvent* e = q.At(static_cast<uint32_t>(i) * 500000u, 0);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->node, i);
    }
    for (int i = 1; i <= count; ++i) {
        ASSERT_EQ(q.HeadTick(), static_cast<uint32_t>(i) * 500000u);
        EXPECT_EQ(q.HeadEvents().size(), 1u);
        EXPECT_EQ(q.HeadEvents()[0].node, i);
        q.PopHead();
        // A tick between the popped one and the next, in a reused bucket.
        if (i % 3 == 0) {
            const uint32_t between = static_cast<uint32_t>(i) * 500000u + 250000u;
            q.Add(Ev(between, count + i));
            ASSERT_EQ(q.HeadTick(), between);
            EXPECT_EQ(q.At(between, 0)->node, count + i);
            q.PopHead();
        }
    }
    EXPECT_TRUE(q.Empty());
}

TEST(DigitalEventQueue, AMovedQueueKeepsItsEvents) {
    DigitalEventQueue q;
    q.Add(Ev(100, 5));
    EXPECT_NE(q.At(100, 0), nullptr);  // remembered where it sits
    DigitalEventQueue moved = std::move(q);
    ASSERT_TRUE(moved.Remove(100, 5));
    EXPECT_EQ(moved.At(100, 0)->node, 0);
    moved.PopHead();
    EXPECT_EQ(moved.At(100, 0), nullptr);
    EXPECT_TRUE(moved.Empty());
}

}  // namespace
}  // namespace ob7
