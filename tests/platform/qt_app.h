#pragma once
// The one application object of the Qt tests (offscreen platform, set by CTest). It
// lives until the process ends: Qt cannot be torn down from static destructors.

#include <functional>
#include <string>

#include "platform/application.h"

struct TestApplication : platform::Application {
    using Application::Application;
    std::function<bool(int)> idle;
    int secondStarts = 0;
    std::string handedOver;  // the message of the last refused start
    bool OnIdle(int count) override { return idle ? idle(count) : false; }
    void OnSecondInstance() override { ++secondStarts; }
    void OnSecondInstanceMessage(const std::string& message) override {
        handedOver = message;
        OnSecondInstance();
    }
};

inline TestApplication& TestApp() {
    static int argc = 1;
    static char name[] = "platform_qt_test";
    static char* argv[] = {name, nullptr};
    static auto* app = new TestApplication(argc, argv);
    return *app;
}
