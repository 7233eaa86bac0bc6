// Every comparison deck reads without a message into the parts, nodes, models and
// analysis set-up it describes.

#include <fstream>
#include <sstream>

#include "libraries/component_types.h"
#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

std::string DeckText(const std::string& name) {
    std::ifstream in(std::string(OB7_NETLIST_TEST_DATA) + "/decks/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct DeckCase {
    const char* file;
    int analysis;
    size_t parts;      // parts of the main text and of expanded bodies
    int analogNodes;
    size_t models;
};

class DeckTest : public TextCircuitTest, public ::testing::WithParamInterface<DeckCase> {};

TEST_P(DeckTest, ReadsWithoutMessage) {
    const DeckCase& d = GetParam();
    const std::string text = DeckText(d.file);
    ASSERT_FALSE(text.empty()) << d.file;
    ASSERT_EQ(Read(text, d.analysis), 0) << d.file << " report " << FirstReport();
    EXPECT_TRUE(reports.reports.empty()) << d.file;
    EXPECT_EQ(circuit->parts.size(), d.parts) << d.file;
    EXPECT_EQ(circuit->analogNodeCount, d.analogNodes) << d.file;
    EXPECT_EQ(circuit->tables.models.size(), d.models) << d.file;
    EXPECT_EQ(circuit->digitalNodeCount, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Decks, DeckTest,
    ::testing::Values(DeckCase{"bjt_diffpair.cir", kDc, 9, 6, 2}, DeckCase{"cmos_nand_tran.cir", kTransient, 8, 5, 2},
                      DeckCase{"controlled_sources.cir", kDc, 14, 8, 0},
                      DeckCase{"coupled_inductors_tran.cir", kTransient, 7, 3, 0},
                      DeckCase{"diode_clipper_tran.cir", kTransient, 6, 4, 1},
                      DeckCase{"divider_op.cir", -1, 6, 3, 0}, DeckCase{"jfet_bias_op.cir", kAc, 10, 6, 1},
                      DeckCase{"mos3_family_dc.cir", kDc, 3, 2, 1}, DeckCase{"noise_amp.cir", kAc, 10, 6, 1},
                      DeckCase{"rc_step_tran.cir", kTransient, 3, 2, 0},
                      DeckCase{"rlc_bandpass_ac.cir", kAc, 5, 4, 0},
                      // 2 calls + RLOAD + VIN, and 3 parts from each of the two bodies.
                      DeckCase{"subckt_params.cir", kAc, 10, 5, 0},
                      DeckCase{"tline_reflections.cir", kTransient, 4, 3, 0}),
    [](const ::testing::TestParamInfo<DeckCase>& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

}  // namespace
