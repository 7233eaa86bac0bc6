#pragma once
// Plot views on the offscreen platform, fed by real runs: a text circuit is read,
// compiled and run through the transient or AC driver, and every accepted point goes
// into the view as the run loop will hand it over (StoreRunPoint, then DrawNewPoints).

#include <gtest/gtest.h>

#include <complex>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "expression/compiler.h"
#include "expression/math_error.h"
#include "netlist/compiler/circuit_compiler.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "plots/auto_scale.h"
#include "plots/axis_transform.h"
#include "plots/plot_view.h"
#include "qt_app.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/point_sink.h"
#include "sim/analysis/transient.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "text_circuit_fixture.h"
#include "ui/framework/draw_context.h"

// The test application with the program palette and colour slots (plot_app.cpp).
void PlotTestApp();

inline std::string PngPath(const std::string& name) {
    std::filesystem::create_directories("png");
    return (std::filesystem::current_path() / "png" / name).string();
}

// A curve of the view: its caption, group, colour and axes. Y is auto-scaled; X follows
// the sweep ('T' or 'F') when sweep is given.
inline ob7::GraphRecord MakeCurve(const std::string& caption, const std::string& xCaption, int group, int colour,
                                  char sweep, bool logX = false, bool logY = false) {
    ob7::GraphRecord g;
    g.caption = caption;
    g.xCaption = xCaption;
    g.plotGroup = group;
    g.style.lineColour = g.style.textColour = colour;
    g.style.lineWidth = 1;
    g.axis[ob7::kXAxis].sweepMark = sweep;
    g.axis[ob7::kXAxis].linear = logX ? 0 : 1;
    g.axis[ob7::kYAxis].linear = logY ? 0 : 1;
    return g;
}

// Hands every accepted point of a run to the view: X and each curve's value.
class ViewSink : public ob7::PointSink {
public:
    ViewSink(ob7::CAPDraw& view, std::vector<std::function<double()>> values) : view_(view), values_(std::move(values)) {}
    int AcceptPoint(double x) override {
        std::vector<double> xy;
        for (auto& f : values_) {
            xy.push_back(x);
            xy.push_back(f());
        }
        view_.StoreRunPoint(xy.data());
        view_.DrawNewPoints();
        ++points;
        return 0;
    }
    int points = 0;

private:
    ob7::CAPDraw& view_;
    std::vector<std::function<double()>> values_;
};

class PlotRun : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        PlotTestApp();
        ob7::InstallNumericExpressionEvaluator();
        ob7::FillOptionDefaultTexts(1);
        ob7::ParseSimulationOptions(true);
    }
    void TearDown() override {
        ob7::FreeSimulationState();
        ob7::FreeAcVectors();
        ob7::ClearCompiledDevices();
        TextCircuitTest::TearDown();
    }
    // Reads and compiles a deck for an analysis kind (0 transient, 1 AC).
    void Compile(const std::string& deck, int kind) {
        ASSERT_EQ(Read(deck, kind), 0);
        ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0)
            << (reports.reports.empty() ? "" : reports.reports[0].text);
        ob7::NodeCount = compiled.nodeCount;
        ob7::ResetMathError();  // a fault of the reading is not the run's
    }
    double NodeVoltage(const std::string& name) {
        int n = Node(name);
        return n > 0 ? ob7::Solution[n] : 0.0;
    }
    std::complex<double> NodeAc(const std::string& name) {
        int n = Node(name);
        return n > 0 ? ob7::AcNodeValue(n) : std::complex<double>();
    }
    // Creates the view's window and prepares its curves for one run.
    void OpenView(ob7::CAPDraw& view, int width, int height, int kind) {
        view.viewKind = kind;
        view.Create(nullptr, platform::Rect{0, 0, width, height});
        view.data.plottedCount = static_cast<int>(view.data.curves.size());
        for (int c = 0; c < view.data.plottedCount; ++c) {
            ob7::AutoScaleAxis(view.data, c, ob7::kXAxis);
            ob7::AutoScaleAxis(view.data, c, ob7::kYAxis);
        }
        ASSERT_EQ(view.PrepareCurves(1), 0);
        view.Invalidate();
        view.Update();
        ob7::RunStartValues start;
        start.temperature = 27;
        view.BeginRun(start);
    }
    ob7::CompileResult compiled;
};
