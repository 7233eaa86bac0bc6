#include "netlist/model_statement_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "fake_circuit.h"
#include "netlist/circuit_tables.h"
#include "netlist/model_library.h"

using namespace ob7;

namespace {

TEST(ModelStatementText, CircuitStatementLibraryModelOrDefaults) {
    FakeCircuit circuit;
    NetlistCircuitTables tables{circuit};
    InitGlobalScope(tables);
    ASSERT_EQ(AddModelStatement(tables, ".MODEL QB NPN (BF=50)", 1, StatementOrigin{}, kOriginCircuitText, false,
                                "lib.cir"),
              0);
    ASSERT_EQ(AddModelStatement(tables, ".model qk ako:qb npn bf=80 ", 1, StatementOrigin{}, kOriginCircuitText, false,
                                "lib.cir"),
              0);
    std::string source;
    EXPECT_EQ(GetModelStatementText(tables, nullptr, kModelNpn, -1, "QK", false, &source, nullptr, nullptr),
              ".MODEL QK AKO:QB NPN (BF=80)");
    EXPECT_EQ(source, "lib.cir");
    // An LPNP part may show a PNP statement.
    ASSERT_EQ(AddModelStatement(tables, ".MODEL QP PNP", 1, StatementOrigin{}, kOriginCircuitText, false, ""), 0);
    EXPECT_EQ(GetModelStatementText(tables, nullptr, kModelLpnp, -1, "QP", false, nullptr, nullptr, nullptr),
              ".MODEL QP LPNP ()");

    ModelLibrary library;
    LibraryModel* d = library.AddModel(kModelDiode);
    ASSERT_NE(d, nullptr);
    std::strcpy(d->name, "DLIB");
    std::strcpy(d->memo, "A library diode");
    d->values[FindModelParam(kModelDiode, "IS")] = 2e-9;
    std::string memo;
    EXPECT_EQ(GetModelStatementText(tables, &library, kModelDiode, 0, "DLIB", false, nullptr, &memo, nullptr),
              ".MODEL DLIB D (IS=2N)");
    EXPECT_EQ(memo, "A library diode");
    // A type without parameters has no values to copy.
    LibraryModel* u = library.AddModel(kModelUbgt);
    ASSERT_NE(u, nullptr);
    std::strcpy(u->name, "UGATES");
    EXPECT_EQ(GetModelStatementText(tables, &library, kModelUbgt, 0, "UGATES", false, nullptr, nullptr, nullptr),
              ".MODEL UGATES UBGT ( )");
    // No statement and no library model: the defaults, which write nothing for a diode.
    EXPECT_EQ(GetModelStatementText(tables, nullptr, kModelDiode, -1, "DNONE", false, nullptr, nullptr, nullptr),
              ".MODEL DNONE D ( )");
}

// Text read back from a statement with a trailing comment: the ")" stands before the
// comment, or the comment would swallow it.
TEST(ModelStatementText, CommentsStayOutsideTheParentheses) {
    FakeCircuit circuit;
    NetlistCircuitTables tables{circuit};
    InitGlobalScope(tables);
    struct Case {
        const char* statement;
        uint32_t kind;
        const char* text;
    };
    const Case cases[] = {
        {".MODEL D1 D (IS=1E-14) ; measured", kOriginCircuitText, ".MODEL D1 D (IS=1E-14)  ; MEASURED"},
        {".MODEL D2 D (IS=1E-14\n* emission\n+ N=2) ; note", kOriginTextFile,
         ".MODEL D2 D (IS=1E-14\n* EMISSION\n+ N=2)  ; NOTE"},
        {".MODEL D3 D IS=2E-14 ;\n", kOriginPartTextLines, ".MODEL D3 D (IS=2E-14) ;"},
        {".MODEL D4 D (IS=3E-14 N=1)", kOriginPartText, ".MODEL D4 D (IS=3E-14 N=1)"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(AddModelStatement(tables, c.statement, 1, StatementOrigin{}, c.kind, false, ""), 0) << c.statement;
        const std::string name = std::string(c.statement).substr(7, 2);
        const std::string text =
            GetModelStatementText(tables, nullptr, kModelDiode, -1, name, false, nullptr, nullptr, nullptr);
        EXPECT_EQ(text, c.text);
        // The text reads back as a statement of its own.
        FakeCircuit other;
        NetlistCircuitTables copy{other};
        InitGlobalScope(copy);
        EXPECT_EQ(AddModelStatement(copy, text.c_str(), 1, StatementOrigin{}, c.kind, false, ""), 0) << text;
    }
}

// A library that once made the statement text copy into a null array: a selector byte,
// then an .LBR file with a UBGT model, a type without parameters.
TEST(ModelStatementText, FuzzedLibraryWithAModelTypeWithoutParameters) {
    const char* data = std::getenv("OB7_TEST_DATA");
    ASSERT_TRUE(data && *data);
    std::ifstream in(std::string(data) + "/fuzz/lbr_ubgt.bin", std::ios::binary);
    const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(input.size(), 1u);
    const std::string path = ::testing::TempDir() + "fuzz_ubgt.lbr";
    std::ofstream(path, std::ios::binary) << input.substr(1);
    ModelLibrary library;
    ASSERT_EQ(library.Load(path.c_str(), false), 0);
    FakeCircuit circuit;
    NetlistCircuitTables tables{circuit};
    InitGlobalScope(tables);
    int ubgt = 0;
    for (LibraryModel* m = library.First(); m; m = ModelLibrary::Next(m)) {
        const int n = FindModelInLibrary(library, m->name, m->modelType);
        const std::string text = GetModelStatementText(tables, &library, m->modelType, n, m->name, false, nullptr,
                                                       nullptr, nullptr);
        if (m->modelType == kModelUbgt) {
            ++ubgt;
            EXPECT_EQ(text, ".MODEL " + std::string(m->name) + " UBGT ( )");
        }
    }
    EXPECT_EQ(ubgt, 1);
    std::remove(path.c_str());
}

}  // namespace
