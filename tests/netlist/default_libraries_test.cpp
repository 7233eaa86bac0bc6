// The model libraries the program ships: every model of NOM.LIB is clean, and the sample
// binary library written at build time reads back.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "fake_circuit.h"
#include "netlist/circuit_tables.h"
#include "netlist/model_library.h"
#include "netlist/spice_logical_lines.h"
#include "report_capture.h"
#include "shipped_data.h"

using namespace ob7;

namespace {

std::string DataFile(const char* name) { return ShippedDataDir() + "/" + name; }

TEST(DefaultLibraries, EveryModelOfNomLibIsCleanAndChecked) {
    std::ifstream in(DataFile("NOM.LIB"), std::ios::binary);
    ASSERT_TRUE(in);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    FakeCircuit circuit;
    circuit.analysisKind = 0;  // the value checks run during an analysis
    NetlistCircuitTables tables{circuit};
    InitGlobalScope(tables);
    ReportCapture reports;

    SpiceLogicalLines lines(text);
    std::string line;
    int number = 0;
    while (lines.Next(line, nullptr, &number)) {
        if (line.compare(0, 6, ".MODEL") != 0) continue;
        ASSERT_EQ(AddModelStatement(tables, line.c_str(), 1, StatementOrigin{nullptr, number}, kOriginTextFile, false,
                                    "NOM.LIB"),
                  0)
            << line;
    }
    std::set<int> types;
    for (size_t i = 0; i < tables.models.size(); ++i) {
        const ModelParams* m = FindModel(tables, -1, static_cast<int>(i));
        EXPECT_NE(m, nullptr) << tables.models[i].name;
        if (m) types.insert(m->modelType);
    }
    for (const CompileWarning& w : tables.warnings)
        ADD_FAILURE() << "parameter " << w.text << " of " << tables.models[w.statement].name;
    EXPECT_TRUE(reports.reports.empty());
    for (int t : {kModelDiode, kModelNpn, kModelPnp, kModelLpnp, kModelNjf, kModelPjf, kModelNmos, kModelPmos,
                  kModelNmos8, kModelPmos8, kModelGasfet, kModelVSwitch, kModelISwitch, kModelCore, kModelOpamp})
        EXPECT_TRUE(types.count(t)) << ModelTypeRow(t).typeName;
    EXPECT_EQ(circuit.limitChecks, static_cast<int>(tables.models.size()));
}

TEST(DefaultLibraries, SampleBinaryLibraryReadsBack) {
    ModelLibrary library;
    ReportCapture reports;
    ASSERT_EQ(library.Load(DataFile("SAMPLE.LBR").c_str(), true), 0);
    EXPECT_TRUE(reports.reports.empty());
    EXPECT_EQ(library.Count(), 12);
    const int n = FindModelInLibrary(library, "DZSAMPLE", kModelDiode);
    ASSERT_GE(n, 0);
    const LibraryModel* d = library.FindNth(kModelDiode, n);
    EXPECT_STREQ(d->memo, "Sample 6.2 V zener");
    EXPECT_DOUBLE_EQ(d->values[FindModelParam(kModelDiode, "BV")], 6.2);
    EXPECT_DOUBLE_EQ(d->values[FindModelParam(kModelDiode, "VJ")], 1.0);  // a default
    EXPECT_EQ(library.CountOfType(kModelNmos8), 1);
}

}  // namespace
