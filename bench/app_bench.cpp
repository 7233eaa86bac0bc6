// Start-up of the main program: the whole path from the settings profile to an idle main
// window with its menus, tool bars, palette and status bar (in one process, the native
// application made once), and a whole process start that runs an empty batch.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/main_frame.h"
#include "app/settings_profile.h"
#include "foundation/paths.h"
#include "platform/application.h"
#include "ui/framework/colour_slots.h"

namespace {

std::filesystem::path BinFolder() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "bin";
}

platform::Application& App() {
    static platform::Application* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("OB7_HOME", BinFolder().c_str(), 0);
        static int argc = 1;
        static char name[] = "app_bench";
        static char* argv[] = {name, nullptr};
        auto* a = new platform::Application(argc, argv);
        ob7::CreateProgramPalette();
        ob7::CreateColourSlots();
        return a;
    }();
    return *app;
}

void BM_StartupToIdleMainWindow(benchmark::State& state) {
    App();
    ob7::ProfileFile.path = ob7::GetModuleFolder() + "/ombr.dat";
    for (auto _ : state) {
        ob7::LoadProfile();
        ob7::CMainFrame frame;
        frame.Create(platform::Rect{0, 0, 1280, 800});
        App().SetMainWindow(&frame);
        frame.CreateToolBars(24);
        frame.CreateStatusBar(true);
        frame.ShowAs(platform::ShowState::Maximized);
        frame.UpdateToolBars();
        platform::Application::PumpMessages();
        benchmark::DoNotOptimize(frame.IsCreated());
        ob7::ProfileFile.fatalStartup = true;  // no profile writes inside the loop
        App().SetMainWindow(nullptr);
        frame.Destroy();
        ob7::ProfileFile.fatalStartup = false;
    }
}
BENCHMARK(BM_StartupToIdleMainWindow)->Unit(benchmark::kMillisecond);

void BM_ProcessStartWithEmptyBatch(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "ob7_app_bench";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "empty.cmd") << "; nothing to run\n";
    const std::string command = "QT_QPA_PLATFORM=offscreen OB7_HOME=" + BinFolder().string() + " " +
                                (BinFolder() / "ob7demo").string() + " @" + (dir / "empty.cmd").string() +
                                " >/dev/null 2>&1";
    for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ProcessStartWithEmptyBatch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
