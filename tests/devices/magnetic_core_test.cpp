// Magnetic cores: a sine current through a winding traces the B-H loop of the core's
// hysteresis law; the gap's magnetic circuit; the save, accept and restore of the core
// state.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "devices/device_checks.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/magnetic_core.h"
#include "sim/devices/resistor.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using MagneticCores = ModelCircuit;

// 100 turns on a 10 cm path carry a 10 A, 1 kHz sine: the winding field swings by
// +-10 kA/m, ten times A. A second winding of 50 turns stays open through 1 Mohm.
CoreState* BuildDrivenCore(ModelParams* model) {
    SpiceSource* drive = AddSpiceSource(0, 1, 11, 0);
    drive->spec_kind = kSourceSin;
    const double sine[6] = {0, 10, 1e3, 0, 0, 0};
    std::copy(sine, sine + 6, drive->p);
    Inductor* primary = AddInductor(1, 0, 1e-3);
    Inductor* secondary = AddInductor(2, 0, 1e-3);
    AddResistor(1, 0, 1e6);
    AddResistor(2, 0, 1e6);
    CoreState* core = AddCore(model);
    MakeWinding(primary, core, 100);
    MakeWinding(secondary, core, 50);
    AddCoupling(primary, secondary, 1);
    return core;
}

TEST_F(MagneticCores, SineDriveTracesTheHysteresisLoop) {
    const double ms = 1.6e6, a = 1000, k = 2000, c = 0.1;
    ModelParams* model = Model(kModelCore, {{"AREA", 1}, {"PATH", 10}, {"MS", ms}, {"A", a}, {"K", k}, {"C", c}});
    CoreState* core = BuildDrivenCore(model);
    ASSERT_EQ(Prepare(2), 0);
    SaveRestoreCoreStates(0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    const double h = 1e-6;
    ASSERT_EQ(BeginTransient(h), 0);
    SaveRestoreCoreStates(1);
    std::vector<double> hs, ms_;
    while (ob7::Run.time < 2e-3 - h / 2) {
        ASSERT_EQ(Step(h), 0) << ob7::Run.time;
        SaveRestoreCoreStates(1);
        if (ob7::Run.time > 1e-3) hs.push_back(core->h), ms_.push_back(core->m);
    }
    ASSERT_GT(hs.size(), 900u);
    // The second cycle: the field follows the drive (no gap), the peak magnetization
    // approaches the anhysteretic value, and the loop is open.
    const double hmax = *std::max_element(hs.begin(), hs.end());
    const double mmax = *std::max_element(ms_.begin(), ms_.end());
    const double mmin = *std::min_element(ms_.begin(), ms_.end());
    EXPECT_NEAR(hmax, 1e4, 5);
    const double man_peak = ms * hmax / (hmax + a);
    EXPECT_LT(mmax, man_peak);
    EXPECT_GT(mmax, 0.9 * man_peak);
    EXPECT_NEAR(mmin, -mmax, 0.02 * mmax);
    // Remanence: where the field passes zero going down, the magnetization stays
    // positive, and as large as it is negative going up. Coercivity: the magnetization
    // passes zero only once the field has gone past zero by the order of K.
    double rem_down = 0, rem_up = 0, hc_down = 0;
    for (size_t i = 1; i < hs.size(); ++i) {
        if (hs[i - 1] > 0 && hs[i] <= 0) rem_down = ms_[i];
        if (hs[i - 1] < 0 && hs[i] >= 0) rem_up = ms_[i];
        if (ms_[i - 1] > 0 && ms_[i] <= 0) hc_down = hs[i];
    }
    EXPECT_GT(rem_down, 0.2 * ms);
    EXPECT_NEAR(rem_up, -rem_down, 0.05 * rem_down);
    EXPECT_LT(hc_down, -0.5 * k);
    EXPECT_GT(hc_down, -3 * k);
    // The loop's area, the loss per cycle, is positive: H dB integrated around it.
    double area = 0;
    for (size_t i = 1; i < hs.size(); ++i)
        area += 0.5 * (hs[i] + hs[i - 1]) * kMu0 * ((hs[i] + ms_[i]) - (hs[i - 1] + ms_[i - 1]));
    EXPECT_GT(area, 0);
}

// Without pinning (K = 0) the core is anhysteretic: the same magnetization both ways.
TEST_F(MagneticCores, WithoutPinningTheLoopCloses) {
    ModelParams* model = Model(kModelCore, {{"AREA", 1}, {"PATH", 10}, {"MS", 1.6e6}, {"A", 1000}, {"K", 0}});
    CoreState* core = BuildDrivenCore(model);
    ASSERT_EQ(Prepare(2), 0);
    SaveRestoreCoreStates(0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    ASSERT_EQ(BeginTransient(1e-6), 0);
    SaveRestoreCoreStates(1);
    while (ob7::Run.time < 1e-3) {
        ASSERT_EQ(Step(1e-6), 0);
        SaveRestoreCoreStates(1);
        EXPECT_NEAR(core->m, 1.6e6 * core->h / (std::fabs(core->h) + 1000), 1e-6 * 1.6e6);
    }
}

// With a gap the core field solves H + M = (PATH / GAP) (Hw - H): far below the winding
// field for a high-permeability core.
TEST_F(MagneticCores, GapLowersTheCoreField) {
    ModelParams* model = Model(kModelCore, {{"AREA", 1}, {"PATH", 10}, {"GAP", 0.1}, {"MS", 1.6e6}, {"A", 1000},
                                            {"K", 2000}, {"C", 0.1}});
    CoreState* core = AddCore(model);
    Inductor* w = AddInductor(1, 0, 1e-3);
    Inductor* w2 = AddInductor(2, 0, 1e-3);
    AddResistor(1, 0, 1);
    AddResistor(2, 0, 1);
    MakeWinding(w, core, 100);
    MakeWinding(w2, core, 10);
    Coupling* coupling = AddCoupling(w, w2, 1);
    ASSERT_EQ(Prepare(2), 0);
    SaveRestoreCoreStates(0);
    Options.itl4 = 50;
    core->hw = 5000;
    SolveCoreMagnetization(*core, coupling);
    const double ratio = 100;
    EXPECT_NEAR(core->h + core->m, ratio * (5000 - core->h), 1e-6 * ratio * 5000);
    EXPECT_LT(core->h, 5000);
    EXPECT_GT(core->m, 0);

    // Rejecting the step restores the accepted state.
    SaveRestoreCoreStates(2);
    EXPECT_EQ(core->m, 0);
    EXPECT_EQ(core->h, 0);

    // The state-variables file keeps five values per core coupling after the solution.
    core->man = 1, core->hw_accepted = 2, core->h_accepted = 3, core->m_accepted = 4, core->chi_accepted = 5;
    std::vector<double> array(4 * EquationCount + 1 + 5, 0.0);
    EXPECT_EQ(ExchangeCoreStateVariables(array.data(), 0), 5);
    EXPECT_EQ(array[4 * EquationCount + 1], 1);
    EXPECT_EQ(array[4 * EquationCount + 5], 5);
    array[4 * EquationCount + 4] = 40;
    EXPECT_EQ(ExchangeCoreStateVariables(array.data(), 1), 5);
    EXPECT_EQ(core->m_accepted, 40);
}

}  // namespace
}  // namespace ob7
