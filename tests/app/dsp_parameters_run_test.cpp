// The DSP parameters of a text circuit's analysis: the window's DSP Parameters command
// sets them, the next run's DSP curve uses their window and point count, a count that is
// not a power of two stops the run and opens the dialog again, and the circuit keeps
// them for its next analysis.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "analysis_ui/dsp_parameters_dialog.h"
#include "app/circuit_analysis.h"
#include "app/main_frame.h"
#include "circuit/views/text_window.h"
#include "foundation/paths.h"
#include "foundation/report_sink.h"
#include "platform/automation.h"
#include "platform/qt_app.h"
#include "text_circuit_frame.h"
#include "plots/analysis_window.h"
#include "plots/plot_view.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/shell_state.h"

using namespace ob7;

namespace {

// 1 kHz of amplitude 2 over four whole periods, with its harmonics as a curve.
constexpr const char* kDeck =
    "dsp sine\r\nV1 1 0 SIN(0 2 1k)\r\nR1 1 0 1k\r\n.TRAN 1u 4m 0 1u\r\n.PRINT TRAN HARM(V(1))\r\n.END\r\n";

struct DspParametersRun : TextCircuitFrame {
    void SetUp() override {
        OpenFrame("ob7dsp", platform::Rect{0, 0, 1100, 760});
        InstallAnalysisCommands(frame);
        frame.Show(true);
    }
    void TearDown() override {
        EndCircuitAnalysis();
        CloseFrame();
    }
    // The harmonics curve of the active analysis' view, or -1.
    int HarmCurve() {
        CAPDraw* view = ActiveAnalysisView();
        for (int c = 0; view && c < view->data.plottedCount; ++c)
            if (view->data.curves[c].caption.find("HARM") != std::string::npos) return c;
        return -1;
    }
    // Answers the next DSP Parameters dialog with the texts and On.
    void AnswerDialog(std::string upper, std::string lower, std::string points, bool* opened) {
        platform::automation::QueueModalScript([=](platform::Dialog& d) {
            *opened = d.Template().id == kCmdDspParameters;
            d.SetItemText(kDspUpper, upper);
            d.SetItemText(kDspLower, lower);
            d.SetItemText(kDspPoints, points);
            platform::automation::ClickItem(d, kDspOn);
            platform::automation::ClickItem(d, 1);
            return 0;
        });
    }
};

TEST_F(DspParametersRun, TheDialogSetsTheWindowAndPointsOfTheDspCurve) {
    const std::string path = (folder / "sine.cir").string();
    std::ofstream(path, std::ios::binary) << kDeck;
    int code = 0;
    ASSERT_NE(OpenTextWindow(path, 0, code), nullptr);
    ASSERT_TRUE(StartCircuitAnalysis(0)) << (reports.texts.empty() ? "" : reports.texts.front());
    CG2DFrame* window = ActiveAnalysisWindow();
    ASSERT_NE(window, nullptr);

    // Without DSP parameters: about 4000 points give N = 4096 over the whole 4 ms.
    ASSERT_EQ(RunActiveAnalysis(), 0) << (reports.texts.empty() ? "" : reports.texts.front());
    int harm = HarmCurve();
    ASSERT_GE(harm, 0);
    CAPDraw* view = ActiveAnalysisView();
    EXPECT_EQ(view->data.PointCount(harm) + 1, 4096);

    // A count that is not a power of two stops the run with the message and opens the
    // dialog again, where 256 points over 1m..3m (two periods: 1 kHz in bin 2) are set.
    bool opened = false;
    AnswerDialog("4m", "0", "1000", &opened);
    ASSERT_TRUE(window->ExecuteCommand(kCmdDspParameters));
    ASSERT_TRUE(opened);
    reports.texts.clear();
    EXPECT_EQ(RunActiveAnalysis(), 15055);
    ASSERT_FALSE(reports.texts.empty());
    EXPECT_NE(reports.texts[0].find("10155: The number of data points must be a power of 2"), std::string::npos)
        << reports.texts[0];
    opened = false;
    AnswerDialog("3m", "1m", "256", &opened);
    platform::Application::PumpMessages();
    EXPECT_TRUE(opened);  // the posted command opened it

    reports.texts.clear();
    ASSERT_EQ(RunActiveAnalysis(), 0) << (reports.texts.empty() ? "" : reports.texts.front());
    harm = HarmCurve();
    ASSERT_GE(harm, 0);
    view = ActiveAnalysisView();
    ASSERT_EQ(view->data.PointCount(harm) + 1, 256);
    // The curve's X is time: the positions of the window, 1m + i x 2m / 256.
    EXPECT_NEAR(view->data.X(harm, 0), 1e-3, 1e-12);
    EXPECT_NEAR(view->data.X(harm, 128), 2e-3, 1e-12);
    EXPECT_NEAR(view->data.Y(harm, 2), 2.0, 2e-3);
    EXPECT_NEAR(view->data.Y(harm, 1), 0.0, 2e-3);
    EXPECT_NEAR(view->data.Y(harm, 4), 0.0, 2e-3);

    // The circuit keeps its DSP parameters for the next analysis.
    EndCircuitAnalysis();
    ASSERT_TRUE(StartCircuitAnalysis(0));
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        EXPECT_EQ(d.ItemText(kDspUpper), "3m");
        EXPECT_EQ(d.ItemText(kDspLower), "1m");
        EXPECT_EQ(d.ItemText(kDspPoints), "256");
        EXPECT_EQ(d.IsButtonChecked(kDspOn), 1);
        return 2;
    });
    ASSERT_TRUE(ActiveAnalysisWindow()->ExecuteCommand(kCmdDspParameters));
}

}  // namespace
