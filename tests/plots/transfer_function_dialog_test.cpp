// The Transfer Function dialog on the offscreen platform: what it reads, what it shows,
// and the text it places.

#include <gtest/gtest.h>

#include "circuit/circuit_document.h"
#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/image.h"
#include "plot_fixture.h"
#include "plots/transfer_function_dialog.h"

namespace {

using namespace ob7;
using Dlg = CTransferFunctionDlg;
namespace automation = platform::automation;

struct FakeCircuit {
    TransferFunctionSettings settings;
    std::string output, source, placed;
    int modified = 0, calls = 0;
    int failure = 0;
    TfCircuitLink Link(bool schematic = true) {
        TfCircuitLink link;
        link.settings = &settings;
        link.sourceNames = {"I1", "V1"};
        link.schematic = schematic;
        link.calculate = [this](const std::string& o, const std::string& s, TfResult* r) {
            ++calls;
            output = o;
            source = s;
            if (s != "V1" && s != "I1") {
                r->transfer_function_text = "Bad source.";
                return 0;
            }
            r->transfer_function_text = "0.5";
            r->input_impedance_text = "2000";
            r->output_impedance_text = failure ? "Error" : "500";
            return failure;
        };
        link.placeText = [this](const std::string& t) { placed = t; };
        link.markModified = [this] { ++modified; };
        return link;
    }
};

// The fields go to the calculation as typed; the results show; the expression goes to
// the top of the recent list once; the settings keep the source and Place Text.
TEST(TransferFunctionDialog, CalculatesShowsAndRemembers) {
    PlotTestApp();
    FakeCircuit circuit;
    circuit.settings.outputs = {"V(A)", "V(OUT)"};
    circuit.settings.inputSource = "V1";
    Dlg dialog(circuit.Link());
    automation::QueueModalScript([&](platform::Dialog& d) {
        EXPECT_EQ(d.ItemText(Dlg::kOutput), "V(A)");
        EXPECT_EQ(d.ItemText(Dlg::kSource), "V1");
        EXPECT_EQ(d.ItemCount(Dlg::kSource), 2);
        EXPECT_TRUE(d.IsItemEnabled(Dlg::kPlaceText));
        d.SetItemText(Dlg::kOutput, "V(OUT)");
        d.CheckButton(Dlg::kPlaceText, 1);
        automation::ClickItem(d, Dlg::kCalculate);
        EXPECT_EQ(d.ItemText(Dlg::kTransfer), "0.5");
        EXPECT_EQ(d.ItemText(Dlg::kInputImpedance), "2000");
        EXPECT_EQ(d.ItemText(Dlg::kOutputImpedance), "500");
        EXPECT_EQ(d.ItemCount(Dlg::kOutput), 2);
        EXPECT_EQ(d.ItemString(Dlg::kOutput, 0), "V(OUT)");
        EXPECT_TRUE(d.Grab().SavePng(PngPath("transfer_function.png")));
        // A part that is no source: "Bad source." and no impedances.
        d.SetItemText(Dlg::kSource, "R1");
        automation::ClickItem(d, Dlg::kCalculate);
        EXPECT_EQ(d.ItemText(Dlg::kTransfer), "Bad source.");
        EXPECT_EQ(d.ItemText(Dlg::kInputImpedance), "");
        EXPECT_EQ(d.ItemText(Dlg::kOutputImpedance), "");
        automation::ClickItem(d, Dlg::kClose);
        return 0;
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    EXPECT_EQ(circuit.calls, 2);
    EXPECT_EQ(circuit.output, "V(OUT)");
    EXPECT_EQ(circuit.source, "R1");
    EXPECT_EQ(circuit.settings.inputSource, "R1");
    EXPECT_EQ(circuit.settings.placeText, 1);
    EXPECT_EQ(circuit.settings.outputs, (std::vector<std::string>{"V(OUT)", "V(A)"}));
    EXPECT_EQ(circuit.modified, 2);
    EXPECT_EQ(circuit.placed, "Output Expression =V(OUT)\r\nInput Source Name =R1\r\nTransfer Function =Bad source.");
}

// A failed calculation ends the dialog with 4 (the command opens it again) and keeps the
// expression out of the recent list; a text circuit has no Place Text.
TEST(TransferFunctionDialog, FailureEndsWithFourAndTextCircuitHasNoPlaceText) {
    PlotTestApp();
    FakeCircuit circuit;
    circuit.failure = kMsgReported;
    circuit.settings.placeText = 1;
    Dlg dialog(circuit.Link(false));
    automation::QueueModalScript([&](platform::Dialog& d) {
        EXPECT_FALSE(d.IsItemEnabled(Dlg::kPlaceText));
        EXPECT_FALSE(d.IsButtonChecked(Dlg::kPlaceText));
        d.SetItemText(Dlg::kOutput, "V(OUT)");
        d.SetItemText(Dlg::kSource, "V1");
        automation::ClickItem(d, Dlg::kCalculate);
        return 0;
    });
    EXPECT_EQ(dialog.DoModal(), 4);
    EXPECT_TRUE(circuit.settings.outputs.empty());
    EXPECT_TRUE(circuit.placed.empty());
    EXPECT_EQ(circuit.settings.placeText, 1);  // the schematic's state is left alone

    // Reopened, a good calculation and Close: the text gets the .TF statement.
    circuit.failure = 0;
    TfCircuitLink link = circuit.Link(false);
    std::string statement;
    link.updateStatement = [&](AnalysisStatement kind, const std::string& s) {
        EXPECT_EQ(kind, AnalysisStatement::Tf);
        statement = s;
    };
    Dlg again(link);
    automation::QueueModalScript([&](platform::Dialog& d) {
        EXPECT_EQ(d.ItemText(Dlg::kSource), "V1");
        d.SetItemText(Dlg::kOutput, "V(OUT)");
        automation::ClickItem(d, Dlg::kCalculate);
        automation::ClickItem(d, Dlg::kClose);
        return 0;
    });
    EXPECT_EQ(again.DoModal(), 2);
    EXPECT_EQ(statement, ".TF V(OUT) V1");
}

TEST(TransferFunctionDialog, PlacedTextAndRecentList) {
    TfResult r;
    r.transfer_function_text = "0.5";
    r.output_impedance_text = "N/A";
    EXPECT_EQ(ComposeTfText("V(OUT)", "V1", r),
              "Output Expression =V(OUT)\r\nInput Source Name =V1\r\nTransfer Function =0.5\r\nOutput Impedance =N/A");
    EXPECT_TRUE(IsTfResultText("output expression =V(A)\r\n..."));
    EXPECT_FALSE(IsTfResultText("Output Expression"));
    EXPECT_FALSE(IsTfResultText(" Output Expression =V(A)"));

    TransferFunctionSettings s;
    for (int i = 0; i < 20; ++i) AddRecentTfOutput(s, "V(" + std::to_string(i) + ")");
    EXPECT_EQ(s.outputs.size(), 16u);
    EXPECT_EQ(s.outputs.front(), "V(19)");
    AddRecentTfOutput(s, "v(10)");  // the same expression moves to the top
    EXPECT_EQ(s.outputs.size(), 16u);
    EXPECT_EQ(s.outputs.front(), "v(10)");
    EXPECT_EQ(std::count(s.outputs.begin(), s.outputs.end(), "V(10)"), 0);
}

}  // namespace

namespace {

// A second calculation replaces the earlier result text instead of adding one; a flagged
// text and other texts are left alone.
TEST(TransferFunctionDialog, PlaceTextReplacesTheEarlierResult) {
    using namespace ob7;
    CircuitDocument doc;
    doc.AddGridText("Output Expression =V(X)", 5, 5, 0, true);  // flagged: not ours
    doc.AddGridText("R1", 1, 1);
    GridText& first = PlaceTfText(doc, "Output Expression =V(A)\r\nInput Source Name =V1");
    EXPECT_EQ(first.x, 2);
    EXPECT_EQ(first.y, 13);
    ASSERT_EQ(doc.gridTexts.size(), 3u);
    GridText& second = PlaceTfText(doc, "Output Expression =V(B)\r\nInput Source Name =V1");
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(doc.gridTexts.size(), 3u);
    EXPECT_EQ(doc.gridTexts[2]->text, "Output Expression =V(B)\r\nInput Source Name =V1");
    EXPECT_EQ(doc.gridTexts[0]->text, "Output Expression =V(X)");
    EXPECT_TRUE(doc.modified);
}

}  // namespace
