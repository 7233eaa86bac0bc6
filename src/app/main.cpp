// ob7demo: the main program.
#include <cstdlib>

#include "app/main_app.h"

int main(int argc, char** argv) {
    // Without a display the program runs on the offscreen platform (batch runs, CI).
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string commandLine = ob7::JoinCommandLine(argc, argv);
    ob7::CMainApp app(argc, argv);
    return app.Main(commandLine);
}
