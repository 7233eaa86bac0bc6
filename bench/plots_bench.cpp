// Redrawing a plot of 1,000,000 stored points (goal: under 50 ms): a smooth waveform,
// whose points collapse into few segments, and a noisy one, where every pixel column
// holds many distinct points. Whole repaints into an 900 x 640 image: layout, grids,
// labels and curves.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

#include "platform/application.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "plots/auto_scale.h"
#include "plots/plot_view.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_context.h"

namespace {

void App() {
    static int argc = 1;
    static char name[] = "plots_bench";
    static char* argv[] = {name, nullptr};
    static platform::Application* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* a = new platform::Application(argc, argv);
        ob7::CreateProgramPalette();
        ob7::CreateColourSlots();
        return a;
    }();
    (void)app;
}

// One curve of n points: a damped sine, with noise of the given amplitude.
std::unique_ptr<ob7::CAPDraw> MakeView(int n, double noise, bool smooth) {
    App();
    auto view = std::make_unique<ob7::CAPDraw>();
    view->viewKind = 0;
    ob7::GraphRecord g;
    g.caption = "V(OUT)";
    g.xCaption = "T";
    g.style.lineColour = g.style.textColour = 12;
    view->data.curves = {g};
    view->data.plottedCount = 1;
    view->data.sweep.transientStop = 1e-3;
    view->data.curves[0].axis[ob7::kXAxis].sweepMark = 'T';
    ob7::AutoScaleAxis(view->data, 0, ob7::kXAxis);
    ob7::AutoScaleAxis(view->data, 0, ob7::kYAxis);
    view->PrepareCurves(1);
    view->BeginRun(ob7::RunStartValues{});
    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(-noise, noise);
    for (int i = 0; i < n; ++i) {
        double t = 1e-3 * i / (n - 1);
        double xy[2] = {t, std::exp(-t / 4e-4) * std::sin(2 * M_PI * 1e4 * t) + jitter(random)};
        view->StoreRunPoint(xy);
    }
    view->EndRun();
    view->smoothCurves = smooth;
    return view;
}

void Redraw(benchmark::State& state, double noise, bool smooth) {
    auto view = MakeView(1000000, noise, smooth);
    platform::Image image(900, 640);
    for (auto _ : state) {
        platform::DrawContext dc(image);
        ob7::CDrawContext context(&dc);
        view->PaintInto(context, platform::Rect{0, 0, 900, 640});
        benchmark::DoNotOptimize(image.Pixel(450, 320));
    }
}

void BM_RedrawMillionPointsSmooth(benchmark::State& state) { Redraw(state, 0.0, true); }
void BM_RedrawMillionPointsExact(benchmark::State& state) { Redraw(state, 0.0, false); }
void BM_RedrawMillionNoisyPoints(benchmark::State& state) { Redraw(state, 0.05, true); }
void BM_RedrawMillionNoisyPointsExact(benchmark::State& state) { Redraw(state, 0.05, false); }
BENCHMARK(BM_RedrawMillionPointsSmooth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawMillionPointsExact)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawMillionNoisyPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawMillionNoisyPointsExact)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
