// The application shell's readers: the command line, command-file lines and their
// options, a whole command file run as a batch (with no circuits), the settings profile
// and the tool-bar icon file, on one input.
#include <cctype>
#include <fstream>

#include "app/batch_run.h"
#include "app/command_line.h"
#include "app/settings_profile.h"
#include "app/tool_icons.h"
#include "fuzz_common.h"
#include "ui/framework/colour_slots.h"

namespace {

struct QuietHost : ob7::NoCircuitHost {
    bool PollEscape() override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::NullSink sink;
    static bool ready = [] {
        ob7::CreateProgramPalette();
        ob7::CreateColourSlots();
        return true;
    }();
    (void)ready;
    ob7::SetBatchLogSink(&sink);
    const std::string text(reinterpret_cast<const char*>(data), size);
    ob7::StartupOptions options = ob7::ParseCommandLine(text.substr(0, 2000));
    std::string rest = options.rest;
    for (int i = 0; i < 50 && !ob7::SplitFirstWord(rest).empty(); ++i) {}
    ob7::ParseBatchLineOptions(text.substr(0, 1000));

    const std::string dir = fuzz::ScratchDir();
    const std::string file = dir + "/input.cmd";
    { std::ofstream(file, std::ios::binary) << text; }
    // A command file whose labels loop forever would never end: only inputs without GOTO run.
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("goto") == std::string::npos) {
        ob7::BatchSettings batch;
        batch.commandFile = file;
        QuietHost host;
        ob7::RunBatchFile(batch, host);
    }
    ob7::ProfileFile.path = file;
    ob7::ProfileFile.fatalStartup = true;
    ob7::LoadProfile();
    std::vector<ob7::ToolIcon> icons = ob7::ReadToolIcons(file);
    if (icons.size() < 64) ob7::DrawIconStrip(icons, 16, 0xEFEFEF);
    ob7::SetBatchLogSink(&sink);
    return 0;
}
