// The logic of the Digital Path window: chains, their delays and the list rows.

#include "digital_fixture.h"
#include "sim/digital/digital_path.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class DigitalPaths : public DigitalFixture {
protected:
    void SetUp() override {
        DigitalFixture::SetUp();
        // S1 -> U1 (INV) -> U2 (BUF); U3 (DFF) Q -> U4 (INV) and U5 (BUF).
        Stim("S1", {"A", "CLK"}, "11", "0 00");
        Add(kCtInv, "U1", {"A", "B"}, {{"TPLHTY", 1e-9}, {"TPHLTY", 2e-9}});
        Add(kCtBuf, "U2", {"B", "C"}, {{"TPLHTY", 3e-9}, {"TPHLTY", 4e-9}});
        Add(kCtDff, "U3", {"A", "A", "CLK", "A", "Q", "QB"}, {{"TPCLKQLHTY", 5e-9}, {"TPCLKQHLTY", 6e-9}});
        Add(kCtInv, "U4", {"Q", "D"}, {{"TPLHTY", 1e-9}, {"TPHLTY", 1e-9}});
        Add(kCtBuf, "U5", {"Q", "E"}, {{"TPLHTY", 2e-9}, {"TPHLTY", 2e-9}});
        ASSERT_EQ(Build(1e-6), 0);
    }
    std::string Names(const std::vector<int>& path) {
        std::string s;
        for (int p : path) s += (s.empty() ? "" : " ") + DigitalNet.info[p].part;
        return s;
    }
};

TEST_F(DigitalPaths, ChainsFromEverySourceOrFromOnePart) {
    const DigitalPathSet all = BuildDigitalPaths(0, 0);
    std::vector<std::string> names;
    for (const auto& p : all.paths) names.push_back(Names(p));
    // One chain per output pin in pin order: the stimulus's CLK and the flip-flop's QB feed
    // no gate.
    EXPECT_EQ(names, (std::vector<std::string>{"S1 U1 U2", "S1", "U3", "U3 U4", "U3 U5"}));
    const DigitalPathSet from = BuildDigitalPaths(FindPrimitiveOfPart("U3"), 0);
    ASSERT_EQ(from.paths.size(), 3u);
    const DigitalPathSet between = BuildDigitalPaths(FindPrimitiveOfPart("S1"), FindPrimitiveOfPart("U1"));
    ASSERT_EQ(between.paths.size(), 1u);
    EXPECT_EQ(Names(between.paths[0]), "S1 U1");
    EXPECT_EQ(FindPrimitiveOfPart("NONE"), 0);
}

TEST_F(DigitalPaths, DelaysFollowTheOutputEdge) {
    SetDigitalTickLength(0, 1e-6);
    ComputeDigitalPrimitiveDelays();
    const DigitalPathSet all = BuildDigitalPaths(0, 0);
    struct Case { const char* path; double lh, hl; };
    const Case cases[] = {
        {"S1 U1 U2", 1e-9 + 3e-9, 2e-9 + 4e-9},  // one inversion: the output rises after a fall
        {"U3 U4", 6e-9 + 1e-9, 5e-9 + 1e-9},
        {"U3 U5", 5e-9 + 2e-9, 6e-9 + 2e-9},
    };
    for (const Case& c : cases) {
        for (const auto& p : all.paths) {
            if (Names(p) != c.path) continue;
            double lh = 0, hl = 0;
            PathDelays(p, &lh, &hl);
            EXPECT_NEAR(lh, c.lh, 1e-14) << c.path;
            EXPECT_NEAR(hl, c.hl, 1e-14) << c.path;
        }
    }
    // Nothing was scheduled on the way.
    EXPECT_TRUE(DigitalRun.queue.Empty() || DigitalRun.queue.HeadTick() == 0);
}

TEST_F(DigitalPaths, ListRowsWrapAndCarryThePathNumber) {
    const DigitalPathSet all = BuildDigitalPaths(0, 0);
    const auto rows = FillPathList(all, 8, 1, 0);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].text, "No.  Path    LH-Delay  HL-Delay");
    // "S1 U1 U2 " is nine characters: it wraps after "S1 U1 ".
    std::vector<std::pair<std::string, int>> got;
    for (const auto& r : rows) got.push_back({r.text.substr(0, 13), r.path});
    EXPECT_EQ(got[1], (std::pair<std::string, int>{"0001 S1 U1 ", 1}));
    EXPECT_EQ(got[2], (std::pair<std::string, int>{"     U2      ", 1}));
    EXPECT_EQ(got[3], (std::pair<std::string, int>{"0002 S1      ", 2}));
    EXPECT_EQ(rows[1].text.size(), 11u);        // a continued path has no delays yet
    EXPECT_EQ(rows[2].text.size(), 13u + 8 + 2 + 8);
}

TEST_F(DigitalPaths, ReconvergentLogicIsCapped) {
    circuit = {};
    nodes.clear();
    FreeDigitalNetwork();
    // Twenty stages of two parallel buffers joined by an AND: 2^20 chains.
    Stim("S1", {"N0"}, "1", "0 0");
    for (int i = 0; i < 20; ++i) {
        const std::string a = "N" + std::to_string(i), b = "N" + std::to_string(i + 1);
        Add(kCtBuf, "X" + std::to_string(i), {a, a + "X"});
        Add(kCtBuf, "Y" + std::to_string(i), {a, a + "Y"});
        Add(kCtAnd, "Z" + std::to_string(i), {a + "X", a + "Y", b});
    }
    ASSERT_EQ(Build(1e-6), 0);
    const DigitalPathSet all = BuildDigitalPaths(0, 0);
    EXPECT_TRUE(all.truncated);
    EXPECT_EQ(all.paths.size(), kMaxDigitalPaths);
}

TEST(DigitalPathPages, EveryPageStartsWithItsNumberTitleAndHeader) {
    std::vector<PathListRow> rows = {{"No.  Path", 0}, {"0001 A", 1}, {"0002 B", 2}, {"     C", 2}, {"0003 D", 3}};
    const auto pages = PathListPages(rows, 4, "Counter");
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0], (std::vector<std::string>{"Page 1   Counter", "No.  Path", "0001 A", "0002 B"}));
    EXPECT_EQ(pages[1], (std::vector<std::string>{"Page 2   Counter", "No.  Path", "     C", "0003 D"}));
    EXPECT_TRUE(PathListPages({{"No.  Path", 0}}, 4, "Empty").empty());
}

}  // namespace
