#include "netlist/model_statement_text.h"

#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
