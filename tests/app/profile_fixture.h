#pragma once
// The settings profile in a temporary folder of its own, on a 1280 x 800 screen.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/settings_profile.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

namespace ob7 {

class ProfileInFolder : public ::testing::Test {
protected:
    explicit ProfileInFolder(const std::string& prefix)
        : dir(std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()))) {}
    void SetUp() override {
        TestApp();
        CreateProgramPalette();
        CreateColourSlots();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        ProfileFile.path = (dir / "ombr.dat").string();
        ProfileFile.screenWidth = 1280;
        ProfileFile.screenHeight = 800;
        ProfileFile.fatalStartup = false;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void Write(const std::string& text) { std::ofstream(ProfileFile.path) << text; }
    std::string Read() {
        std::ifstream in(ProfileFile.path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::filesystem::path dir;
};

}  // namespace ob7
