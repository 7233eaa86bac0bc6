// The demo file and the tip file, read from one input; a demo file that reads is then
// played to its end with its events dropped.
#include <fstream>

#include "app/demo_player.h"
#include "app/settings_profile.h"
#include "app/tip_file.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::NullSink sink;
    ob7::SetBatchLogSink(&sink);
    const std::string dir = fuzz::ScratchDir();
    const std::string file = dir + "/input.ob7";
    { std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size)); }

    for (int index : {0, -1, 7}) {
        ob7::Tip.index = index;
        ob7::LoadTipText(file);
    }
    ob7::DemoScript demo;
    if (ob7::ReadDemoFile(file, demo) == 0) {
        ob7::ProfileFile.path.clear();  // no settings are written or read here
        ob7::Demo().deliver = [](const ob7::DemoEvent&) {};
        if (ob7::Demo().Start(demo.keys.empty() ? -1 : demo.keys.front(), file))
            for (int i = 0; i < 5000 && ob7::Demo().Playing(); ++i) ob7::Demo().Tick(100);
        ob7::Demo().End(false);
    }
    return 0;
}
