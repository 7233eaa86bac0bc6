// Instance options matched against the value templates of lines and semiconductors:
// any order inside "<...>", flags, optional lists, defines, the three messages, and the
// options a compiled semiconductor takes.

#include <gtest/gtest.h>

#include "netlist/compiler/circuit_compiler.h"
#include "netlist/compiler/compile_error_source.h"
#include "netlist/compiler/value_templates.h"
#include "netlist/define_table.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/diode.h"
#include "sim/devices/mosfet.h"
#include "sim/engine/device_lists.h"
#include "text_circuit_fixture.h"

namespace {

constexpr const char* kLineDelay = "<[Z0=%t][TD=%t]>";
constexpr const char* kThreeTerminal = "<[%g][OFF%d][IC=%g[,%g]]>";
constexpr const char* kMosfet =
    "<[M=%g][L=%t][W=%t][AD=%g][AS=%g][PD=%g][PS=%g][NRD=%g][NRS=%g][NRB=%g][NRG=%g][OFF%d][IC=%g[,%g[,%g]]]>";

class ValueTemplates : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        ASSERT_EQ(Read("t\nR1 1 0 1k\n.END\n"), 0);
        ASSERT_EQ(ob7::ParseDefineStatement(circuit->tables, ".DEFINE ZLINE 75", 1, ob7::StatementOrigin{}, 2,
                                            ob7::kKeywordDefine),
                  0);
        for (size_t i = 0; i < circuit->parts.size(); ++i)
            if (ob7::PartAttr(circuit->parts[i], ob7::ATTR_PART) == "R1") part = static_cast<int>(i);
        ASSERT_GE(part, 0);
        reports.reports.clear();
        ob7::ClearErrorSource();
    }
    int part = -1;
};

TEST_F(ValueTemplates, LineOptionsInAnyOrder) {
    const struct {
        const char* input;
        ob7::GivenValue z0, td;
    } cases[] = {
        {"TD=10n Z0=50", {50, 1}, {10e-9, 1}},
        {"Z0=50 TD=10n", {50, 1}, {10e-9, 1}},
        {"Z0=50", {50, 1}, {-1, 0}},
        {"z0 = 50 td= 1.5e-9", {50, 1}, {1.5e-9, 1}},
        {"Z0=ZLINE", {75, 1}, {-1, 0}},   // a define after "="
        {"Z0={2*25}", {50, 1}, {-1, 0}},  // a formula
        {"; TD=1", {-1, 0}, {-1, 0}},     // ";" ends the text
        {"", {-1, 0}, {-1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        ob7::GivenValue z0{-1, 0}, td{-1, 0};
        EXPECT_EQ(ob7::ParseValueTemplate(*circuit, part, kLineDelay, c.input, {&z0, &td}), 0);
        EXPECT_DOUBLE_EQ(z0.value, c.z0.value);
        EXPECT_EQ(z0.given, c.z0.given);
        EXPECT_DOUBLE_EQ(td.value, c.td.value);
        EXPECT_EQ(td.given, c.td.given);
        EXPECT_TRUE(reports.reports.empty());
    }
}

TEST_F(ValueTemplates, SemiconductorAreaFlagAndInitialValues) {
    const struct {
        const char* input;
        double area;
        int off;
        double ic1, ic2;
    } cases[] = {
        {"2 OFF IC=0.6,5", 2, 1, 0.6, 5},
        {"IC=0.6", -1, 0, 0.6, -1},  // the second value untouched
        {"OFF", -1, 1, -1, -1},
        {"IC=0.6,5 OFF 3", 3, 1, 0.6, 5},  // any order, the area too
        {"0.5", 0.5, 0, -1, -1},
        {"BIG", -1, 0, -1, -1},  // a bare word where the area may be: absent (and extra)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        double area = -1, ic1 = -1, ic2 = -1;
        int off = 0;
        reports.reports.clear();
        ob7::ParseValueTemplate(*circuit, part, kThreeTerminal, c.input, {&area, &off, &ic1, &ic2});
        EXPECT_DOUBLE_EQ(area, c.area);
        EXPECT_EQ(off, c.off);
        EXPECT_DOUBLE_EQ(ic1, c.ic1);
        EXPECT_DOUBLE_EQ(ic2, c.ic2);
    }
}

TEST_F(ValueTemplates, MosfetLengthAndWidthInEitherOrder) {
    for (const char* input : {"W=10u L=1u", "L=1u W=10u", "L=1u M=2 W=10u"}) {
        SCOPED_TRACE(input);
        double m = 1, ad = 0, as = 0, pd = 0, ps = 0, nrd = 0, nrs = 0, nrb = 0, nrg = 0, ic[3] = {};
        ob7::GivenValue l, w;
        int off = 0;
        ASSERT_EQ(ob7::ParseValueTemplate(*circuit, part, kMosfet, input,
                                          {&m, &l, &w, &ad, &as, &pd, &ps, &nrd, &nrs, &nrb, &nrg, &off, &ic[0],
                                           &ic[1], &ic[2]}),
                  0);
        EXPECT_DOUBLE_EQ(l.value, 1e-6);
        EXPECT_DOUBLE_EQ(w.value, 10e-6);
        EXPECT_EQ(l.given + w.given, 2);
        EXPECT_EQ(off, 0);
        EXPECT_TRUE(reports.reports.empty());
    }
}

TEST_F(ValueTemplates, MessagesNameWhatWasExpectedAndFound) {
    const struct {
        const char* tmpl;
        const char* input;
        int result, id;
        const char* named;  // text the message shows
    } cases[] = {
        {kLineDelay, "Z0 50", 15055, 11902, "'=' but found '50'"},
        {kLineDelay, "Z0=50 XYZ", 0, 11904, "XYZ"},  // a warning: the value stands
        {"Z0=%t", "Z0", 15055, 11900, "'='"},        // a required item missing
        {kLineDelay, "Z0=(2*", 15055, 0, "R1"},      // a value that does not evaluate
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        reports.reports.clear();
        ob7::ClearErrorSource();
        ob7::GivenValue z0, td;
        EXPECT_EQ(ob7::ParseValueTemplate(*circuit, part, c.tmpl, c.input, {&z0, &td}), c.result);
        ASSERT_EQ(reports.reports.size(), 1u);
        if (c.id) { EXPECT_EQ(reports.reports[0].id, c.id); }
        EXPECT_NE(reports.reports[0].text.find(c.named), std::string::npos) << reports.reports[0].text;
        EXPECT_NE(reports.reports[0].text.find("R1"), std::string::npos);
        if (c.result) { EXPECT_EQ(ob7::ErrorSource.part, part); }
        if (c.id == 11904) { EXPECT_DOUBLE_EQ(z0.value, 50); }
    }
}

}  // namespace

namespace {

class SemiconductorOptions : public TextCircuitTest {
protected:
    void TearDown() override {
        ob7::ClearCompiledDevices();
        TextCircuitTest::TearDown();
    }
};

TEST_F(SemiconductorOptions, CompiledPartsTakeTheirOptions) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 2 1k\nD1 2 0 DM 2 OFF IC=0.6\nQ1 1 2 0 QM IC=0.7,5\n"
                   "M1 1 2 0 0 MM W=10u L=2u OFF\n.MODEL DM D\n.MODEL QM NPN\n.MODEL MM NMOS\n.END\n",
                   ob7::kDc),
              0);
    ob7::CompileResult compiled;
    ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0);
    const auto* d = static_cast<ob7::Diode*>(ob7::DeviceListTable[ob7::kDiodeList].first);
    const auto* q = static_cast<ob7::Bjt*>(ob7::DeviceListTable[ob7::kBjtList].first);
    const auto* m = static_cast<ob7::MosfetInstance*>(ob7::DeviceListTable[ob7::kMosfetList].first);
    ASSERT_TRUE(d && q && m);
    EXPECT_DOUBLE_EQ(d->area, 2);
    EXPECT_EQ(d->off, 1);
    EXPECT_DOUBLE_EQ(d->ic, 0.6);
    EXPECT_EQ(q->off, 0);
    EXPECT_DOUBLE_EQ(q->ic_vbe, 0.7);
    EXPECT_DOUBLE_EQ(q->ic_vce, 5);
    EXPECT_DOUBLE_EQ(m->parsed_W, 10e-6);
    EXPECT_DOUBLE_EQ(m->parsed_L, 2e-6);
    EXPECT_EQ(m->parsed_W_given + m->parsed_L_given, 2);
    EXPECT_EQ(m->off, 1);
    EXPECT_TRUE(reports.reports.empty());
}

}  // namespace
