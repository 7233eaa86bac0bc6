#pragma once
// The netlist tables of one circuit: scopes, defines, model statements, the model value
// records of each model type, the compile warnings and the two library lists. The
// circuit document owns one and clears parts of it between compiles.

#include <memory>
#include <vector>

#include "netlist/circuit_services.h"
#include "netlist/define_table.h"
#include "netlist/library_index.h"
#include "netlist/model_statements.h"
#include "netlist/model_values.h"

namespace ob7 {

// What ClearCompiledTables frees.
enum CompiledTableBits : int {
    kClearLibraries = 0x01,
    kClearDefines = 0x02,
    kClearModels = 0x40,  // statements, value records and compile warnings
};

struct NetlistCircuitTables {
    explicit NetlistCircuitTables(NetlistCircuitServices& circuit);

    NetlistCircuitServices* services;
    std::vector<ScopeEntry> scopes;
    DefineTable defines;
    std::vector<ModelStatement> models;
    std::vector<std::unique_ptr<ModelParams>> modelValues[ModelTypeCount];
    std::vector<CompileWarning> warnings;
    std::vector<LibraryEntry> libraries[2];

    void Clear(int bits);
};

}  // namespace ob7
