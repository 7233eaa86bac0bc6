// The simulation data file: its byte layout, the round trip of a Save run and its
// Retrieve replay, the refusals of files that do not fit.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/analysis/analysis_fixture.h"
#include "sim/analysis/simulation_data_file.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/engine/integration.h"

namespace ob7 {
namespace {

std::string TempPath(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

std::vector<unsigned char> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int32_t Int32At(const std::vector<unsigned char>& b, size_t at) {
    return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}

class DataFile : public AnalysisCircuit {};

TEST(DataFileName, ExtensionByAnalysisAndCircuitKind) {
    EXPECT_EQ(SimulationDataFileName("/c/amp.cir", 0, true), "/c/amp.TSA");
    EXPECT_EQ(SimulationDataFileName("/c/amp.cir", 1, false), "/c/amp_cir.ASA");
    EXPECT_EQ(SimulationDataFileName("/c.d/amp", 2, true), "/c.d/amp.DSA");
}

// A Save All record of one resistor and one capacitor at one node: 12 doubles.
TEST_F(DataFile, HeaderAndRecordLayout) {
    AddResistor(1, 0, 1e3);
    AddCapacitor(1, 0, 1e-9);
    NodeCount = 1;
    ASSERT_EQ(RunOperatingPointOnly(27), 0);
    const std::string path = TempPath("ob7_layout.TSA");
    SimulationDataFile f;
    ASSERT_EQ(OpenSimulationDataFile(f, path, RunOption::Save, 0, kSaveAll, 0), 0);
    EXPECT_EQ(f.record_length, 12);
    ASSERT_EQ(WriteDataFilePoint(f, 1.5e-3, Solution.data()), 0);
    CloseSimulationDataFile(f);
    const auto b = Bytes(path);
    ASSERT_EQ(b.size(), 36u + 12 * 8);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), std::string("TSA\0", 4));
    EXPECT_EQ(Int32At(b, 4), 0x70000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[8])), "Ombrelic");
    EXPECT_EQ(Int32At(b, 24), 2);
    EXPECT_EQ(Int32At(b, 28), 1);
    EXPECT_EQ(Int32At(b, 32), 0);
    double t = 0;
    std::memcpy(&t, &b[36], 8);
    EXPECT_EQ(t, 1.5e-3);
    std::remove(path.c_str());
}

// Save a transient with a diode and two capacitors, then replay it: every record comes
// back as it was written, with the charge states and device values.
TEST_F(DataFile, SaveAndRetrieveRoundTrip) {
    ModelParams* d = Model(kModelDiode, {{"IS", 1e-14}, {"CJO", 2e-12}, {"RS", 1}});
    SpiceSource* v = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    v->spec_kind = kSourceSin;
    v->p[1] = 2;
    v->p[2] = 1e6;
    AddResistor(1, 2, 100);
    Diode* diode = AddDiode(d, 2, 3, 1, 4);
    AddCapacitor(3, 0, 1e-9);
    Resistor* load = AddResistor(3, 0, 1e3);
    NodeCount = 4;
    const std::string path = TempPath("ob7_roundtrip.TSA");
    struct Snapshot {
        double t;
        std::vector<double> solution, currents, charges;
        double diode_current, load_power;
    };
    std::vector<Snapshot> written;
    SimulationDataFile f;
    struct SavingSink : PointSink {
        SimulationDataFile* file;
        std::vector<Snapshot>* out;
        Diode* diode;
        Resistor* load;
        int AcceptPoint(double t) override {
            if (!file->open) {
                if (int e = OpenSimulationDataFile(*file, path, RunOption::Save, 0, kSaveAll, 0)) return e;
            }
            std::vector<double> i, q;
            for (size_t s = 0; s < StateValues.size(); s += kHistorySlots) q.push_back(StateValues[s]);
            for (size_t s = 0; s < StateDerivatives.size(); s += kHistorySlots) i.push_back(StateDerivatives[s]);
            out->push_back({t, std::vector<double>(Solution.begin() + 1, Solution.begin() + 1 + EquationCount), i, q,
                            diode->cd, load->power});
            return WriteDataFilePoint(*file, t, Solution.data());
        }
        std::string path;
    } saving;
    saving.file = &f;
    saving.out = &written;
    saving.diode = diode;
    saving.load = load;
    saving.path = path;
    TransientSettings s;
    s.tmax = 2e-6;
    ASSERT_EQ(RunTransientAnalysis(s, saving), 0);
    CloseSimulationDataFile(f);
    ASSERT_GT(written.size(), 10u);

    // Spoil the engine's state, then replay.
    std::fill(Solution.begin(), Solution.end(), 99.0);
    std::fill(StateValues.begin(), StateValues.end(), 99.0);
    diode->cd = 99;
    SimulationDataFile r;
    ASSERT_EQ(OpenSimulationDataFile(r, path, RunOption::Retrieve, 0, kSaveAll, 0), 0);
    size_t k = 0;
    struct CheckingSink : PointSink {
        std::function<int(double)> check;
        int AcceptPoint(double t) override { return check(t); }
    } checking;
    checking.check = [&](double t) {
        const Snapshot& w = written[k++];
        EXPECT_EQ(t, w.t);
        EXPECT_EQ(std::vector<double>(Solution.begin() + 1, Solution.begin() + 1 + EquationCount), w.solution);
        for (size_t g = 0; g < w.charges.size(); ++g) {
            EXPECT_EQ(StateValues[g * kHistorySlots], w.charges[g]);
            EXPECT_EQ(StateDerivatives[g * kHistorySlots], w.currents[g]);
        }
        EXPECT_EQ(diode->cd, w.diode_current);
        EXPECT_EQ(load->power, w.load_power);
        return 0;
    };
    ASSERT_EQ(ReplaySimulationDataFile(r, checking), 0);
    EXPECT_EQ(k, written.size());
    CloseSimulationDataFile(r);
    std::remove(path.c_str());
}

TEST_F(DataFile, FilesThatDoNotFitAreRefused) {
    AddResistor(1, 0, 1e3);
    AddCapacitor(1, 0, 1e-9);
    NodeCount = 1;
    ASSERT_EQ(RunOperatingPointOnly(27), 0);
    const std::string path = TempPath("ob7_refused.TSA");
    SimulationDataFile f;
    ASSERT_EQ(OpenSimulationDataFile(f, path, RunOption::Save, 0, kSaveVAndI, 7), 0);
    ASSERT_EQ(WriteDataFilePoint(f, 0, Solution.data()), 0);
    CloseSimulationDataFile(f);
    // Another check value, then a V and I only file for a transient run.
    EXPECT_EQ(OpenSimulationDataFile(f, path, RunOption::Retrieve, 0, kSaveAll, 8), 15055);
    EXPECT_EQ(OpenSimulationDataFile(f, path, RunOption::Retrieve, 0, kSaveAll, 7), 15055);
    EXPECT_EQ(reported.ids, (std::vector<int>{5360, 5361}));
    // A circuit with one more node.
    AddResistor(2, 0, 1e3);
    NodeCount = 2;
    EquationCount = 2;
    EXPECT_EQ(OpenSimulationDataFile(f, path, RunOption::Retrieve, 0, kSaveVAndI, 7), 15055);
    std::remove(path.c_str());
}

// With a reduction of 3 the points 3, 6 ... are written at once and the last one by the
// flush at the end.
TEST_F(DataFile, PointReductionAndFlush) {
    AddResistor(1, 0, 1e3);
    NodeCount = 1;
    ASSERT_EQ(RunOperatingPointOnly(27), 0);
    const std::string path = TempPath("ob7_reduced.TSA");
    SimulationDataFile f;
    ASSERT_EQ(OpenSimulationDataFile(f, path, RunOption::Save, 0, kSaveAll, 0), 0);
    f.reduction = 3;
    for (int i = 1; i <= 7; ++i) ASSERT_EQ(WriteDataFilePoint(f, i, Solution.data()), 0);
    ASSERT_EQ(WriteDataRecordIfSaving(f), 0);
    CloseSimulationDataFile(f);
    SimulationDataFile r;
    ASSERT_EQ(OpenSimulationDataFile(r, path, RunOption::Retrieve, 0, kSaveAll, 0), 0);
    std::vector<double> times;
    for (;;) {
        double t = 0, step = 0;
        ASSERT_EQ(ReadDataFilePoint(r, &t, &step, Solution.data()), 0);
        if (r.end_of_data) break;
        times.push_back(t);
    }
    EXPECT_EQ(times, (std::vector<double>{3, 6, 7}));
    CloseSimulationDataFile(r);
    std::remove(path.c_str());
}

TEST(DataFileFreshness, StaleWhenOlderOrChanged) {
    const std::string circuit = TempPath("ob7_fresh.cir"), data = TempPath("ob7_fresh.TSA");
    std::ofstream(data) << "x";
    EXPECT_FALSE(IsDataFileStale(TempPath("ob7_missing.cir"), data, false));
    std::ofstream(circuit) << "x";
    std::filesystem::last_write_time(data, std::filesystem::last_write_time(circuit) - std::chrono::hours(1));
    EXPECT_TRUE(IsDataFileStale(circuit, data, false));
    std::filesystem::last_write_time(data, std::filesystem::last_write_time(circuit) + std::chrono::hours(1));
    EXPECT_FALSE(IsDataFileStale(circuit, data, false));
    EXPECT_TRUE(IsDataFileStale(circuit, data, true));
    std::remove(circuit.c_str());
    std::remove(data.c_str());
}

}  // namespace
}  // namespace ob7

#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/dc_sweep.h"

namespace ob7 {
namespace {

// A Save run of each driver and a Retrieve run of its file hand over the same points.
TEST_F(DataFile, DriversSaveAndRetrieveTheSamePoints) {
    struct Case {
        int kind;
        const char* name;
    } cases[] = {{0, "ob7_driver.TSA"}, {1, "ob7_driver.ASA"}, {2, "ob7_driver.DSA"}};
    for (const Case& c : cases) {
        SpiceSource* v = AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
        v->ac_magnitude = 1;
        v->spec_kind = c.kind == 0 ? kSourceSin : kSourceDc;
        v->p[1] = 1;
        v->p[2] = 1e3;
        AddResistor(1, 2, 1e3);
        AddCapacitor(2, 0, 1e-7);
        NodeCount = 2;
        const std::string path = TempPath(c.name);
        RecordingSink saved, replayed;
        for (RecordingSink* sink : {&saved, &replayed}) {
            const RunOption option = sink == &saved ? RunOption::Save : RunOption::Retrieve;
            sink->probe = [&] {
                return c.kind == 1 ? std::vector<double>{AcSolution[4], AcSolution[5]} : std::vector<double>{V(2)};
            };
            EquationCount = NumberBranchEquations();
            AnalysisKind = c.kind;
            // The file is opened once the circuit's size is known, as the driver's caller does.
            SimulationDataFile f;
            ASSERT_EQ(OpenSimulationDataFile(f, path, option, c.kind, kSaveAll, 0), 0) << c.kind;
            int result = -1;
            if (c.kind == 0) {
                TransientSettings s;
                s.tmax = 2e-3;
                s.data_file = &f;
                result = RunTransientAnalysis(s, *sink);
            } else if (c.kind == 1) {
                AcSettings s;
                s.frequency_range = "1e5,10";
                s.points = 21;
                s.data_file = &f;
                result = RunAcAnalysis(s, *sink);
            } else {
                DcSweepSettings s;
                s.variable1 = {&v->dc_value, false, SweepMethod::Linear, 2, 0, 0.25};
                s.variable2.method = SweepMethod::None;
                s.data_file = &f;
                result = RunDcSweep(s, *sink);
            }
            EXPECT_EQ(result, 0) << c.kind;
            CloseSimulationDataFile(f);
        }
        ASSERT_GT(saved.x.size(), 5u) << c.kind;
        EXPECT_EQ(replayed.x, saved.x) << c.kind;
        EXPECT_EQ(replayed.values, saved.values) << c.kind;
        std::remove(path.c_str());
        FreeSimulationState();
        FreeAcVectors();
    }
}

}  // namespace
}  // namespace ob7
