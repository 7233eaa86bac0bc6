// The links the Transfer Function and Sensitivity dialogs get of a circuit text window:
// the window's text compiled, the calculations on it, the statements written back. The
// modal dialogs themselves are not run here (their logic has its own tests).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "app/analysis_dialog_links.h"
#include "app/main_frame.h"
#include "circuit/circuit_document.h"
#include "circuit/views/text_window.h"
#include "foundation/paths.h"
#include "foundation/report_sink.h"
#include "platform/qt_app.h"
#include "text_circuit_frame.h"
#include "plots/sensitivity_dialog.h"
#include "plots/transfer_function_dialog.h"
#include "ui/framework/colour_slots.h"

using namespace ob7;

namespace {

// V1 10 V into 2k over 3k: V(2) = 6 V, TF 0.6, input 5k, output 1.2k.
constexpr const char* kDivider = "Divider\r\nV1 1 0 10\r\nR1 1 2 2k\r\nR2 2 0 3k\r\n.OP\r\n.END\r\n";

struct AnalysisDialogLinks : TextCircuitFrame {
    void SetUp() override {
        OpenFrame("ob7links", platform::Rect{0, 0, 1000, 700});
        InstallAnalysisDialogLinks();
    }
    void TearDown() override {
        CloseFrame();
    }
    static std::string Text(CTxtFrame* window) {
        window->view.SyncTextToDocument();
        return window->view.document->text;
    }
};

TEST_F(AnalysisDialogLinks, TransferFunctionOnTheWindowsCircuit) {
    CTxtFrame* window = OpenDeck("divider.cir", kDivider);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(DialogLinks().transfer);
    TfCircuitLink link;
    ASSERT_TRUE(DialogLinks().transfer(window, &link)) << (reports.texts.empty() ? "" : reports.texts.front());
    EXPECT_EQ(link.sourceNames, std::vector<std::string>{"V1"});
    EXPECT_FALSE(link.schematic);
    EXPECT_EQ(link.settings, &window->view.document->transfer);
    TfResult r;
    ASSERT_EQ(link.calculate("V(2)", "V1", &r), 0);
    EXPECT_NEAR(r.transfer_function, 0.6, 1e-9);
    EXPECT_NEAR(r.input_impedance, 5e3, 1e-3);
    EXPECT_NEAR(r.output_impedance, 1.2e3, 1e-3);

    // Close writes the statement into the text, in place of an earlier one.
    link.updateStatement(AnalysisStatement::Tf, ".TF V(2) V1");
    std::string text = Text(window);
    EXPECT_NE(text.find(".TF V(2) V1\r\n.END"), std::string::npos) << text;
    link.updateStatement(AnalysisStatement::Tf, ".TF V(1) V1");
    text = Text(window);
    EXPECT_EQ(text.find(".TF V(2) V1"), std::string::npos) << text;
    EXPECT_NE(text.find(".TF V(1) V1"), std::string::npos) << text;
    EXPECT_TRUE(window->view.document->modified);
}

TEST_F(AnalysisDialogLinks, SensitivityOnTheWindowsCircuit) {
    CTxtFrame* window = OpenDeck("divider.cir", kDivider);
    ASSERT_NE(window, nullptr);
    // A variable of a part the circuit no longer has is dropped as the dialog opens.
    window->view.document->sensitivity.variables = {{"R1", "Value", 0x19}, {"R7", "Value", 0x19}};
    SensitivityCircuitLink link;
    ASSERT_TRUE(DialogLinks().sensitivity(window, &link));
    EXPECT_EQ(window->view.document->sensitivity.variables,
              (std::vector<SensitivityChoice>{{"R1", "Value", 0x19}}));
    EXPECT_EQ(link.names(8), (std::vector<std::string>{"V1", "R1", "R2"}));
    EXPECT_EQ(link.parameters(8, "R1", false), std::vector<std::string>{"Value"});
    const std::string outputs[kSensitivityOutputs] = {"V(2)"};
    std::vector<SensitivityRow> rows;
    ASSERT_EQ(link.calculate({{"R1", "Value", 0x19}}, outputs, &rows), 0);
    ASSERT_EQ(rows.size(), 1u);
    // Forward difference of 10 * 3k / (R1 + 3k) with R1 raised by 0.1%.
    const double expected = (6.0 - 10 * 3e3 / 5002) / (2e3 - 2002);
    EXPECT_NEAR(rows[0].cells[0].sensitivity, expected, 1e-6 * std::fabs(expected));

    link.updateStatement(AnalysisStatement::Sens, SensStatementText(outputs));
    EXPECT_NE(Text(window).find(".sens V(2)"), std::string::npos) << Text(window);

    // The report opens in the left half beside the circuit; a second report replaces the
    // window of the first.
    const std::string report = SensitivityReportPath(window->view.document->path);
    std::ofstream(report, std::ios::binary) << "first\n";
    link.openReport(report);
    std::ofstream(report, std::ios::binary) << "second\n";
    link.openReport(report);
    int reports = 0;
    CTxtFrame* shown = nullptr;
    for (platform::MdiChildFrame* child : frame.Children()) {
        auto* text = dynamic_cast<CTxtFrame*>(child);
        if (text && text != window) ++reports, shown = text;
    }
    ASSERT_EQ(reports, 1);
    EXPECT_EQ(Text(shown).rfind("second", 0), 0u) << Text(shown);
    const platform::Rect area = frame.MdiClientRect();
    EXPECT_EQ(shown->GetPlacement().normal.left, area.left);
    EXPECT_EQ(shown->GetPlacement().normal.right, area.left + area.Width() / 2);
    EXPECT_EQ(window->GetPlacement().normal.left, area.left + area.Width() / 2);
}

TEST_F(AnalysisDialogLinks, NoLinkForACircuitThatDoesNotCompileOrNoWindow) {
    CTxtFrame* window = OpenDeck("bad.cir", "Bad\r\nR1 a 0\r\nV1 a 0 1\r\n.END\r\n");
    ASSERT_NE(window, nullptr);
    TfCircuitLink tf;
    EXPECT_FALSE(DialogLinks().transfer(window, &tf));
    EXPECT_FALSE(reports.texts.empty());
    SensitivityCircuitLink sens;
    EXPECT_FALSE(DialogLinks().sensitivity(nullptr, &sens));
}

}  // namespace
