#pragma once
// A text circuit read from an in-memory page, with a temporary program folder that
// holds the shipped default library, and every report captured.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <cstring>
#include <string>

#include "circuit/attribute_ids.h"
#include "fake_circuit.h"
#include "foundation/paths.h"
#include "netlist/netlist_reader.h"
#include "report_capture.h"
#include "shipped_data.h"

class TextCircuitTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        home = fs::temp_directory_path() / ("ob7_text_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(home);
        fs::create_directories(home);
        fs::copy_file(fs::path(ShippedDataDir()) / "NOM.LIB", home / "NOM.LIB");
        ::setenv("OB7_HOME", home.c_str(), 1);
        ob7::GetModuleFolder();
        ob7::SetDefaultFolders();
        services.title = (home / "test.cir").string();
    }
    void TearDown() override { std::filesystem::remove_all(home); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(home / name, std::ios::binary) << text;
    }
    std::string Path(const std::string& name) const { return (home / name).string(); }

    // Reads a text circuit for an analysis kind (-1 none). Returns the read's code.
    int Read(const std::string& text, int analysisKind = -1) {
        page = std::make_unique<ob7::StringTextPage>(services.title, text);
        circuit = std::make_unique<ob7::NetlistCircuit>(services, *page);
        circuit->analysisKind = analysisKind;
        reports.reports.clear();
        return ob7::ReadTextCircuit(*circuit);
    }
    // The part of that name (as written on its card), or null.
    const ob7::NetlistPart* Part(const std::string& name) const {
        for (const ob7::NetlistPart& p : circuit->parts)
            if (ob7::PartAttr(p, ob7::ATTR_PART) == name) return &p;
        return nullptr;
    }
    std::string Attr(const std::string& part, int id) const {
        const ob7::NetlistPart* p = Part(part);
        return p ? ob7::PartAttr(*p, id) : std::string("<no part>");
    }
    int Node(const std::string& name, int scope = 1) { return ob7::FindNodeByName(*circuit, name, scope); }
    int FirstReport() const { return reports.reports.empty() ? 0 : reports.reports[0].id; }
    std::string ReportLine(const char* label) const {
        if (reports.reports.empty()) return {};
        for (const auto& l : reports.reports[0].lines)
            if (l.label == label) return l.value.substr(l.value.find_first_not_of(" \t"));
        const std::string& text = reports.reports[0].text;
        const size_t p = text.find(label);
        if (p == std::string::npos) return {};
        const size_t start = text.find_first_not_of(" \t", p + strlen(label));
        return text.substr(start, text.find('\n', start) - start);
    }

    std::filesystem::path home;
    FakeCircuit services;
    std::unique_ptr<ob7::StringTextPage> page;
    std::unique_ptr<ob7::NetlistCircuit> circuit;
    ReportCapture reports;
};
