// MOSFET level 8 (BSIM3 version 3): drain currents of two binned 0.18 um cards against
// ngspice 39 (deck data/bsim3_iv.cir, TNOM 27, TEMP 27 and 85, both polarities, two sizes), the
// generic checks in every region, and the parameter checks with their messages. The
// currents agree to 1e-4 (the goal is 2%); the table holds them to 1e-3.
//
// Deviation kept on purpose: an instance without junction areas gets saturation currents
// of 1e-14 A here, where the reference leaves only GMIN; at the reverse or slightly
// forward bulk biases of the table that changes the drain current by less than 1e-12 A.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "devices/device_checks.h"
#include "devices/mosfet_test_support.h"
#include "netlist/report_capture.h"
#include "sim/devices/bsim3.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/engine/noise_sources.h"
#include "sim/devices/mosfet.h"
#include "expression/math_error.h"
#include "sim/engine/solver_state.h"

#include "devices/bsim3_cards.h"

namespace ob7 {
namespace {

using namespace bsim3_cards;

struct Bias {
    double vd, vg, vb;
};
// Strong inversion in saturation and triode, moderate and weak inversion, body effect,
// a forward-biased bulk.
constexpr Bias kBiases[] = {{1.8, 1.8, 0},    {0.05, 1.2, 0},    {1.2, 0.6, -0.5}, {1.0, 0.25, 0},
                            {0.9, 1.0, -1.0}, {0.2, 1.8, -0.3}, {1.8, 0.9, 0.3}};
struct Size {
    double w, l;
};
constexpr Size kSizes[] = {{10e-6, 0.18e-6}, {2e-6, 1e-6}};

struct Card {
    const char* name;
    int type;
    const Params* params;
    double current[2][7];  // by size, then bias; amperes into the drain, at 27 C
    double hot[2][7];      // the same at 85 C (deck data/bsim3_iv85.cir)
};
const Card kCards[] = {
    {"nmos", kModelNmos8, &kNmosCard,
     {{5.326851e-03, 4.785365e-04, 9.393070e-06, 2.432847e-08, 5.379517e-04, 2.320984e-03, 1.435556e-03},
      {3.349094e-04, 2.030615e-05, 1.339725e-06, 7.099787e-09, 2.804909e-05, 1.075077e-04, 6.659617e-05}},
     {{4.758224e-03, 3.604967e-04, 1.088088e-05, 7.265700e-08, 4.529682e-04, 1.968415e-03, 1.147045e-03},
      {2.700527e-04, 1.442989e-05, 1.260395e-06, 1.412314e-08, 2.240509e-05, 8.500830e-05, 4.914905e-05}}},
    {"pmos", kModelPmos8, &kPmosCard,
     {{-2.61013e-03, -1.35453e-04, -2.87338e-06, -2.00849e-08, -1.37068e-04, -7.10463e-04, -5.80918e-04},
      {-8.29041e-05, -4.58060e-06, -2.92921e-07, -2.84496e-09, -5.37841e-06, -2.47713e-05, -1.64523e-05}},
     {{-2.16440e-03, -1.05134e-04, -3.66902e-06, -5.45290e-08, -1.20109e-04, -5.87274e-04, -4.52879e-04},
      {-6.58192e-05, -3.43062e-06, -3.09842e-07, -5.71582e-09, -4.57402e-06, -1.95185e-05, -1.26770e-05}}},
};

class Bsim3Devices : public ModelCircuit {
protected:
    void SetUp() override {
        ModelCircuit::SetUp();
        RegisterMosfetKind();
        RegisterBsim3Kind();
        MosfetBypassAllowed = false;  // every load evaluates (the bypass test turns it on)
    }
    void TearDown() override {
        MosfetBypassAllowed = true;
        ModelCircuit::TearDown();
    }
};

// At 85 C the mobility, saturation velocity, threshold and series resistance move with
// the model's temperature coefficients (the defaults of UTE, AT, KT1, KT2, UA1, UB1, UC1).
TEST_F(Bsim3Devices, DrainCurrentsMatchTheReference) {
    for (const double temperature : {27.0, 85.0}) {
        for (const Card& card : kCards) {
            for (int size = 0; size < 2; ++size) {
                SCOPED_TRACE(testing::Message() << card.name << " W " << kSizes[size].w << " L " << kSizes[size].l
                                                << " at " << temperature);
                const double* expected = temperature == 27 ? card.current[size] : card.hot[size];
                ModelParams* model = Model(card.type, *card.params);
                const double p = card.type == kModelPmos8 ? -1.0 : 1.0;
                AddMosfet(model, 1, 2, 0, 3, kSizes[size].w, kSizes[size].l);
                ASSERT_EQ(Temperatures(temperature), 0);
                ASSERT_EQ(Prepare(3), 0);
                for (size_t i = 0; i < std::size(kBiases); ++i) {
                    const Bias& b = kBiases[i];
                    SCOPED_TRACE(testing::Message() << "vd " << b.vd << " vg " << b.vg << " vb " << b.vb);
                    const double id = SettledDrainCurrent(kBsim3Kind, {0, p * b.vd, p * b.vg, p * b.vb});
                    EXPECT_NEAR(id, expected[i], 1e-3 * std::fabs(expected[i]));
                }
                FreeSimulationState();
                ClearCircuitModels();
            }
        }
    }
}

// An inverter of the two cards (N 1u/0.18u, P 3u/0.18u, VDD 1.8 V) solved by Newton
// from its initial guess at each input, against ngspice's transfer curve (deck
// data/bsim3_inverter.cir): within 2%, or 1 mV near the rails where the output rests
// on leakage currents.
TEST_F(Bsim3Devices, InverterTransferMatchesTheReference) {
    const double vout[] = {1.800000e+00, 1.800000e+00, 1.799975e+00, 1.798841e+00, 1.778358e+00,
                           1.688323e+00, 6.942516e-01, 6.545723e-02, 1.199955e-02, 7.697031e-04,
                           2.318630e-05, 5.113967e-07, 1.149010e-08};
    for (int i = 0; i < 13; ++i) {
        const double vin = 0.15 * i;
        SCOPED_TRACE(testing::Message() << "vin " << vin);
        AddSpiceSource(1, 0, kSpiceVoltageSource, 1.8);
        AddSpiceSource(2, 0, kSpiceVoltageSource, vin);
        AddMosfet(Model(kModelNmos8, kNmosCard), 3, 2, 0, 0, 1e-6, 0.18e-6);
        AddMosfet(Model(kModelPmos8, kPmosCard), 3, 2, 1, 1, 3e-6, 0.18e-6);
        ASSERT_EQ(Temperatures(27), 0);
        ASSERT_EQ(Prepare(3), 0);
        ASSERT_EQ(SolveOperatingPoint(), 0);
        EXPECT_NEAR(V(3), vout[i], std::max(0.02 * vout[i], 1e-3));
        FreeSimulationState();
        ClearCircuitModels();
    }
}

// The terminal charges (overlaps included) and the intrinsic capacitances (the charges'
// partials less the overlap capacitances, which are linear here) against ngspice (deck
// data/bsim3_charges.cir): saturation, triode and weak inversion of the NMOS, saturation
// and triode of the PMOS, in the type-signed frame of each device.
TEST_F(Bsim3Devices, ChargesAndCapacitancesMatchTheReference) {
    struct Case {
        int type;
        double w, vd, vg, vb;
        double qg, qb, qd, cgg, cgd, cbg, cdd;
        double capmod = 3, xpart = 0;
    };
    const Case cases[] = {
        {kModelNmos8, 10e-6, 1.2, 1.0, -0.3, 1.457722e-14, -6.91680e-15, 8.797058e-17, 9.395495e-15, 5.523293e-17,
         -2.05863e-15, -2.13634e-17},
        {kModelNmos8, 10e-6, 0.1, 1.0, -0.3, 2.138254e-14, -6.67143e-15, -6.88203e-15, 1.051157e-14, -2.75874e-15,
         -6.59071e-16, 4.445147e-15},
        {kModelNmos8, 10e-6, 0.1, 0.2, -0.3, 7.027716e-15, -5.20895e-15, -6.06256e-16, 2.461877e-15, 1.348304e-22,
         -2.46181e-15, 4.413352e-22},
        {kModelPmos8, 3e-6, -1.2, -1.0, 0.3, 3.860488e-15, -1.70207e-15, 8.229231e-17, 2.267331e-15, 2.969747e-17,
         -5.04838e-16, -1.17260e-17},
        {kModelPmos8, 3e-6, -0.1, -1.0, 0.3, 5.874353e-15, -1.64240e-15, -1.98299e-15, 2.521926e-15, -6.34612e-16,
         -1.67069e-16, 1.070841e-15},
        // Every charge model with each partition (deck data/bsim3_capmods.cir): saturation,
        // triode and accumulation.
        {kModelNmos8, 10e-6, 1.2, 1, -0.3, 1.793587e-14, -8.83967e-15, -4.85953e-16, 1.046944e-14, 0.000000e+00, -2.27176e-15, 0.000000e+00, 0, 0},
        {kModelNmos8, 10e-6, 1.2, 1, -0.3, 1.668297e-14, -8.53189e-15, 1.212510e-15, 1.046936e-14, 6.170146e-17, -2.27176e-15, -3.69779e-32, 1, 1},
        {kModelNmos8, 10e-6, 1.2, 1, -0.3, 1.660701e-14, -8.45474e-15, -4.38605e-16, 1.050585e-14, 6.075669e-17, -2.30431e-15, -3.11025e-17, 2, 0.5},
        {kModelNmos8, 10e-6, 1.2, 1, -0.3, 1.457722e-14, -6.91680e-15, 1.211046e-15, 9.395495e-15, 5.523293e-17, -2.05863e-15, 2.681417e-18, 3, 1},
        {kModelNmos8, 10e-6, 1.2, 1, -0.3, 1.793587e-14, -8.83967e-15, -9.10568e-16, 1.046944e-14, 0.000000e+00, -2.27176e-15, 0.000000e+00, 0, 0.5},
        {kModelNmos8, 10e-6, 1.2, 1, -0.3, 1.668297e-14, -8.53189e-15, -1.07906e-16, 1.046936e-14, 6.170146e-17, -2.27176e-15, -2.57691e-17, 1, 0},
        {kModelNmos8, 10e-6, 0.1, 1, -0.3, 2.499287e-14, -8.35700e-15, -7.78844e-15, 1.215693e-14, -4.85870e-15, -1.73572e-16, 7.623962e-15, 0, 0},
        {kModelNmos8, 10e-6, 0.1, 1, -0.3, 2.347054e-14, -8.30276e-15, -6.08444e-15, 1.200706e-14, -4.11874e-15, -3.59794e-16, 1.406761e-14, 1, 1},
        {kModelNmos8, 10e-6, 0.1, 1, -0.3, 2.347265e-14, -8.12843e-15, -7.36899e-15, 1.187738e-14, -3.27677e-15, -5.99008e-16, 3.712615e-15, 2, 0.5},
        {kModelNmos8, 10e-6, 0.1, 1, -0.3, 2.138254e-14, -6.67143e-15, -6.12455e-15, 1.051157e-14, -2.75874e-15, -6.59071e-16, 9.471894e-15, 3, 1},
        {kModelNmos8, 10e-6, 0.1, 1, -0.3, 2.499287e-14, -8.35700e-15, -8.01481e-15, 1.215693e-14, -4.85870e-15, -1.73572e-16, 5.449953e-15, 0, 0.5},
        {kModelNmos8, 10e-6, 0.1, 1, -0.3, 2.347054e-14, -8.30276e-15, -7.05816e-15, 1.200706e-14, -4.11874e-15, -3.59794e-16, 6.679830e-15, 1, 0},
        {kModelNmos8, 10e-6, 0.1, -0.5, -0.3, -2.03720e-15, -4.63160e-15, 3.637529e-15, 3.786025e-15, 0.000000e+00, -3.78602e-15, 0.000000e+00, 0, 0},
        {kModelNmos8, 10e-6, 0.1, -0.5, -0.3, -2.56070e-15, -4.10810e-15, 3.637529e-15, 4.107328e-15, 8.304835e-31, -4.10733e-15, -1.75162e-46, 1, 1},
        {kModelNmos8, 10e-6, 0.1, -0.5, -0.3, -2.76111e-15, -3.90769e-15, 3.637529e-15, 4.315653e-15, 1.458379e-31, -4.31565e-15, 2.424429e-31, 2, 0.5},
        {kModelNmos8, 10e-6, 0.1, -0.5, -0.3, -3.48700e-15, -3.18180e-15, 3.637529e-15, 3.512605e-15, 1.371586e-31, -3.51260e-15, 2.471344e-30, 3, 1},
        {kModelNmos8, 10e-6, 0.1, -0.5, -0.3, -2.03720e-15, -4.63160e-15, 3.637529e-15, 3.786025e-15, 0.000000e+00, -3.78602e-15, 0.000000e+00, 0, 0.5},
        {kModelNmos8, 10e-6, 0.1, -0.5, -0.3, -2.56070e-15, -4.10810e-15, 3.637529e-15, 4.107328e-15, 8.304835e-31, -4.10733e-15, -4.28037e-31, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "vd " << c.vd << " vg " << c.vg << " vb " << c.vb << " CAPMOD "
                                        << c.capmod << " XPART " << c.xpart);
        const bool nmos = c.type == kModelNmos8;
        ModelParams* model = Model(c.type, nmos ? kNmosCard : kPmosCard);
        SetModelParam(*model, "CAPMOD", c.capmod);
        SetModelParam(*model, "XPART", c.xpart);
        MosfetInstance* m = AddMosfet(model, 1, 2, 0, 3, c.w, 0.18e-6);
        ASSERT_EQ(Temperatures(27), 0);
        ASSERT_EQ(Prepare(3), 0);
        for (int k = 0; k < 40; ++k) LoadKindAt(kBsim3Kind, {0, c.vd, c.vg, c.vb}, LoadPoint::Time);
        const Bsim3SizeParams& s = *m->bsim3;
        // A small drain charge or capacitance is a difference of large ones: each is held
        // to 1e-3 of itself plus 1e-4 of the gate's charge or capacitance.
        const auto near = [](double ours, double theirs, double scale) {
            EXPECT_NEAR(ours, theirs, 1e-3 * std::fabs(theirs) + 1e-4 * std::fabs(scale));
        };
        near(s.qg.v, c.qg, c.qg);
        near(s.qb.v, c.qb, c.qg);
        near(s.qd.v, c.qd, c.qg);
        near(s.qg.d[0] - s.cgdo - s.cgso - s.cgbo, c.cgg, c.cgg);
        near(s.qg.d[1] + s.cgdo, c.cgd, c.cgg);
        near(s.qb.d[0] + s.cgbo, c.cbg, c.cgg);
        near(s.qd.d[1] - s.cgdo, c.cdd, c.cgg);
        FreeSimulationState();
        ClearCircuitModels();
    }
}

// Junction depletion charges of the bottom areas (AD = AS = 5p, CJ 1e-3, MJ 0.4, PB 0.8,
// no sidewalls) under reverse and forward bulk bias, with the intrinsic bulk charge,
// against ngspice (deck data/bsim3_junctions.cir).
TEST_F(Bsim3Devices, JunctionChargesMatchTheReference) {
    const struct {
        double vb, qb, capbd, capbs;
    } cases[] = {{-0.3, -1.42167e-14, 3.277290e-15, 4.401989e-15}, {0.3, -7.86156e-15, 3.698507e-15, 5.750000e-15}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vb);
        ModelParams* model = Model(kModelNmos8, kNmosCard);
        for (auto [name, value] : Params{{"CJ", 1e-3}, {"MJ", 0.4}, {"PB", 0.8}, {"CJSW", 0}, {"CJSWG", 0}})
            SetModelParam(*model, name, value);
        MosfetInstance* m = AddMosfet(model, 1, 2, 0, 3, 10e-6, 0.18e-6);
        m->parsed_AD = m->parsed_AS = 5e-12;
        ASSERT_EQ(Temperatures(27), 0);
        ASSERT_EQ(Prepare(3), 0);
        for (int k = 0; k < 40; ++k) LoadKindAt(kBsim3Kind, {0, 1.2, 1.0, c.vb}, LoadPoint::Time);
        EXPECT_NEAR(m->bsim3->qb.v, c.qb, 1e-3 * std::fabs(c.qb));
        EXPECT_NEAR(m->capbd, c.capbd, 1e-4 * c.capbd);
        EXPECT_NEAR(m->capbs, c.capbs, 1e-4 * c.capbs);
        FreeSimulationState();
        ClearCircuitModels();
    }
}

// A common-source stage (NMOS 10u/0.18u, 2k to 1.8 V, gate through 10k from a 0.7 V
// source that carries the AC excitation): the gate and drain voltages from 10 MHz to
// 10 GHz against ngspice (decks data/bsim3_ac.cir and, with 40 ohm drain and source
// resistances from RSH and the squares NRD and NRS, data/bsim3_ac_rsh.cir). The gate
// pole is the gate capacitance with the Miller-multiplied gate-drain capacitance; the
// drain's phase follows the capacitances' transconductances.
TEST_F(Bsim3Devices, SmallSignalStageMatchesTheReference) {
    const struct {
        bool resistances;
        double vd;  // operating point
        AcPoint points[4];
    } cases[] = {
        {false,
         1.145704,
         {{1e7, {9.989714e-01, -3.18157e-02}, {-4.91437e+00, 1.605812e-01}},
          {1e8, {9.067746e-01, -2.88347e-01}, {-4.44897e+00, 1.455334e+00}},
          {1e9, {1.010409e-01, -2.78255e-01}, {-3.81783e-01, 1.402634e+00}},
          {1e10, {1.565715e-02, -3.26752e-02}, {4.633897e-02, 1.458351e-01}}}},
        {true,
         1.219761,
         {{1e7, {9.991599e-01, -2.87089e-02}, {-4.22017e+00, 1.251319e-01}},
          {1e8, {9.225501e-01, -2.64669e-01}, {-3.88621e+00, 1.153582e+00}},
          {1e9, {1.209009e-01, -3.00628e-01}, {-3.91604e-01, 1.308626e+00}},
          {1e10, {1.903781e-02, -3.58800e-02}, {4.956802e-02, 1.378256e-01}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.resistances ? "with resistances" : "without");
        enum { d = 2, g = 4, dp, sp };
        AddCommonSourceCircuit(1.8, 2e3, 0.7, 1e4);
        ModelParams* model = Model(kModelNmos8, kNmosCard);
        MosfetInstance* m = AddMosfet(model, d, g, 0, 0, 10e-6, 0.18e-6);
        if (c.resistances) {
            SetModelParam(*model, "RSH", 20);
            m->NRD = m->NRS = 2;
            m->drain_i = dp, m->source_i = sp;
        }
        ASSERT_EQ(Temperatures(27), 0);
        ASSERT_EQ(Prepare(c.resistances ? sp : g), 0);
        EXPECT_DOUBLE_EQ(m->gdrain, c.resistances ? 1 / 40.0 : 0.0);
        ASSERT_EQ(SolveOperatingPoint(), 0);
        EXPECT_NEAR(V(d), c.vd, 1e-5);
        ASSERT_NO_FATAL_FAILURE(ExpectAcSweep(g, d, c.points, 2e-3));
        FreeSimulationState();
        ClearCircuitModels();
    }
}

// The channel's noise by NOIMOD at 1 kHz to 1 MHz (flicker, then thermal noise dominate),
// in strong inversion and (NOIMOD 3 at 0.3 V) in weak inversion, against ngspice (deck
// data/bsim3_noise.cir): there the output noise of a stage whose 2k load is noiseless,
// here the current density between drain and source, related by the drain's impedance
// 2k in parallel with the channel's gds (both real at these frequencies).
//
// Deviation kept on purpose: the reference is version 3.3, whose trap-density flicker
// noise (NOIMOD 2 and 3) in strong inversion counts its carriers from the effective drive
// and drain voltage of the current equations; version 3.2, built here, from vgs - von and
// vdsat. There the densities differ by 4%, held to 5%. In weak inversion version 3.2
// puts the trap-density noise in parallel with its strong-inversion value 0.1 V above
// threshold, where version 3.3 has one smooth form: 30% apart at 1 kHz, where flicker
// noise dominates, 0.6% at 1 MHz; that row is held to 35%. Elsewhere they agree to 2e-5
// (the Boltzmann constant), held to 2e-3.
TEST_F(Bsim3Devices, ChannelNoiseMatchesTheReference) {
    struct Case {
        Params extra;
        double vg, gds;
        double onoise[4];  // V/sqrt(Hz) at 1k, 10k, 100k, 1MEG
        double tolerance = 2e-3;
    };
    const Case cases[] = {
        {{{"NOIMOD", 1}, {"KF", 1e-26}, {"AF", 1.2}, {"EF", 1.1}}, 0.7, 9.595092e-05,
         {2.272866e-06, 6.406651e-07, 1.808631e-07, 5.202406e-08}},
        {{{"NOIMOD", 2}, {"EF", 1.1}}, 0.7, 9.595092e-05, {9.422985e-07, 2.657261e-07, 7.542294e-08, 2.305872e-08},
         0.05},
        {{{"NOIMOD", 3}, {"EF", 1.1}}, 0.7, 9.595092e-05, {9.423148e-07, 2.657839e-07, 7.562644e-08, 2.371586e-08},
         0.05},
        {{{"NOIMOD", 4}, {"KF", 1e-26}, {"AF", 1.2}, {"EF", 1.1}}, 0.7, 9.595092e-05,
         {2.272859e-06, 6.406411e-07, 1.807782e-07, 5.172780e-08}},
        {{{"NOIMOD", 3}, {"EF", 1.1}}, 0.3, 8.311633e-08, {2.951173e-09, 9.533570e-10, 5.378394e-10, 4.899522e-10},
         0.35},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "NOIMOD " << c.extra.begin()->second << " vg " << c.vg);
        enum { vdd = 1, d, g };
        AddSpiceSource(vdd, 0, kSpiceVoltageSource, 1.8);
        AddSpiceSource(g, 0, kSpiceVoltageSource, c.vg);
        AddResistor(vdd, d, 2e3);
        ModelParams* model = Model(kModelNmos8, kNmosCard);
        for (const auto& [name, value] : c.extra) SetModelParam(*model, name, value);
        AddMosfet(model, d, g, 0, 0, 10e-6, 0.18e-6);
        ASSERT_EQ(Temperatures(27), 0);
        ASSERT_EQ(Prepare(3), 0);
        ASSERT_EQ(SolveOperatingPoint(), 0);
        InitMode = kInitSmallSignal;
        ASSERT_EQ(LoadCircuit(), 0);
        const double z = 1 / (1 / 2e3 + c.gds);
        for (int i = 0; i < 4; ++i) {
            const double f = std::pow(10.0, 3 + i);
            NoiseSources = {};
            ASSERT_EQ(AddBsim3NoiseSources(f), 0);
            ASSERT_EQ(NoiseSources.count(), 1);
            EXPECT_EQ(NoiseSources.node_a[0], d);
            EXPECT_EQ(NoiseSources.node_b[0], 0);
            EXPECT_NEAR(NoiseSources.density[0], c.onoise[i] / z, c.tolerance * c.onoise[i] / z) << f;
        }
        FreeSimulationState();
        ClearCircuitModels();
    }
}

// Two inverters in a chain (N 1u/0.18u, P 3u/0.18u), the first driven by a 1.8 V pulse
// with 40 ps edges: the second loads the first with its gate charges only, so the edges
// follow the intrinsic and overlap charges of CAPMOD 3 (the cards' default) with the
// 40/60 partition. Node voltages against ngspice (deck data/bsim3_inverter_tran.cir,
// trapezoidal, 0.1 ps steps): the goal is 2% of the supply; they agree to 1e-4 V, and
// the test holds them to 5 mV.
TEST_F(Bsim3Devices, InverterChainTransientMatchesTheReference) {
    enum { vdd = 1, in, mid, out };
    AddSpiceSource(vdd, 0, kSpiceVoltageSource, 1.8);
    SpiceSource* pulse = AddSpiceSource(in, 0, kSpiceVoltageSource, 0);
    pulse->spec_kind = kSourcePulse;
    const double p[7] = {0, 1.8, 20e-12, 40e-12, 40e-12, 200e-12, 400e-12};
    std::copy(p, p + 7, pulse->p);
    ModelParams* n = Model(kModelNmos8, kNmosCard);
    ModelParams* pm = Model(kModelPmos8, kPmosCard);
    AddMosfet(n, mid, in, 0, 0, 1e-6, 0.18e-6);
    AddMosfet(pm, mid, in, vdd, vdd, 3e-6, 0.18e-6);
    AddMosfet(n, out, mid, 0, 0, 1e-6, 0.18e-6);
    AddMosfet(pm, out, mid, vdd, vdd, 3e-6, 0.18e-6);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(4), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    struct Sample {
        double t;
        int node;
        double v;
    } samples[] = {{40e-12, mid, 1.920379}, {50e-12, mid, 1.788393},  {50e-12, out, -0.0341065},
                   {60e-12, mid, 1.346435}, {60e-12, out, -0.1003908}, {80e-12, mid, 0.4355167},
                   {80e-12, out, 0.7879494}, {260e-12, mid, 1.117976e-08}, {280e-12, mid, -0.07840617},
                   {280e-12, out, 1.802201}, {300e-12, out, 1.990031}};
    const double h = 0.1e-12;
    ShiftMosfetVoltageHistory();  // the transient starts from the operating point's voltages
    ASSERT_EQ(BeginTransient(h), 0);
    size_t next = 0;
    while (next < std::size(samples)) {
        ShiftMosfetVoltageHistory();
        ASSERT_EQ(Step(h), 0) << ob7::Run.time;
        while (next < std::size(samples) && std::fabs(ob7::Run.time - samples[next].t) < h / 2) {
            SCOPED_TRACE(testing::Message() << "t " << ob7::Run.time << " node " << samples[next].node);
            EXPECT_NEAR(V(samples[next].node), samples[next].v, 5e-3);
            ++next;
        }
    }
}

// NQSMOD 1 on a long channel (10u/2u), against ngspice 39 (decks data/bsim3_nqs.cir and
// data/bsim3_nqs_pmos.cir): the common-source stage of the small-signal test with a 100 ohm
// gate resistance, in AC up to 100 GHz, where the deficit delays the channel charge (at
// 1 GHz the gate's admittance has a real part and the drain sees the delayed charging
// current), and in transients whose 10 ps gate edges are short against the deficit's
// relaxation time (0.36 ns): the drain settles over nanoseconds where the quasi-static
// stage settles in 100 ps. AC agrees to 5e-5 in saturation; in triode the operating
// points differ by 7e-4 (the quasi-static model's), hence 2e-3. The transients agree to
// 3e-5 V, held to 1e-4 V; without the deficit they are 0.1 V to 1.5 V away.
TEST_F(Bsim3Devices, NonQuasiStaticStageMatchesTheReference) {
    enum { vdd = 1, d, in, g, q };
    const auto build = [&](double xpart, bool pmos) {
        ModelParams* model = pmos ? Model(kModelPmos8, kPmosCard) : Model(kModelNmos8, kNmosCard);
        ASSERT_TRUE(SetModelParam(*model, "NQSMOD", 1));
        ASSERT_TRUE(SetModelParam(*model, "XPART", xpart));
        MosfetInstance* m = pmos ? AddMosfet(model, d, g, vdd, vdd, 10e-6, 2e-6) : AddMosfet(model, d, g, 0, 0, 10e-6, 2e-6);
        m->charge_node = q;
        ASSERT_EQ(Temperatures(27), 0);
        ASSERT_EQ(Prepare(q), 0);
    };
    const struct {
        double xpart, load, vin;
        AcPoint points[5];
    } ac_cases[] = {
        {0, 2e3, 0.8,
         {{1e7, {9.999853e-01, -7.26997e-04}, {-8.49255e-01, 6.944929e-03}},
          {1e8, {9.986010e-01, -6.94988e-03}, {-8.36745e-01, 6.656929e-02}},
          {1e9, {9.764725e-01, -1.93193e-02}, {-6.32019e-01, 2.138095e-01}},
          {1e10, {9.403834e-01, -6.99173e-02}, {2.629002e-02, 7.467278e-01}},
          {1e11, {8.022869e-01, -2.83561e-01}, {8.399697e-01, -1.06135e-01}}}},
        // Triode with XPART 1: the drain's share follows the charges, not the partition's
        // saturated 0/100.
        {1, 20e3, 1.2,
         {{1e7, {9.999717e-01, -1.11183e-03}, {-1.08208e-01, 4.763733e-03}},
          {1e8, {9.973579e-01, -1.04170e-02}, {-9.71501e-02, 4.467254e-02}},
          {1e9, {9.653812e-01, -1.86342e-02}, {3.880136e-02, 8.508365e-02}},
          {1e10, {9.507074e-01, -5.59075e-02}, {1.676411e-01, 2.728181e-01}},
          {1e11, {7.992211e-01, -2.89039e-01}, {8.137975e-01, -6.62113e-02}}}},
    };
    for (const auto& c : ac_cases) {
        SCOPED_TRACE(testing::Message() << "AC, XPART " << c.xpart);
        AddCommonSourceCircuit(1.8, c.load, c.vin, 100);
        ASSERT_NO_FATAL_FAILURE(build(c.xpart, false));
        ASSERT_EQ(SolveOperatingPoint(), 0);
        EXPECT_NEAR(V(q), 0, 1e-12);
        ASSERT_NO_FATAL_FAILURE(ExpectAcSweep(g, d, c.points, 2e-3));
        FreeSimulationState();
        ClearCircuitModels();
    }
    // NMOS with its load to the supply, and PMOS (source and bulk at the supply, XPART 0.5)
    // with its load to ground and the gate stepping down.
    struct Sample {
        double t, vd;
    };
    const struct {
        bool pmos;
        double from, to;
        Sample samples[11];
    } tran_cases[] = {
        {false, 0.3, 1.2,
         {{25e-12, 2.112020}, {30e-12, 2.284002}, {40e-12, 1.805645}, {60e-12, 1.432321}, {100e-12, 1.312866},
          {200e-12, 1.267036}, {500e-12, 1.194507}, {540e-12, 0.8400417}, {600e-12, 1.678674},
          {700e-12, 1.714015}, {1000e-12, 1.762482}}},
        {true, 1.5, 0.6,
         {{25e-12, -0.3187570}, {30e-12, -0.5594864}, {40e-12, -0.2490739}, {60e-12, -5.828252e-03},
          {100e-12, 6.003488e-02}, {200e-12, 7.239918e-02}, {500e-12, 9.494373e-02}, {540e-12, 0.6316066},
          {600e-12, 4.380823e-02}, {700e-12, 3.370901e-02}, {1000e-12, 2.355494e-02}}},
    };
    for (const auto& c : tran_cases) {
        SCOPED_TRACE(c.pmos ? "transient, PMOS" : "transient, NMOS");
        AddSpiceSource(vdd, 0, kSpiceVoltageSource, 1.8);
        SpiceSource* pulse = AddSpiceSource(in, 0, kSpiceVoltageSource, c.from);
        pulse->spec_kind = kSourcePulse;
        const double p[7] = {c.from, c.to, 20e-12, 10e-12, 10e-12, 500e-12, 1e-9};
        std::copy(p, p + 7, pulse->p);
        AddResistor(c.pmos ? d : vdd, c.pmos ? 0 : d, 2e3);
        AddResistor(in, g, 100);
        ASSERT_NO_FATAL_FAILURE(build(c.pmos ? 0.5 : 0, c.pmos));
        ASSERT_EQ(SolveOperatingPoint(), 0);
        const double h = 0.1e-12;
        ShiftMosfetVoltageHistory();
        ASSERT_EQ(BeginTransient(h), 0);
        size_t next = 0;
        while (next < std::size(c.samples)) {
            ShiftMosfetVoltageHistory();
            ASSERT_EQ(Step(h), 0) << ob7::Run.time;
            if (std::fabs(ob7::Run.time - c.samples[next].t) < h / 2) {
                SCOPED_TRACE(testing::Message() << "t " << ob7::Run.time);
                EXPECT_NEAR(V(d), c.samples[next].vd, 1e-4);
                ++next;
            }
        }
        FreeSimulationState();
        ClearCircuitModels();
    }
}

// The generic checks with the charge node: its 8 entries follow the 32 in the set-up
// order, and every column, the deficit's included, equals the central differences of the
// currents, at a DC point and at a time point, for both polarities and the exchanged
// channel, with a deficit present (the node away from 0). Below threshold the drain's
// share is a ratio of charges near 1e-17 C, whose difference quotients carry rounding
// noise of 1e-10 A against a relaxation current of 5e-5 A: hence the 1 nA floor.
TEST_F(Bsim3Devices, ChargeNodeEntriesMatchTheirCurrents) {
    std::vector<MosfetTerminals> devices;
    const int kinds[] = {kModelNmos8, kModelPmos8};
    for (int i = 0; i < 2; ++i) {
        ModelParams* model = Model(kinds[i], i == 0 ? kNmosCard : kPmosCard);
        ASSERT_TRUE(SetModelParam(*model, "NQSMOD", 1));
        ASSERT_TRUE(SetModelParam(*model, "XPART", i == 0 ? 0.0 : 1.0));
        const int base = 5 * i;
        MosfetInstance* m = AddMosfet(model, base + 1, base + 2, base + 3, base + 4, 10e-6, 2e-6);
        m->charge_node = base + 5;
        SetJunctionAreas(m);
        devices.push_back({base + 1, base + 2, base + 3, base + 4, i == 0 ? 1.0 : -1.0});
    }
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(10), 0);
    const TerminalBias biases[] = {{1.2, 0.9, 0}, {0.2, 0.05, -0.4}, {1.5, -0.6, -0.2}, {0.1, 1.0, 0}};
    for (const TerminalBias& bias : biases) {
        SCOPED_TRACE(testing::Message() << "vgs " << bias.vgs << " vds " << bias.vds);
        std::vector<double> x = BiasedSolution(devices, bias);
        for (const MosfetTerminals& t : devices) x[t.b + 1] = -2e-5 * t.p;  // a deficit of 20 fC
        for (int k = 0; k < 30; ++k) LoadKindAt(kBsim3Kind, x);
        const KindLoad dc = LoadKindAt(kBsim3Kind, x);
        EXPECT_EQ(dc.recorded, 80u);
        EXPECT_TRUE(LoadWalksSetUp(kBsim3Kind, x));
        EXPECT_TRUE(LoadWalksSetUp(kBsim3Kind, x, LoadPoint::SmallSignal));
        EXPECT_TRUE(ConductancesMatchCurrents(kBsim3Kind, x, 1e-6, 1e-4, 1e-9));
        std::vector<double> near = x;
        for (size_t n = 0; n < near.size(); ++n) near[n] += 1e-4 * static_cast<double>(n % 7);
        LoadKindAt(kBsim3Kind, near, LoadPoint::Time);
        EXPECT_TRUE(LoadWalksSetUp(kBsim3Kind, x, LoadPoint::Time));
        EXPECT_TRUE(ConductancesMatchCurrents(kBsim3Kind, x, 1e-6, 1e-4, 1e-9, LoadPoint::Time));
    }
}

// Cut-off, weak and moderate inversion, triode, saturation, forward bulk and the
// exchanged channel, for both polarities, the three mobility forms, the four charge
// models with the three partitions, and a narrow short device where the binning terms
// weigh most; at a DC point and at a time point, where the charges' companions join.
// The devices have junction areas and perimeters, so that the junction charges take part.
TEST_F(Bsim3Devices, ConductancesMatchCurrentsInEveryRegion) {
    struct Device {
        int type;
        const Params* card;
        double mobmod, w, l, capmod, xpart;
    };
    const Device kinds[] = {{kModelNmos8, &kNmosCard, 1, 10e-6, 0.18e-6, 3, 0},
                            {kModelNmos8, &kNmosCard, 2, 2e-6, 1e-6, 2, 0.5},
                            {kModelNmos8, &kNmosCard, 3, 0.3e-6, 0.18e-6, 0, 1},
                            {kModelPmos8, &kPmosCard, 1, 10e-6, 0.18e-6, 1, 0},
                            {kModelPmos8, &kPmosCard, 3, 0.5e-6, 0.5e-6, 3, 1},
                            {kModelNmos8, &kNmosCard, 1, 1e-6, 0.25e-6, 0, 0}};
    std::vector<MosfetTerminals> devices;
    int node = 0;
    for (const Device& k : kinds) {
        ModelParams* model = Model(k.type, *k.card);
        SetModelParam(*model, "MOBMOD", k.mobmod);
        SetModelParam(*model, "CAPMOD", k.capmod);
        SetModelParam(*model, "XPART", k.xpart);
        SetModelParam(*model, "CJSWG", 3e-10);
        SetModelParam(*model, "TT", 1e-12);
        const MosfetTerminals t = {node + 1, node + 2, node + 3, node + 4, k.type == kModelPmos8 ? -1.0 : 1.0};
        node += 4;
        MosfetInstance* m = AddMosfet(model, t.d, t.g, t.s, t.b, k.w, k.l);
        m->parsed_AD = m->parsed_AS = k.w * 0.5e-6;
        m->parsed_PD = m->parsed_PS = 2 * k.w + 1e-6;
        devices.push_back(t);
    }
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(node), 0);
    const TerminalBias biases[] = {{-0.3, 1.2, 0}, {0.2, 0.8, -0.4}, {0.45, 1.5, -0.2}, {1.2, 0.1, -0.6},
                                   {1.8, 1.8, -1.5}, {1.0, 0.7, 0.35}, {1.5, -0.9, -0.3}, {0.4, -1.6, -1.8}};
    ExpectRegionsConsistent(kBsim3Kind, devices, biases, 1e-12, /*small_signal=*/true);
}

// A device whose voltages and currents stay within the bypass tolerance keeps its
// linearisation: the same stamps and kept voltages after a 1 nV move of the drain; a
// 10 mV move evaluates it again. (The bulk current must hold to 1e-6 of itself plus
// 1e-18 A, so with a substrate current of 1e-11 A the drain may move by nanovolts only.)
TEST_F(Bsim3Devices, BypassOnlyWhileTheBiasHolds) {
    MosfetInstance* m = AddMosfet(Model(kModelNmos8, kNmosCard), 1, 2, 0, 3, 10e-6, 0.18e-6);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(3), 0);
    MosfetBypassAllowed = true;
    const std::vector<double> x = {0, 1.2, 1.0, -0.3};
    KindLoad settled;
    for (int k = 0; k < 40; ++k) settled = LoadKindAt(kBsim3Kind, x);
    const KindLoad nudged = LoadKindAt(kBsim3Kind, {0, 1.2 + 1e-9, 1.0, -0.3});
    EXPECT_EQ(m->vds, 1.2);
    EXPECT_EQ(nudged.g, settled.g);
    EXPECT_EQ(nudged.rhs, settled.rhs);
    LoadKindAt(kBsim3Kind, {0, 1.21, 1.0, -0.3});
    EXPECT_NEAR(m->vds, 1.21, 1e-12);
}

// Values outside the model's checks: errors end the preparation with 15055 after their
// message, warnings let it go on (and mend the value where the check says so); a
// prepared device never puts a NaN into the matrix, at a DC point or, with its charges,
// at a time point. A CKAPPA of 0 or below, which no check covers, leaves the lightly
// doped overlap a fixed capacitance.
TEST_F(Bsim3Devices, ParameterChecksReportAndKeepTheMatrixFinite) {
    struct Case {
        Params params;
        double w;
        int message;
        int result;
    };
    const Case cases[] = {
        {{{"TOX", 0}}, 10e-6, 14501, 15055},
        {{{"DVT1", -0.1}}, 10e-6, 14507, 15055},
        {{{"NGATE", -1}}, 10e-6, 14401, 15055},
        {{{"PSCBE2", 0}}, 10e-6, 14402, 15055},
        {{{"WINT", 6e-6}}, 10e-6, 14549, 15055},
        {{{"NOFF", 5}}, 10e-6, 14554, 15055},
        {{{"IJTH", -1}}, 10e-6, 14561, 15055},
        {{{"NOFF", 0.05}}, 10e-6, 14553, 0},
        {{{"CGDO", -1e-10}}, 10e-6, 14545, 0},
        {{{"PARAMCHK", 1}, {"A2", 2}}, 10e-6, 14539, 0},
        {{{"PARAMCHK", 1}, {"RDSW", -50}}, 10e-6, 14540, 0},
        {{{"PARAMCHK", 1}}, 0.08e-6, 14522, 0},
        {{{"NCH", -1e17}, {"VTH0", 0.4}}, 10e-6, 14502, 15055},
        {{{"CKAPPA", 0}, {"CGDL", 1e-10}, {"CGSL", 1e-10}, {"NOFF", 0.05}}, 10e-6, 14553, 0},
        {{{"CKAPPA", -1}, {"CGDL", 1e-10}, {"CAPMOD", 1}, {"NOFF", 0.05}}, 10e-6, 14553, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "message " << c.message);
        ModelParams* model = Model(kModelNmos8, kNmosCard);
        for (auto [name, value] : c.params) SetModelParam(*model, name, value);
        MosfetInstance* m = AddMosfet(model, 1, 2, 0, 3, c.w, 0.18e-6);
        ReportCapture capture;
        EXPECT_EQ(Temperatures(27), c.result);
        bool reported = false;
        for (const ReportDelivery& r : capture.reports) reported |= r.id == c.message;
        EXPECT_TRUE(reported);
        if (c.result == 0) {
            ASSERT_EQ(Prepare(3), 0);
            for (const Bias& b : kBiases) {
                ExpectLoadsFinite(kBsim3Kind, {0, b.vd, b.vg, b.vb});
            }
            if (c.message == 14539) {
                EXPECT_EQ(m->bsim3->p[FindModelParam(kModelNmos8, "A2")], 1);
            }
            if (c.message == 14540) {
                EXPECT_EQ(m->bsim3->rds0, 0);
            }
        }
        FreeSimulationState();
        ClearCircuitModels();
        ResetMathError();  // a zero oxide thickness leaves its division flagged, as a run would
    }
}

// The nominal temperature is T_MEASURED, else the TNOM option; the model's own TNOM
// has no effect. T_ABS fixes the device temperature whatever the analysis's.
TEST_F(Bsim3Devices, TemperaturesFollowTheMeasuredAndAbsoluteValues) {
    MosfetInstance* plain = AddMosfet(Model(kModelNmos8, kNmosCard), 1, 2, 0, 3, 10e-6, 1e-6);
    ModelParams* tnom = Model(kModelNmos8, kNmosCard);
    SetModelParam(*tnom, "TNOM", 50);
    MosfetInstance* with_tnom = AddMosfet(tnom, 1, 2, 0, 3, 10e-6, 1e-6);
    ModelParams* measured = Model(kModelNmos8, kNmosCard);
    SetModelParam(*measured, "T_MEASURED", 50);
    MosfetInstance* with_measured = AddMosfet(measured, 1, 2, 0, 3, 10e-6, 1e-6);
    ModelParams* absolute = Model(kModelNmos8, kNmosCard);
    SetModelParam(*absolute, "T_ABS", 85);
    MosfetInstance* with_abs = AddMosfet(absolute, 1, 2, 0, 3, 10e-6, 1e-6);
    ASSERT_EQ(Temperatures(50), 0);
    EXPECT_EQ(with_tnom->bsim3->u0temp, plain->bsim3->u0temp);
    EXPECT_LT(plain->bsim3->u0temp, with_measured->bsim3->u0temp);  // hotter than nominal: lower mobility
    EXPECT_DOUBLE_EQ(with_measured->bsim3->temp_ratio, 0);
    EXPECT_DOUBLE_EQ(with_abs->bsim3->temp_ratio, (85 + 273.15) / (27 + 273.15) - 1);
}

// Sizes and junction values of the preparation: the multiplier widens the device (and
// its width offsets) before binning, a doping given per m^3 is read per cm^3, and a side
// without diffusion gets a saturation current of 1e-14 A.
TEST_F(Bsim3Devices, SizesAndJunctionValues) {
    ModelParams* model = Model(kModelNmos8, {{"TOX", 4e-9}, {"WINT", 1e-7}, {"NCH", 1.7e23}, {"JS", 2e-4},
                                             {"JSSW", 1e-10}, {"WVTH0", 0.1}, {"VTH0", 0.4}});
    MosfetInstance* m = AddMosfet(model, 1, 2, 0, 3, 10e-6, 1e-6);
    m->M = 4;
    m->parsed_AD = 5e-12, m->parsed_PD = 12e-6;
    MosfetInstance* single = AddMosfet(model, 1, 2, 0, 3, 10e-6, 1e-6);
    ASSERT_EQ(Temperatures(27), 0);
    EXPECT_DOUBLE_EQ(m->bsim3->Weff, 40e-6 - 8 * 1e-7);
    EXPECT_DOUBLE_EQ(m->bsim3->vth0, 0.4 + 0.1 * 1e-6 / (40e-6 - 8e-7));  // WVTH0 binned on the total width
    EXPECT_DOUBLE_EQ(m->bsim3->p[FindModelParam(kModelNmos8, "NCH")], 1.7e17);
    EXPECT_DOUBLE_EQ(m->IsS, 1e-14);
    EXPECT_DOUBLE_EQ(m->IsD, 4 * 5e-12 * 2e-4 + 4 * 12e-6 * 1e-10);  // AD and PD scaled by M
    EXPECT_DOUBLE_EQ(single->IsD, 1e-14);
    EXPECT_DOUBLE_EQ(single->bsim3->Weff, 10e-6 - 2e-7);
}

// A model giving K2 but not K1 takes K1 = 0.53; without either, both follow from the
// doping (GAMMA1, GAMMA2 from NCH and NSUB): a lower doping gives a lower threshold.
TEST_F(Bsim3Devices, K1AndK2FollowTheGivenValues) {
    ModelParams* k2_only = Model(kModelNmos8, {{"K2", 0.01}, {"TOX", 4e-9}});
    ModelParams* doped = Model(kModelNmos8, {{"TOX", 4e-9}, {"NCH", 3e17}});
    ModelParams* light = Model(kModelNmos8, {{"TOX", 4e-9}, {"NCH", 1e17}});
    MosfetInstance* a = AddMosfet(k2_only, 1, 2, 0, 3, 10e-6, 1e-6);
    MosfetInstance* b = AddMosfet(doped, 1, 2, 0, 3, 10e-6, 1e-6);
    MosfetInstance* c = AddMosfet(light, 1, 2, 0, 3, 10e-6, 1e-6);
    ASSERT_EQ(Temperatures(27), 0);
    EXPECT_EQ(a->bsim3->k1, 0.53);
    EXPECT_EQ(a->bsim3->k2, 0.01);
    // gamma1 = 5.753e-12 sqrt(NCH) / Cox, and K1 = gamma2 - 2 K2 sqrt(phi - VBM).
    EXPECT_GT(b->bsim3->k1, c->bsim3->k1);
    EXPECT_GT(b->bsim3->vth0, c->bsim3->vth0);
}

}  // namespace
}  // namespace ob7
