// The Sensitivity Analysis dialog on the offscreen platform: the chosen variables follow
// the lists, bad requests are refused, and the results go into the list or the report.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/report_sink.h"
#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/image.h"
#include "plot_fixture.h"
#include "plots/sensitivity_dialog.h"

namespace {

using namespace ob7;
using Dlg = CSensitivityDlg;
namespace automation = platform::automation;
using platform::Notify;

struct Capture : ReportSink {
    Capture() { SetBatchLogSink(this); }
    ~Capture() override { SetBatchLogSink(nullptr); }
    int Deliver(const ReportDelivery& r) override {
        ids.push_back(r.id);
        return 0;
    }
    std::vector<int> ids;
};

// Two resistors and a model: R1/R2 (Value, TC1), model "RES RMOD" (R, TC1; default R),
// symbolic K.
struct FakeCircuit {
    SensitivitySettings settings;
    std::vector<SensitivityChoice> asked;
    std::string outputs[kSensitivityOutputs];
    std::string report;
    int modified = 0;
    SensitivityCircuitLink Link(const std::string& path = "/tmp/amp.cir") {
        SensitivityCircuitLink link;
        link.settings = &settings;
        link.circuitPath = path;
        link.names = [](int32_t kind) -> std::vector<std::string> {
            if (kind == kSensComponent) return {"R1", "R2"};
            if (kind == kSensModel) return {"RES RMOD"};
            return {"K"};
        };
        link.parameters = [](int32_t kind, const std::string&, bool all) -> std::vector<std::string> {
            if (kind == kSensSymbolic) return {"Value"};
            if (kind == kSensModel) return all ? std::vector<std::string>{"R", "TC1"} : std::vector<std::string>{"R"};
            return all ? std::vector<std::string>{"Value", "TC1"} : std::vector<std::string>{"Value"};
        };
        link.calculate = [this](const std::vector<SensitivityChoice>& v, const std::string (&o)[kSensitivityOutputs],
                                std::vector<SensitivityRow>* rows) {
            asked = v;
            std::copy(std::begin(o), std::end(o), outputs);
            for (size_t i = 0; i < v.size(); ++i) {
                SensitivityRow row;
                row.nominal_value = 1000 * (i + 1);
                for (const std::string& text : o)
                    row.cells.push_back(text.empty() ? SensitivityCell{} : SensitivityCell{-0.002, -0.4, "-0.002", "-0.4"});
                rows->push_back(row);
            }
            return 0;
        };
        link.openReport = [this](const std::string& path) { report = path; };
        link.markModified = [this] { ++modified; };
        return link;
    }
};

// One mode: a name and a parameter make the one variable; Calculate reads the output
// cells and shows the results in the row; without a variable or an output the request is
// refused with its message and the focus goes where the input is missing.
TEST(SensitivityDialog, OneVariableResultsAndRefusals) {
    PlotTestApp();
    FakeCircuit circuit;
    Capture capture;
    SensitivityCircuitLink link = circuit.Link();
    std::string statement;
    link.updateStatement = [&](AnalysisStatement, const std::string& s) { statement = s; };
    Dlg dialog(link);
    automation::QueueModalScript([&](platform::Dialog& base) {
        auto& d = static_cast<Dlg&>(base);
        EXPECT_EQ(d.RowCount(Dlg::kOutputs), 10);
        EXPECT_TRUE(d.IsButtonChecked(Dlg::kComponent));
        EXPECT_TRUE(d.IsButtonChecked(Dlg::kOne));
        EXPECT_FALSE(d.IsItemEnabled(Dlg::kAllOn));
        EXPECT_EQ(d.ItemCount(Dlg::kNames), 2);
        automation::ClickItem(d, Dlg::kCalculate);
        EXPECT_EQ(capture.ids, std::vector<int>{14195});
        EXPECT_EQ(d.FocusedItem(), Dlg::kNames);

        d.SetCurSel(Dlg::kNames, 1);
        d.OnControlNotify(Dlg::kNames, Notify::SelChange);
        d.SetCurSel(Dlg::kParameter, 0);
        d.OnControlNotify(Dlg::kParameter, Notify::SelChange);
        EXPECT_EQ(circuit.settings.variables, (std::vector<SensitivityChoice>{{"R2", "Value", 0x19}}));
        automation::ClickItem(d, Dlg::kCalculate);
        EXPECT_EQ(capture.ids, (std::vector<int>{14195, 14196}));
        EXPECT_EQ(d.FocusedItem(), Dlg::kOutputs);
        EXPECT_TRUE(circuit.asked.empty());

        d.SetCellText(Dlg::kOutputs, 0, 0, "V(OUT)");
        automation::ClickItem(d, Dlg::kCalculate);
        EXPECT_EQ(d.CellText(Dlg::kOutputs, 0, 1), "-0.002");
        EXPECT_EQ(d.CellText(Dlg::kOutputs, 0, 2), "-0.4");
        EXPECT_EQ(d.CellText(Dlg::kOutputs, 1, 1), "");
        EXPECT_TRUE(d.Grab().SavePng(PngPath("sensitivity.png")));
        // Another parameter replaces the one variable.
        d.SetCurSel(Dlg::kParameter, 1);
        d.OnControlNotify(Dlg::kParameter, Notify::SelChange);
        automation::ClickItem(d, Dlg::kClose);
        return 0;
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    EXPECT_EQ(circuit.asked, (std::vector<SensitivityChoice>{{"R2", "Value", 0x19}}));
    EXPECT_EQ(circuit.outputs[0], "V(OUT)");
    EXPECT_EQ(circuit.settings.outputs[0], "V(OUT)");
    EXPECT_EQ(circuit.settings.variables, (std::vector<SensitivityChoice>{{"R2", "TC1", 0x19}}));
    EXPECT_EQ(statement, ".sens V(OUT)         ");
}

// Multiple mode: All On / Default / All Off fill the list from every kind, a parameter
// list of several selections adds and removes, and Calculate writes the report next to
// the circuit and ends with 4.
TEST(SensitivityDialog, MultipleVariablesWriteTheReport) {
    PlotTestApp();
    const std::string dir = (std::filesystem::temp_directory_path() / "ob7_sens_dialog").string();
    std::filesystem::create_directories(dir);
    FakeCircuit circuit;
    circuit.settings.outputs[2] = "V(OUT)";
    Dlg dialog(circuit.Link(dir + "/amp.cir"));
    automation::QueueModalScript([&](platform::Dialog& base) {
        auto& d = static_cast<Dlg&>(base);
        automation::ClickItem(d, Dlg::kMultiple);
        EXPECT_EQ(circuit.settings.multiple, 1);
        EXPECT_TRUE(d.IsItemVisible(Dlg::kParameters));
        EXPECT_FALSE(d.IsItemVisible(Dlg::kParameter));
        EXPECT_TRUE(d.IsItemEnabled(Dlg::kAllOff));
        automation::ClickItem(d, Dlg::kAllOn);
        EXPECT_EQ(circuit.settings.variables.size(), 7u);  // 2 x 2 parts, 2 model, K
        EXPECT_EQ(circuit.settings.variables.back(), (SensitivityChoice{"K", "Value", 0x31}));
        EXPECT_EQ(d.SelectedItems(Dlg::kParameters), (std::vector<int>{0, 1}));
        automation::ClickItem(d, Dlg::kDefault);
        EXPECT_EQ(circuit.settings.variables,
                  (std::vector<SensitivityChoice>{{"R1", "Value", 0x19}, {"R2", "Value", 0x19}, {"RES RMOD", "R", 0x15}}));
        automation::ClickItem(d, Dlg::kAllOff);
        EXPECT_TRUE(circuit.settings.variables.empty());
        EXPECT_TRUE(d.SelectedItems(Dlg::kParameters).empty());
        automation::ClickItem(d, Dlg::kModel);
        EXPECT_EQ(circuit.settings.parameterType, kSensModel);
        d.SetCurSel(Dlg::kNames, 0);
        d.OnControlNotify(Dlg::kNames, Notify::SelChange);
        d.SetSel(Dlg::kParameters, 0, true);
        d.SetSel(Dlg::kParameters, 1, true);
        d.OnControlNotify(Dlg::kParameters, Notify::SelChange);
        d.SetSel(Dlg::kParameters, 0, false);
        d.OnControlNotify(Dlg::kParameters, Notify::SelChange);
        EXPECT_EQ(circuit.settings.variables, (std::vector<SensitivityChoice>{{"RES RMOD", "TC1", 0x15}}));
        automation::ClickItem(d, Dlg::kCalculate);
        return 0;
    });
    EXPECT_EQ(dialog.DoModal(), 4);
    EXPECT_EQ(circuit.report, dir + "/amp.sen");
    std::ifstream in(circuit.report);
    std::stringstream text;
    text << in.rdbuf();
    // "RES RMOD.TC1" is 12 characters wide: the header is 30 blanks and the centred output.
    EXPECT_EQ(text.str(), std::string(30, ' ') + std::string(15, ' ') + "V(OUT)" + std::string(15, ' ') + "\n" +
                              "Name         " + std::string(12, ' ') + "Value" + "       Sensitivity Sensitivity (%/%)\n" +
                              "RES RMOD.TC1              1000            -0.002              -0.4\n");
    std::filesystem::remove_all(dir);
}

TEST(SensitivityDialog, ReportPath) {
    EXPECT_EQ(SensitivityReportPath("/a/amp.cir"), "/a/amp.sen");
    EXPECT_EQ(SensitivityReportPath("/a/amp.Sen"), "/a/amp.OUT");
    EXPECT_EQ(SensitivityReportPath("/a.b/amp"), "/a.b/amp.sen");
}

}  // namespace
