// The drawing and editing paths the windows lean on: XOR lines on a window's backing
// image (rubber bands, dragged wires) against plain lines, and the text editor on a
// 10 MB netlist (open, scroll to the end, find).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/application.h"
#include "platform/draw_context.h"
#include "platform/window.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/txt_edit.h"

namespace {

platform::Application& App() {
    static int argc = 1;
    static char name[] = "framework_bench";
    static char* argv[] = {name, nullptr};
    static platform::Application* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new platform::Application(argc, argv);
    }();
    return *app;
}

platform::Window& Canvas() {
    static platform::Window* w = [] {
        App();
        auto* window = new platform::Window;
        window->Create(nullptr, platform::Rect{0, 0, 800, 600});
        return window;
    }();
    return *w;
}

void DrawLines(benchmark::State& state, platform::RasterOp op) {
    platform::Window& w = Canvas();
    auto dc = w.GetDC();
    dc->SetRasterOp(op);
    dc->SetPen(platform::Pen::Solid(platform::Rgb(255, 255, 255)));
    int y = 0;
    for (auto _ : state) {
        dc->MoveTo(platform::Point{100, 10 + y});
        dc->LineTo(platform::Point{700, 10 + y});  // 600 pixels
        y = (y + 1) % 500;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_XorLine600(benchmark::State& state) { DrawLines(state, platform::RasterOp::Xor); }
void BM_CopyLine600(benchmark::State& state) { DrawLines(state, platform::RasterOp::Copy); }
BENCHMARK(BM_XorLine600);
BENCHMARK(BM_CopyLine600);

// 200 dragged wires, each a diagonal line erased and drawn again.
void BM_XorDrag200Wires(benchmark::State& state) {
    platform::Window& w = Canvas();
    auto dc = w.GetDC();
    dc->SetRasterOp(platform::RasterOp::Xor);
    dc->SetPen(platform::Pen::Solid(platform::Rgb(255, 255, 255)));
    for (auto _ : state)
        for (int pass = 0; pass < 2; ++pass)
            for (int i = 0; i < 200; ++i) {
                dc->MoveTo(platform::Point{i, 0});
                dc->LineTo(platform::Point{i + 300, 400});
            }
}
BENCHMARK(BM_XorDrag200Wires)->Unit(benchmark::kMillisecond);

struct TextView : ob7::CDraw {
    void OnDocumentChanged() override {}
};

const std::string& Netlist10MB() {
    static const std::string text = [] {
        std::string t;
        t.reserve(10'500'000);
        for (int i = 0; t.size() < 10'000'000; ++i)
            t += "R" + std::to_string(i) + " n" + std::to_string(i) + " n" + std::to_string(i + 1) +
                 " 1k ; resistor of the ladder\r\n";
        t += "RLAST n_end 0 1MEG\r\n.END\r\n";
        return t;
    }();
    return text;
}

struct Editor {
    TextView view;
    ob7::CTxtEdit edit;
    Editor() {
        App();
        ob7::CreateProgramPalette();
        ob7::CreateColourSlots();
        view.Create(nullptr, platform::Rect{0, 0, 900, 700});
        edit.Create(&view, 1);
        edit.Move(view.ClientRect());
    }
};

void BM_EditorOpen10MB(benchmark::State& state) {
    Editor e;
    for (auto _ : state) e.edit.SetText(Netlist10MB());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Netlist10MB().size()));
}
BENCHMARK(BM_EditorOpen10MB)->Unit(benchmark::kMillisecond);

void BM_EditorScrollToEnd10MB(benchmark::State& state) {
    Editor e;
    e.edit.SetText(Netlist10MB());
    for (auto _ : state) {
        e.edit.SetSel(0, 0);
        e.edit.ScrollCharIntoView(e.edit.GetTextLength());
        e.edit.SetSel(e.edit.GetTextLength(), e.edit.GetTextLength());
        benchmark::DoNotOptimize(e.edit.GetFirstVisibleLine());
    }
}
BENCHMARK(BM_EditorScrollToEnd10MB)->Unit(benchmark::kMillisecond);

void BM_EditorFind10MB(benchmark::State& state) {
    Editor e;
    e.edit.SetText(Netlist10MB());
    for (auto _ : state) {
        const char* buffer = e.edit.GetBuffer();
        const char* hit = std::strstr(buffer, "RLAST");
        int pos = static_cast<int>(hit - buffer);
        e.edit.SetSel(pos, pos + 5);
        benchmark::DoNotOptimize(e.edit.GetFirstVisibleLine());
    }
}
BENCHMARK(BM_EditorFind10MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
