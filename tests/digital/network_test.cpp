// The network's entry points on the edges of their use.

#include "digital_fixture.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class Network : public DigitalFixture {};

TEST_F(Network, ACircuitWithoutDigitalPartsDoesNothing) {
    ASSERT_EQ(Build(1e-6), 0);
    uint32_t tick;
    EXPECT_FALSE(NextDigitalEventTick(&tick));
    EXPECT_EQ(ApplyDigitalEventsAt(5), 0);
    EXPECT_EQ(RollBackDigitalChanges(), 0);
    EXPECT_EQ(SettleDigitalStates(), 0);
}

TEST_F(Network, InitialFlipFlopStateFollowsDiginitstate) {
    struct Case { int option; const char* q_qb; };
    const Case cases[] = {{0, "01"}, {1, "10"}, {2, "XX"}};
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        Options.diginitstate = c.option;
        circuit.hi_node = Node("$D_HI");
        Add(kCtDff, "U1", {"$D_HI", "$D_HI", "CLK", "D", "Q", "QB"});
        ASSERT_EQ(SetupDigitalPrimitives(circuit), 0);
        SetDigitalTickLength(0, 1e-6);
        ComputeDigitalPrimitiveDelays();
        ASSERT_EQ(ResetDigitalCase(true), 0);
        EXPECT_EQ(std::string() + At("Q") + At("QB"), c.q_qb) << c.option;
        FreeDigitalNetwork();
    }
}

TEST_F(Network, FixedNodesKeepTheirStatesAndAnUndrivenNodeShowsZ) {
    circuit.hi_node = Node("$D_HI");
    circuit.lo_node = Node("$D_LO");
    circuit.x_node = Node("$D_X");
    Stim("S1", {"EN"}, "1", "0 0");
    Add(kCtBuf3, "U1", {"$D_HI", "EN", "Y"});
    ASSERT_EQ(Build(1e-6), 0);
    EXPECT_EQ(DigitalNet.present[nodes["$D_HI"]], 507);
    EXPECT_EQ(DigitalNet.present[nodes["$D_LO"]], 504);
    EXPECT_EQ(DigitalNet.present[nodes["$D_X"]], 508);
    EXPECT_EQ(At("Y"), 'Z');  // the disabled tri-state drives at strength 0
}

}  // namespace
