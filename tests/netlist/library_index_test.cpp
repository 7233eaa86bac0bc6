#include "netlist/library_index.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "circuit/circuit_file.h"
#include "fake_circuit.h"
#include "foundation/message_codes.h"
#include "foundation/paths.h"
#include "foundation/report_sink.h"
#include "foundation/textfile.h"
#include "netlist/circuit_tables.h"
#include "netlist/model_library.h"
#include "report_capture.h"
#include "shipped_data.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

// A temporary program folder holding the shipped NOM.LIB and SAMPLE.LBR.
class LibraryIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = fs::temp_directory_path() / ("ob7_lib_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(home);
        fs::create_directories(home / "library");
        const fs::path data = ShippedDataDir();
        fs::copy_file(data / "NOM.LIB", home / "NOM.LIB");
        fs::copy_file(data / "SAMPLE.LBR", home / "library" / "SAMPLE.LBR");
        ::setenv("OB7_HOME", home.c_str(), 1);
        GetModuleFolder();
        SetDefaultFolders();
        circuit.title = (home / "test.cir").string();
        InitGlobalScope(tables);
    }
    void TearDown() override { fs::remove_all(home); }

    void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    // Moves a file's time by whole seconds, as an edit some time later would.
    void Age(const fs::path& path, int seconds) {
        fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(seconds));
    }
    int Lib(const std::string& name) { return AddLibraryReference(tables, name, 0, nullptr, false); }
    long FindModel(int kind, const std::string& name) {
        int error = 0;
        const long r = FindModelOrSubckt(tables, kind, name, kFindModel, &error);
        EXPECT_EQ(error, 0);
        return r;
    }

    fs::path home;
    FakeCircuit circuit;
    NetlistCircuitTables tables{circuit};
    ReportCapture reports;
};

TEST_F(LibraryIndexTest, DefaultLibraryIsFoundInTheProgramFolder) {
    ASSERT_EQ(Lib(""), 0);
    ASSERT_EQ(Lib("\"  NOM.LIB \""), 0);  // the same library, quoted
    ASSERT_EQ(tables.libraries[0].size(), 1u);
    EXPECT_EQ(tables.libraries[0][0].name, (home / "NOM.LIB").string());
    EXPECT_EQ(MakeIndexFileName("C:\\LIB\\NOM.LIB"), "C:/LIB/NOM_LIB.INX");

    const long q = FindModel(kModelNpn, "QNSMALL");
    ASSERT_GE(q, 0);
    EXPECT_TRUE(fs::exists(home / "NOM_LIB.INX"));
    const ModelStatement& st = tables.models[q];
    EXPECT_EQ(st.name, "QNSMALL");
    EXPECT_EQ(st.originKind, kOriginTextFile);
    EXPECT_EQ(st.sourceName, (home / "NOM.LIB").string());
    // The continuation lines belong to the statement.
    const ModelParams* values = ob7::FindModel(tables, -1, static_cast<int>(q));
    ASSERT_NE(values, nullptr);
    EXPECT_DOUBLE_EQ(values->values[FindModelParam(kModelNpn, "XTI")].real, 3.0);
    EXPECT_DOUBLE_EQ(values->values[FindModelParam(kModelNpn, "TF")].real, 400e-12);
    // Through the statement look-up, a part's model comes from the library.
    int error = 0;
    EXPECT_EQ(FindModelStatement(tables, kModelDiode, 2, "DGEN", &error), static_cast<int>(q) + 1);
    EXPECT_EQ(FindModel(kModelDiode, "NOSUCH"), -1);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(LibraryIndexTest, IndexIsRebuiltWhenALibraryOfItsSetChanges) {
    const fs::path outer = home / "library" / "OUTER.LIB";
    const fs::path inner = home / "library" / "inner.lib";  // named in another case
    Write(outer, "* outer\n.LIB INNER.LIB\n.MODEL DOUT D (IS=1N)\n");
    Write(inner, "* inner\n.MODEL DIN D (IS=2N)\n");
    ASSERT_EQ(Lib("OUTER.LIB"), 0);
    ASSERT_GE(FindModel(kModelDiode, "DIN"), 0);
    const fs::path index = home / "library" / "OUTER_LIB.INX";
    ASSERT_TRUE(fs::exists(index));

    // The nested library changes on disk: a new model appears after the rebuild.
    Write(inner, "* inner\n.MODEL DIN D (IS=2N)\n.MODEL DNEW D (IS=3N)\n");
    Age(inner, 5);
    tables.Clear(kClearLibraries | kClearModels);
    ASSERT_EQ(Lib("OUTER.LIB"), 0);
    const long found = FindModel(kModelDiode, "DNEW");
    ASSERT_GE(found, 0);
    EXPECT_EQ(tables.models[found].sourceName, inner.string());

    // A damaged index is rebuilt, not trusted.
    fs::resize_file(index, fs::file_size(index) - 7);
    tables.Clear(kClearLibraries | kClearModels);
    ASSERT_EQ(Lib("OUTER.LIB"), 0);
    EXPECT_GE(FindModel(kModelDiode, "DOUT"), 0);
    LibraryIndexData data;
    EXPECT_EQ(ReadLibraryIndex(index.string(), data), 0);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(LibraryIndexTest, WhatTheIndexHolds) {
    const fs::path lib = home / "library" / "PARTS.LIB";
    Write(lib,
          "* parts\r\n"
          ".SUBCKT AMP 1 2 3\r\n"
          ".MODEL DINSIDE D\r\n"
          ".MACRO INNERMAC 1 2\r\n"
          ".ENDS\r\n"
          ".subckt filt a b\n"
          "+ params: r=1\n"
          ".ends filt\n"
          ".PARAM GAIN=10\n"
          ".MODEL MB NMOS (LEVEL=8 TOX=1E-8)\n");
    ASSERT_EQ(Lib("PARTS.LIB"), 0);
    int error = 0;
    LibrarySearchResult result;
    EXPECT_GE(FindModelOrSubckt(tables, 0, "FILT", kFindSubckt, &error, &result), 0);
    EXPECT_EQ(result.fileName, lib.string());
    EXPECT_EQ(result.line, 5);
    EXPECT_EQ(FindModelOrSubckt(tables, 0, "INNERMAC", kFindMacro, &error, &result), 0);
    EXPECT_EQ(result.text, "1 2");
    EXPECT_EQ(FindModel(kModelDiode, "DINSIDE"), -1);
    const long mb = FindModel(kModelNmos, "MB");
    ASSERT_GE(mb, 0);
    EXPECT_EQ(tables.models[mb].effectiveType, kModelNmos8);

    // Library parameters become defines of the circuit when a braced value needs them.
    std::string out;
    ASSERT_EQ(SubstituteDefines(tables, out, 1, "{GAIN*2}", false), 0);
    EXPECT_EQ(out, "{10*2}");
    EXPECT_EQ(circuit.paramLines.size(), 1u);
    EXPECT_EQ(FindModelOrSubckt(tables, 0, "PARTS.LIB", kFindFileInSet, &error), 0);
    EXPECT_EQ(error, 0);
}

// A circuit file named as a library is read through its text page: its statements are
// indexed under a file record of kind 1 and found at their positions in that text.
TEST_F(LibraryIndexTest, CircuitFileAsLibrary) {
    const fs::path lib = home / "library" / "PARTS.CIR";
    CircuitDocument doc;
    doc.text = "* library circuit\r\n.MODEL DCIR D (IS=2E-15)\r\n.PARAM CGAIN=3\r\n.MACRO CMAC 1 2\r\n"
               ".SUBCKT CSUB A B\r\nR1 A B 1K\r\n.ENDS\r\n";
    ASSERT_EQ(SaveCircuitFile(doc, lib.string(), kCircuitVersion70), 0);
    ASSERT_EQ(Lib("PARTS.CIR"), 0);
    const long d = FindModel(kModelDiode, "DCIR");
    ASSERT_GE(d, 0) << reports.reports.size();
    EXPECT_EQ(tables.models[d].sourceName, lib.string());
    LibraryIndexData data;
    ASSERT_EQ(ReadLibraryIndex(MakeIndexFileName(lib.string()), data), 0);
    ASSERT_FALSE(data.records.empty());
    EXPECT_EQ(data.records[0].kind, kIndexCircuitFile);

    int error = 0;
    LibrarySearchResult result;
    EXPECT_EQ(FindModelOrSubckt(tables, 0, "CMAC", kFindMacro, &error, &result), 0);
    EXPECT_EQ(result.text, "1 2");
    const long at = FindModelOrSubckt(tables, 0, "CSUB", kFindSubckt, &error, &result);
    ASSERT_GE(at, 0);
    std::string text;
    ASSERT_EQ(ReadLibrarySource(lib.string(), text), 0);
    EXPECT_EQ(text.compare(static_cast<size_t>(at), 12, ".SUBCKT CSUB"), 0);
    std::string out;
    ASSERT_EQ(SubstituteDefines(tables, out, 1, "{CGAIN*2}", false), 0);
    EXPECT_EQ(out, "{3*2}");
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(LibraryIndexTest, BadLibrariesAreReportedAndLeaveNoIndex) {
    struct Case { const char* text; int id; };
    const Case cases[] = {{".ENDS\n", 10931}, {".MODEL DX NOTYPE\n", 11855}, {".LIB MISSING.LIB\n", 16000 + ENOENT}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "BAD" + std::to_string(n++) + ".LIB";
        Write(home / "library" / name, c.text);
        tables.Clear(kClearLibraries);
        reports.reports.clear();
        ASSERT_EQ(Lib(name), 0);
        int error = 0;
        EXPECT_EQ(FindModelOrSubckt(tables, kModelDiode, "DX", kFindModel, &error), -1) << c.text;
        EXPECT_EQ(error, kMsgReported) << c.text;
        ASSERT_EQ(reports.reports.size(), 1u) << c.text;
        EXPECT_EQ(reports.reports[0].id, c.id) << c.text;
        EXPECT_FALSE(fs::exists(home / "library" / (name.substr(0, name.size() - 4) + "_LIB.INX"))) << c.text;
    }
    EXPECT_TRUE(tables.models.empty());
}

// The message dialog, answering every question with OK.
struct AnswerOk : ReportContext {
    int ShowReportDialog(ReportDelivery& report) override {
        ids.push_back(report.id);
        return kButtonOk;
    }
    std::vector<int> ids;
};

TEST_F(LibraryIndexTest, AnEditedLibraryWindowIsSavedBeforeIndexing) {
    struct EditedWindow : FakeCircuit {
        std::string path;
        std::string text;
        int saves = 0;
        bool LibraryWindowModified(const std::string& p) override { return p == path && saves == 0; }
        int SaveLibraryWindow(const std::string& p) override {
            ++saves;
            std::ofstream(p, std::ios::binary) << text;
            return 0;
        }
    } window;
    NetlistCircuitTables own{window};
    InitGlobalScope(own);
    window.path = (home / "library" / "EDITED.LIB").string();
    window.text = ".MODEL DSAVED D\n";
    Write(window.path, ".MODEL DOLD D\n");
    ASSERT_EQ(AddLibraryReference(own, "EDITED.LIB", 0, nullptr, false), 0);
    int error = 0;
    // Cancel: nothing is indexed.
    EXPECT_EQ(FindModelOrSubckt(own, kModelDiode, "DSAVED", kFindModel, &error), -1);
    EXPECT_EQ(error, kMsgReported);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].id, 10879);
    EXPECT_FALSE(fs::exists(home / "library" / "EDITED_LIB.INX"));
    // OK: the window's text is saved and indexed.
    SetBatchLogSink(nullptr);
    AnswerOk ok;
    SetReportContext(&ok);
    EXPECT_GE(FindModelOrSubckt(own, kModelDiode, "DSAVED", kFindModel, &error), 0);
    SetReportContext(nullptr);
    SetBatchLogSink(&reports);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(window.saves, 1);
    EXPECT_EQ(ok.ids, std::vector<int>{10879});
}

TEST_F(LibraryIndexTest, LibraryDatedInTheFutureGetsThePresentTime) {
    const fs::path lib = home / "library" / "FUTURE.LIB";
    Write(lib, ".MODEL DF D (IS=1N)\n");
    Age(lib, 3600);
    ASSERT_EQ(Lib("FUTURE.LIB"), 0);
    ASSERT_GE(FindModel(kModelDiode, "DF"), 0);
    const auto index = fs::last_write_time(home / "library" / "FUTURE_LIB.INX");
    EXPECT_LE(fs::last_write_time(lib), index + std::chrono::seconds(1));
    // The content is untouched.
    std::ifstream in(lib);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, ".MODEL DF D (IS=1N)\n");
}

TEST_F(LibraryIndexTest, BinaryLibraryModelsBecomeStatements) {
    ASSERT_EQ(Lib("SAMPLE.LBR"), 0);
    const long q = FindModel(kModelNpn, "QNSAMPLE");
    ASSERT_GE(q, 0);
    const ModelStatement& st = tables.models[q];
    EXPECT_EQ(st.originKind, kOriginBinaryLibrary);
    EXPECT_EQ(st.memo, "Sample small-signal NPN");
    const ModelParams* values = ob7::FindModel(tables, -1, static_cast<int>(q));
    ASSERT_NE(values, nullptr);
    EXPECT_DOUBLE_EQ(values->values[FindModelParam(kModelNpn, "BF")].real, 200.0);
    EXPECT_DOUBLE_EQ(values->values[FindModelParam(kModelNpn, "CJE")].real, 20e-12);
    // A level-8 set is found as NMOS and resolved with its own parameter table.
    const long m8 = FindModel(kModelNmos, "MN8SAMPLE");
    ASSERT_GE(m8, 0);
    const ModelParams* mos = ob7::FindModel(tables, -1, static_cast<int>(m8));
    ASSERT_NE(mos, nullptr);
    EXPECT_EQ(mos->modelType, kModelNmos8);
    EXPECT_DOUBLE_EQ(mos->values[FindModelParam(kModelNmos8, "VTH0")].real, 0.7);
    EXPECT_TRUE(tables.warnings.empty());
    EXPECT_TRUE(reports.reports.empty());
}

}  // namespace
