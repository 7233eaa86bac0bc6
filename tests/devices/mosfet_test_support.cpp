#include "devices/mosfet_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "devices/device_checks.h"
#include "netlist/report_capture.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/bsim12.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/mosfet_instance_defaults.h"
#include "sim/devices/resistor.h"

#include "sim/engine/ac_load.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "sim/engine/sparse_matrix.h"

namespace ob7 {

void ExpectAcSweep(int g, int d, std::span<const AcPoint> points, double rel_tol) {
    InitMode = kInitSmallSignal;
    ASSERT_EQ(LoadCircuit(), 0);

    AllocateAcVectors();
    ASSERT_EQ(CreateCircuitMatrix(&AcMatrix, Options.pivrel, Options.pivtol), 0);
    MatrixElementTrail trail;
    AcTrail = &trail;
    SetAcFrequency(1e3);
    AcFirstLoad = 1;
    ASSERT_EQ(AcLoad(), 0);
    AcFirstLoad = 0;
    ASSERT_EQ(PreorderCircuitMatrix(AcMatrix), 0);
    for (const AcPoint& p : points) {
        SCOPED_TRACE(p.f);
        SetAcFrequency(p.f);
        ASSERT_EQ(AcLoad(), 0);
        ASSERT_EQ(FactorComplexLU(AcMatrix), 0);
        SolveMatrix(AcMatrix, AcRightHandSide.data(), AcSolution.data());
        EXPECT_LT(std::abs(AcNodeValue(g) - p.vg), rel_tol * std::abs(p.vg));
        EXPECT_LT(std::abs(AcNodeValue(d) - p.vd), rel_tol * std::abs(p.vd));
    }
    DestroyCircuitMatrix(AcMatrix);
    AcMatrix = nullptr;
    AcTrail = nullptr;
    FreeAcVectors();
}

double SettledDrainCurrent(const DeviceKindHandler& kind, const std::vector<double>& x) {
    KindLoad load;
    for (int k = 0; k < 40; ++k) load = LoadKindAt(kind, x);
    double sum = -load.rhs[1];
    for (int c = 1; c <= load.size; ++c) sum += load.G(1, c) * x[c];
    return sum;
}

void AddCommonSourceCircuit(double vdd, double load, double vin, double rgate) {
    enum { supply = 1, d, in, g };
    AddSpiceSource(supply, 0, kSpiceVoltageSource, vdd);
    AddResistor(supply, d, load);
    SpiceSource* source = AddSpiceSource(in, 0, kSpiceVoltageSource, vin);
    source->ac_magnitude = 1;
    AddResistor(in, g, rgate);
}

void SetJunctionAreas(MosfetInstance* m) {
    m->parsed_AD = m->parsed_AS = 20e-12;
    m->parsed_PD = m->parsed_PS = 24e-6;
}

void ExpectLoadsFinite(const DeviceKindHandler& kind, const std::vector<double>& x) {
    for (LoadPoint point : {LoadPoint::Dc, LoadPoint::Time}) {
        const KindLoad load = LoadKindAt(kind, x, point);
        for (double v : load.g) EXPECT_TRUE(std::isfinite(v));
        for (double v : load.rhs) EXPECT_TRUE(std::isfinite(v));
    }
}

std::vector<double> BiasedSolution(std::span<const MosfetTerminals> devices, const TerminalBias& bias) {
    std::vector<double> x(EquationCount + 1, 0.0);
    for (const MosfetTerminals& t : devices) {
        x[t.s] = 0.1 * t.p;
        x[t.g] = x[t.s] + t.p * bias.vgs;
        x[t.d] = x[t.s] + t.p * bias.vds;
        x[t.b] = x[t.s] + t.p * bias.vbs;
    }
    return x;
}

void ExpectRegionsConsistent(const DeviceKindHandler& kind, std::span<const MosfetTerminals> devices,
                             std::span<const TerminalBias> biases, double abs_tol, bool small_signal) {
    for (const TerminalBias& bias : biases) {
        SCOPED_TRACE(testing::Message() << "vgs " << bias.vgs << " vds " << bias.vds << " vbs " << bias.vbs);
        std::vector<double> x = BiasedSolution(devices, bias);
        for (int k = 0; k < 30; ++k) LoadKindAt(kind, x);
        EXPECT_TRUE(LoadWalksSetUp(kind, x));
        if (small_signal) {
            EXPECT_TRUE(LoadWalksSetUp(kind, x, LoadPoint::SmallSignal));  // the load before AC
        }
        EXPECT_TRUE(ConductancesMatchCurrents(kind, x, 1e-6, 1e-4, abs_tol));
        std::vector<double> near = x;
        for (size_t n = 0; n < near.size(); ++n) near[n] += 1e-4 * static_cast<double>(n % 7);
        LoadKindAt(kind, near, LoadPoint::Time);
        EXPECT_TRUE(LoadWalksSetUp(kind, x, LoadPoint::Time));
        EXPECT_TRUE(ConductancesMatchCurrents(kind, x, 1e-6, 1e-4, abs_tol, LoadPoint::Time));
    }
}

MosfetInstance* MosfetCircuit::AddPulsedInverter(ModelParams* model) {
    enum { vdd = 1, in, gate, out };
    AddSpiceSource(vdd, 0, kSpiceVoltageSource, 5);
    SpiceSource* pulse = AddSpiceSource(in, 0, kSpiceVoltageSource, 0);
    pulse->spec_kind = kSourcePulse;
    const double p[7] = {0, 5, 1e-9, 2e-9, 2e-9, 10e-9, 30e-9};
    std::copy(p, p + 7, pulse->p);
    AddResistor(in, gate, 20e3);
    AddResistor(vdd, out, 20e3);
    MosfetInstance* m = AddMosfet(model, out, gate, 0, 0, 10e-6, 2e-6);
    SetJunctionAreas(m);
    return m;
}

void MosfetCircuit::ExpectInverterTransient(std::span<const InverterSample> samples) {
    enum { gate = 3, out };
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(4), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    const double h = 2e-12;
    ShiftMosfetVoltageHistory();  // the transient starts from the operating point's voltages
    ASSERT_EQ(BeginTransient(h), 0);
    size_t next = 0;
    while (next < samples.size()) {
        ShiftMosfetVoltageHistory();
        ASSERT_EQ(Step(h), 0) << ob7::Run.time;
        if (std::fabs(ob7::Run.time - samples[next].t) < h / 2) {
            SCOPED_TRACE(testing::Message() << "t " << ob7::Run.time);
            EXPECT_NEAR(V(gate), samples[next].gate, 2e-2);
            EXPECT_NEAR(V(out), samples[next].out, 2e-2);
            ++next;
        }
    }
}

void MosfetCircuit::ExpectDevicePassError(ModelParams* model, int message) {
    AddMosfet(model, 1, 2, 0, 3, 10e-6, 2e-6);
    ReportCapture capture;
    EXPECT_EQ(Temperatures(27), 15055);
    bool reported = false;
    for (const ReportDelivery& r : capture.reports) reported |= r.id == message;
    EXPECT_TRUE(reported);
    FreeSimulationState();
    ClearCircuitModels();
}

void MosfetLevel45Circuit::SetUp() {
    MosfetCircuit::SetUp();
    RegisterMosfetKind();
    RegisterMosfetLevel45Kind();
    RegisterMosfetInstanceDefaults();
    MosfetBypassAllowed = false;
}

void MosfetLevel45Circuit::TearDown() {
    MosfetBypassAllowed = true;
    MosfetCircuit::TearDown();
}

}  // namespace ob7
