// The main road: a command file naming the reference decks and their analyses, run by
// the batch runner with the circuit host of the program. Every line runs; the operating
// point of each case and the curves of each analysis agree with the reference results,
// both as computed and as the numeric output files print them.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <map>
#include <sstream>

#include "analysis/text_circuit_analysis.h"
#include "app/batch_circuit_host.h"
#include "engine/analysis/raw_reference.h"
#include "netlist/netlist_circuit.h"
#include "netlist/netlist_reader.h"
#include "numeric_output_reader.h"
#include "sim/engine/solver_state.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

// What one analysis of one deck left: its curves per run, and the node voltages of the
// operating point of its first case.
struct RunResult {
    int result = -1;
    std::map<std::string, std::vector<std::vector<double>>> x, y;  // curve Y text -> runs
    std::map<std::string, double> operatingPoint;                  // lower-case node name
};

class MainRoad : public TextCircuitHome {
protected:
    // Runs the command file through the batch with the program's host, keeping what
    // every analysis left under "<deck>/<letter>".
    int RunBatch(const std::string& commands) {
        const std::string file = (home / "decks.cmd").string();
        std::ofstream(file) << commands;
        DocumentBatchHost host;
        std::string key;
        host.prepareRun = [&](AnalysisRun& run) {
            key = std::filesystem::path(host.Circuit().Path()).stem().string() + "/" + "TAD"[run.kind];
            run.operatingPoint = [&](const RunCase& c) {
                if (c.caseNumber != 1 || !results[key].operatingPoint.empty()) return;
                NetlistCircuit* circuit = host.Circuit().Circuit();
                for (const NodeEntry& n : circuit->nodes.entries) {
                    if (n.scope != 1 || n.number <= 0 || n.kind == 1) continue;
                    std::string name = n.name;
                    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                    results[key].operatingPoint[name] = Solution[n.number];
                }
            };
        };
        host.afterRun = [&](int, int result, TextCircuitAnalysis& circuit) {
            RunResult& r = results[key];
            r.result = result;
            AnalysisPlot& plot = circuit.LastRun()->plot;
            for (size_t k = 0; k < plot.curves.size(); ++k) {
                auto& xs = r.x[plot.curves[k].text[kAxisY]];
                auto& ys = r.y[plot.curves[k].text[kAxisY]];
                for (int run = 0; run < plot.runs.runCount; ++run) {
                    xs.emplace_back(), ys.emplace_back();
                    for (int i = 0; i < plot.RunPointCount(static_cast<int>(k), run); ++i) {
                        xs.back().push_back(plot.RunPointValue(static_cast<int>(k), run, i, -1));
                        ys.back().push_back(plot.RunPointValue(static_cast<int>(k), run, i, kAxisY));
                    }
                }
            }
        };
        BatchSettings settings;
        settings.commandFile = file;
        return RunBatchFile(settings, host);
    }
    std::string Log() const {
        std::ifstream in(home / "decks.DOC");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::map<std::string, RunResult> results;

    // Every printed row of a curve against the reference at the row's X, within the
    // analysis' tolerance widened by half a unit of the printed digits.
    void CheckPrintedTables();
    void CheckPrintedOperatingPoints();
};

// How a printed column is compared with its reference: a transient within a part of its
// span, AC and DC values relative to their size, decibels within the relative tolerance.
enum class Compare { Span, Relative, Decibel };

void MainRoad::CheckPrintedTables() {
    const struct {
        const char *file, *heading, *raw, *reference;
        double sign;
        Compare compare;
        double tolerance;  // of the span, or relative
        bool logX;
    } checks[] = {
        {"rc_step_tran.TNO", "V(OUT)", "rc_step_tran.tran.raw", "v(out)", 1, Compare::Span, 1e-3, false},
        {"rc_step_tran.TNO", "I(C1)", "rc_step_tran.tran.raw", "i(v1)", -1, Compare::Span, 1e-3, false},
        {"diode_clipper_tran.TNO", "V(OUT)", "diode_clipper_tran.tran.raw", "v(out)", 1, Compare::Span, 1e-3, false},
        {"jfet_bias_op.TNO", "V(OUT)", "jfet_bias_op.tran.raw", "v(out)", 1, Compare::Span, 1e-3, false},
        {"rlc_bandpass_ac.ANO", "MAG(V(OUT))", "rlc_bandpass_ac.ac.raw", "v(out)", 1, Compare::Relative, 1e-6, true},
        {"rlc_bandpass_ac.ANO", "DB(V(OUT))", "rlc_bandpass_ac.ac.raw", "v(out)", 1, Compare::Decibel, 1e-6, true},
        {"jfet_bias_op.ANO", "MAG(V(OUT))", "jfet_bias_op.ac.raw", "v(out)", 1, Compare::Relative, 1e-4, true},
        {"bjt_diffpair.ANO", "DB(V(C2))", "bjt_diffpair.ac.raw", "v(c2)", 1, Compare::Decibel, 1e-4, true},
        {"noise_amp.ANO", "ONOISE", "noise_amp.noise.raw", "onoise_spectrum", 1, Compare::Relative, 1e-4, true},
        {"noise_amp.ANO", "INOISE", "noise_amp.noise.raw", "inoise_spectrum", 1, Compare::Relative, 1e-4, true},
        // The level 1 and 2 MOSFETs overshoot their edges up to 3e-3 of the span away from
        // the reference (their charge model, not the output): compared at 5e-3.
        {"cmos_nand_tran.TNO", "V(OUT)", "cmos_nand_tran.tran.raw", "v(out)", 1, Compare::Span, 5e-3, false},
        {"coupled_inductors_tran.TNO", "V(S)", "coupled_inductors_tran.tran.raw", "v(s)", 1, Compare::Span, 1e-3, false},
        {"coupled_inductors_tran.TNO", "I(L1)", "coupled_inductors_tran.tran.raw", "i(l1)", 1, Compare::Span, 1e-3,
         false},
        {"tline_reflections.TNO", "V(A)", "tline_reflections.tran.raw", "v(a)", 1, Compare::Span, 1e-3, false},
        {"tline_reflections.TNO", "V(B)", "tline_reflections.tran.raw", "v(b)", 1, Compare::Span, 1e-3, false},
        {"subckt_params.ANO", "MAG(V(O2))", "subckt_params.ac.raw", "v(o2)", 1, Compare::Relative, 1e-6, true},
        {"controlled_sources.DNO", "V(E1)", "controlled_sources.dc.raw", "v(e1)", 1, Compare::Relative, 1e-6, false},
        {"controlled_sources.DNO", "V(G1)", "controlled_sources.dc.raw", "v(g1)", 1, Compare::Relative, 1e-6, false},
        {"controlled_sources.DNO", "V(F1)", "controlled_sources.dc.raw", "v(f1)", 1, Compare::Relative, 1e-6, false},
        {"controlled_sources.DNO", "V(H1)", "controlled_sources.dc.raw", "v(h1)", 1, Compare::Relative, 1e-6, false},
    };
    for (const auto& c : checks) {
        SCOPED_TRACE(std::string(c.file) + " " + c.heading);
        const auto tables = ReadPrintedTables((home / c.file).string());
        ASSERT_EQ(tables.size(), 1u);
        const PrintedTable& t = tables[0];
        const int column = t.Column(c.heading);
        ASSERT_GE(column, 0);
        const RawReference ref = ReadRawReference(c.raw);
        ASSERT_TRUE(ref.ok);
        std::vector<double> xs, ys;
        const bool complex = c.compare != Compare::Span && ref.names[0] == "frequency";
        for (const auto& p : ref.points) xs.push_back(p[0].real());
        const auto values = ref.Complex(c.reference);
        for (const auto& v : values) ys.push_back(complex ? std::abs(v) : v.real());
        double low = ys[0], high = ys[0];
        for (double y : ys) low = std::min(low, y), high = std::max(high, y);
        EXPECT_GE(t.rows.size(), 40u);
        // Rows at evenly spaced points of the analysis' range (log spaced in AC).
        const int n = static_cast<int>(t.rows.size());
        for (int k = 0; k < n; ++k) {
            const auto& row = t.rows[k];
            const double f = static_cast<double>(k) / (n - 1);
            const double x = c.logX ? xs.front() * std::pow(xs.back() / xs.front(), f)
                                    : xs.front() + f * (xs.back() - xs.front());
            EXPECT_NEAR(std::strtod(row[0].c_str(), nullptr), x, PrintedHalfUnit(row[0]) + 1e-9 * std::fabs(x));
            const double printed = std::strtod(row[column].c_str(), nullptr) * c.sign;
            double expected = ReferenceAt(xs, ys, x, c.logX);
            double tolerance = PrintedHalfUnit(row[column]);
            switch (c.compare) {
            case Compare::Span: tolerance += c.tolerance * (high - low); break;
            case Compare::Relative: tolerance += c.tolerance * std::fabs(expected) + 1e-12; break;
            case Compare::Decibel:
                expected = 20 * std::log10(expected);
                tolerance += 20 * std::log10(1 + c.tolerance);
                break;
            }
            if (c.compare == Compare::Span) {
                // A transient agrees within 1e-3 of the span in value and of the time range in
                // time: the printed value lies in the reference's envelope over x +- that time.
                const double h = 1e-3 * (xs.back() - xs.front());
                double lo = std::min(ReferenceAt(xs, ys, x - h, false), ReferenceAt(xs, ys, x + h, false));
                double hi = std::max(ReferenceAt(xs, ys, x - h, false), ReferenceAt(xs, ys, x + h, false));
                lo = std::min(lo, expected), hi = std::max(hi, expected);
                for (size_t i = 0; i < xs.size(); ++i)
                    if (xs[i] > x - h && xs[i] < x + h) lo = std::min(lo, ys[i]), hi = std::max(hi, ys[i]);
                expected = std::clamp(printed, lo, hi);
            }
            EXPECT_NEAR(printed, expected, tolerance) << "at " << row[0];
        }
    }
    // Two temperatures times five gate voltages: one table each, captioned with both.
    const auto mos = ReadPrintedTables((home / "mos3_family_dc.DNO").string());
    ASSERT_EQ(mos.size(), 10u);
    EXPECT_EQ(mos[0].caption, "Temperature=27 VG = 1");
    EXPECT_EQ(mos[9].caption, "Temperature=85 VG = 5");
}

void MainRoad::CheckPrintedOperatingPoints() {
    const struct {
        const char *file, *reference;
        double relative, absolute;
    } checks[] = {
        {"jfet_bias_op.ANO", "jfet_bias_op.op.raw", 1e-6, 1e-9},
        {"jfet_bias_op.TNO", "jfet_bias_op.op.raw", 1e-6, 1e-9},
        {"bjt_diffpair.ANO", "bjt_diffpair.op.raw", 1e-5, 5e-5},
        {"divider_op.TNO", "divider_op.op.raw", 1e-6, 1e-9},
        {"subckt_params.ANO", "subckt_params.op.raw", 1e-6, 1e-9},
    };
    for (const auto& c : checks) {
        SCOPED_TRACE(c.file);
        const auto printed = ReadPrintedNodeVoltages((home / c.file).string());
        const RawReference ref = ReadRawReference(c.reference);
        ASSERT_TRUE(ref.ok);
        int compared = 0;
        for (size_t k = 0; k < ref.names.size(); ++k) {
            const std::string& name = ref.names[k];
            if (name.rfind("v(", 0) != 0) continue;
            const auto it = printed.find(name.substr(2, name.size() - 3));
            if (it == printed.end()) continue;
            const double expected = ref.points[0][k].real();
            EXPECT_NEAR(ParseNumber(it->second.c_str(), nullptr), expected,
                        c.absolute + c.relative * std::fabs(expected) + PrintedHalfUnit(it->second))
                << name;
            ++compared;
        }
        EXPECT_GE(compared, 3);
    }
}

TEST_F(MainRoad, BatchRunsEveryDeckAndMatchesTheReferences) {
    const char* decks[] = {"rc_step_tran",   "diode_clipper_tran", "rlc_bandpass_ac",        "controlled_sources",
                           "bjt_diffpair",   "jfet_bias_op",       "mos3_family_dc",         "noise_amp",
                           "divider_op",     "cmos_nand_tran",     "coupled_inductors_tran", "tline_reflections",
                           "subckt_params"};
    for (const char* d : decks) CopyDeck(d);
    const std::string commands =
        "* the reference decks\n"
        "rc_step_tran.cir /T\n"
        "diode_clipper_tran.cir /T\n"
        "rlc_bandpass_ac.cir /A\n"
        "controlled_sources.cir /D\n"
        "bjt_diffpair.cir /A\n"
        "jfet_bias_op.cir /A /T\n"
        "mos3_family_dc.cir /D\n"
        "noise_amp.cir /A\n"
        "divider_op.cir /T\n"
        "cmos_nand_tran.cir /T\n"
        "coupled_inductors_tran.cir /T\n"
        "tline_reflections.cir /T\n"
        "subckt_params.cir /A\n";
    ASSERT_EQ(RunBatch(commands), 0) << AllReports();
    EXPECT_TRUE(reports.empty()) << AllReports();
    // One log line per analysis: by line, and transient, AC, DC within a line.
    const std::string log = Log();
    size_t at = 0;
    for (const char* line : {"rc_step_tran.cir   /T", "diode_clipper_tran.cir/T", "rlc_bandpass_ac.cir/A",
                             "controlled_sources.cir/D", "bjt_diffpair.cir   /A", "jfet_bias_op.cir   /T",
                             "jfet_bias_op.cir   /A", "mos3_family_dc.cir /D", "noise_amp.cir      /A",
                             "divider_op.cir     /T", "cmos_nand_tran.cir /T", "coupled_inductors_tran.cir/T",
                             "tline_reflections.cir/T", "subckt_params.cir  /A"}) {
        at = log.find(line, at);
        EXPECT_NE(at, std::string::npos) << line << "\n" << log;
    }
    for (const auto& [key, r] : results) EXPECT_EQ(r.result, 0) << key;

    // Transient curves within 1e-3 of their span, at the reference's points.
    const struct {
        const char *key, *curve, *reference;
        double sign;
    } transient[] = {
        {"rc_step_tran/T", "V(OUT)", "v(out)", 1},
        {"rc_step_tran/T", "I(C1)", "i(v1)", -1},
        {"diode_clipper_tran/T", "V(OUT)", "v(out)", 1},
        {"diode_clipper_tran/T", "I(R1)", "i(v1)", -1},
        {"jfet_bias_op/T", "V(OUT)", "v(out)", 1},
    };
    for (const auto& t : transient) {
        SCOPED_TRACE(std::string(t.key) + " " + t.curve);
        const RunResult& r = results[t.key];
        ASSERT_EQ(r.y.count(t.curve), 1u);
        const std::string deck = std::string(t.key).substr(0, std::string(t.key).find('/'));
        const RawReference ref = ReadRawReference(deck + ".tran.raw");
        ASSERT_TRUE(ref.ok);
        std::vector<double> y = r.y.at(t.curve)[0];
        for (double& v : y) v *= t.sign;
        EXPECT_LT(WorstDeviationOfSpan(r.x.at(t.curve)[0], y, ref.Real("time"), ref.Real(t.reference)), 1e-3);
    }

    // AC magnitudes and noise spectra at the reference's frequencies.
    const struct {
        const char *key, *curve, *file, *reference;
        double relative;
    } ac[] = {
        {"rlc_bandpass_ac/A", "MAG(V(OUT))", "rlc_bandpass_ac.ac.raw", "v(out)", 1e-6},
        {"jfet_bias_op/A", "MAG(V(OUT))", "jfet_bias_op.ac.raw", "v(out)", 1e-4},
        // The physical constants of the two programs differ in the 5th digit.
        {"bjt_diffpair/A", "DB(V(C2))", "bjt_diffpair.ac.raw", "v(c2)", 1e-4},
        {"noise_amp/A", "ONOISE", "noise_amp.noise.raw", "onoise_spectrum", 1e-4},
        {"noise_amp/A", "INOISE", "noise_amp.noise.raw", "inoise_spectrum", 1e-4},
    };
    for (const auto& a : ac) {
        SCOPED_TRACE(std::string(a.key) + " " + a.curve);
        const RunResult& r = results[a.key];
        ASSERT_EQ(r.y.count(a.curve), 1u);
        const RawReference ref = ReadRawReference(a.file);
        ASSERT_TRUE(ref.ok);
        const auto expected = ref.Complex(a.reference);
        const auto& y = r.y.at(a.curve)[0];
        ASSERT_EQ(y.size(), expected.size());
        const bool db = std::string(a.curve).rfind("DB(", 0) == 0;
        for (size_t i = 0; i < y.size(); ++i) {
            const double m = std::abs(expected[i]);
            if (db) EXPECT_NEAR(y[i], 20 * std::log10(m), 20 * std::log10(1 + a.relative)) << i;
            else EXPECT_NEAR(y[i], m, a.relative * m + 1e-9) << i;
        }
    }

    // The DC sweep of the controlled sources at every reference point.
    {
        const RawReference ref = ReadRawReference("controlled_sources.dc.raw");
        ASSERT_TRUE(ref.ok);
        for (const char* node : {"e1", "g1", "f1", "h1"}) {
            std::string curve = std::string("V(") + node + ")";
            for (char& ch : curve) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            const auto& y = results["controlled_sources/D"].y.at(curve)[0];
            const auto expected = ref.Real(std::string("v(") + node + ")");
            ASSERT_EQ(y.size(), expected.size()) << node;
            for (size_t i = 0; i < y.size(); ++i)
                EXPECT_NEAR(y[i], expected[i], 1e-6 * std::fabs(expected[i]) + 1e-9) << node << " " << i;
        }
        EXPECT_EQ(results["mos3_family_dc/D"].y.at("I(VD)").size(), 10u);  // 2 temperatures x 5 gate voltages
    }

    // The operating point of the first case against the reference's.
    const struct {
        const char *key, *reference;
        double relative, absolute;
    } operatingPoints[] = {
        {"jfet_bias_op/A", "jfet_bias_op.op.raw", 1e-6, 1e-9},
        {"jfet_bias_op/T", "jfet_bias_op.op.raw", 1e-6, 1e-9},
        // Newton stops at RELTOL 1e-3 of the junction currents in both programs.
        {"bjt_diffpair/A", "bjt_diffpair.op.raw", 1e-5, 5e-5},
    };
    for (const auto& o : operatingPoints) {
        SCOPED_TRACE(o.key);
        const RawReference ref = ReadRawReference(o.reference);
        ASSERT_TRUE(ref.ok);
        const auto& ours = results[o.key].operatingPoint;
        int compared = 0;
        for (size_t k = 0; k < ref.names.size(); ++k) {
            const std::string& name = ref.names[k];
            if (name.rfind("v(", 0) != 0) continue;
            const std::string node = name.substr(2, name.size() - 3);
            if (!ours.count(node)) continue;
            const double expected = ref.points[0][k].real();
            EXPECT_NEAR(ours.at(node), expected, o.absolute + o.relative * std::fabs(expected)) << node;
            ++compared;
        }
        EXPECT_GE(compared, 3);
    }

    // The numeric output files: one per analysis beside its deck.
    for (const char* name : {"rc_step_tran.TNO", "diode_clipper_tran.TNO", "rlc_bandpass_ac.ANO",
                             "controlled_sources.DNO", "bjt_diffpair.ANO", "jfet_bias_op.ANO", "jfet_bias_op.TNO",
                             "mos3_family_dc.DNO", "noise_amp.ANO", "divider_op.TNO", "cmos_nand_tran.TNO",
                             "coupled_inductors_tran.TNO", "tline_reflections.TNO", "subckt_params.ANO"})
        EXPECT_TRUE(std::filesystem::exists(home / name)) << name;
    CheckPrintedTables();
    CheckPrintedOperatingPoints();
}

}  // namespace
}  // namespace ob7
