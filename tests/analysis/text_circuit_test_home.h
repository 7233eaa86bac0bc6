#pragma once
// A temporary program folder holding the shipped default library, so that text circuits
// read as they do in the program; every report is captured.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/paths.h"
#include "foundation/report_sink.h"
#include "sim/engine/run_control.h"

class TextCircuitHome : public ::testing::Test, public ob7::ReportSink {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        home = fs::temp_directory_path() / ("ob7_road_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(home);
        fs::create_directories(home);
        fs::copy_file(fs::path(OB7_SHIPPED_DATA) / "NOM.LIB", home / "NOM.LIB");
        ::setenv("OB7_HOME", home.c_str(), 1);
        ob7::GetModuleFolder();
        ob7::SetDefaultFolders();
        ob7::SetBatchLogSink(this);
    }
    void TearDown() override {
        ob7::SetBatchLogSink(nullptr);
        ob7::RunControl.error_shown = 0;  // run errors show once per run
        std::filesystem::remove_all(home);
    }
    int Deliver(const ob7::ReportDelivery& report) override {
        reports.push_back(report.text);
        return 0;
    }
    // A deck of the test data copied into the home folder; its path there.
    std::string CopyDeck(const std::string& name) {
        const auto to = home / (name + ".cir");
        std::filesystem::copy_file(std::string(OB7_ANALYSIS_TEST_DATA) + "/decks/" + name + ".cir", to,
                                   std::filesystem::copy_options::overwrite_existing);
        return to.string();
    }
    std::string AllReports() const {
        std::string all;
        for (const auto& r : reports) all += r + "\n";
        return all;
    }

    std::filesystem::path home;
    std::vector<std::string> reports;
};
