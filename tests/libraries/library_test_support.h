#pragma once
// Shared pieces of the library tests: a temporary program folder, a report context that
// records the messages and answers questions, and byte builders for hand-made files.

#include "foundation/paths.h"
#include "foundation/report_sink.h"
#include "libraries/byte_io.h"
#include "libraries/component_library.h"
#include "libraries/package.h"
#include "libraries/shape.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ob7::test {

// Records every report; questions get `answer`.
class RecordingReports : public ReportContext {
public:
    int ShowReportDialog(ReportDelivery& report) override
    {
        ids.push_back(report.id);
        texts.push_back(report.text);
        return answer;
    }
    std::vector<int> ids;
    std::vector<std::string> texts;
    int answer = 1;
};

// A fresh temporary folder that is the program folder for the test; the process-wide
// library tables are emptied before and after.
class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("ob7_lib_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        ::setenv("OB7_HOME", dir.c_str(), 1);
        GetModuleFolder();
        SetReportContext(&reports);
        Reset();
    }
    void TearDown() override
    {
        Reset();
        SetReportContext(nullptr);
        std::filesystem::remove_all(dir);
    }
    static void Reset()
    {
        FreeComponentLibraries();
        FreeShapeLibraries();
        ClearPackageList();
        InitMissingComponentPlaceholder();
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        std::ofstream out(Path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<uint8_t> ReadBytes(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir;
    RecordingReports reports;
};

// The common binary header.
inline void PutHeader(ByteWriter& w, const char* tag, int32_t version)
{
    w.FixedString(tag, 4);
    w.I32(version);
    w.FixedString("Ombrelic", 12);
    w.I32(0);
}

}  // namespace ob7::test
