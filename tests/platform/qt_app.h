#pragma once
// The one application object of the Qt tests (offscreen platform, set by CTest). It
// lives until the process ends: Qt cannot be torn down from static destructors.

#include "platform/application.h"

inline platform::Application& TestApp() {
    static int argc = 1;
    static char name[] = "platform_qt_test";
    static char* argv[] = {name, nullptr};
    static auto* app = new platform::Application(argc, argv);
    return *app;
}
