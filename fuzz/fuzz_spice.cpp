// SPICE text circuits: the input is the circuit's text page (and, for ".INC INC.CIR"
// lines, also an include file). The text is read for an analysis chosen by its first
// byte, subcircuit calls expanded, initial conditions and POLY values resolved, options
// applied and written back, and the analysis statements written back and read again.
#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/messages.h"
#include "fuzz_common.h"
#include "netlist/analysis_statements.h"
#include "netlist/netlist_reader.h"
#include "netlist/poly_source.h"
#include "netlist_fake_circuit.h"

using namespace ob7;

namespace {

struct NoOptions : OptionTargets {
    double real = 0;
    int32_t integer = 0;
    bool Find(const std::string& name, OptionTarget* t) override {
        if (name == "RELTOL") *t = {2, &real, nullptr};
        else if (name == "ITL1") *t = {1, nullptr, &integer};
        else if (name == "NOOUTMSG") *t = {3, nullptr, &integer};
        else return false;
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InitOnce();
    if (size > 100000) return 0;
    static bool library = [] {
        fuzz::WriteInput("NOM.LIB", reinterpret_cast<const uint8_t*>("* empty\n"), 8);
        return true;
    }();
    (void)library;
    fuzz::WriteInput("INC.CIR", data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);
    FakeCircuit services;
    services.title = fuzz::ScratchDir() + "/test.cir";
    StringTextPage page(services.title, text);
    NetlistCircuit circuit(services, page);
    circuit.analysisKind = size ? static_cast<int>(data[0] % 4) - 1 : -1;
    if (ReadTextCircuit(circuit) == 0) {
        ResolveInitialConditions(circuit);
        std::vector<PolySourceRecord> records;
        for (size_t i = 0; i < circuit.parts.size(); ++i) {
            const NetlistPart& p = circuit.parts[i];
            if (p.type < 50 || p.type > 53) continue;
            PolySourceRecord record;
            if (BuildPolySource(circuit, static_cast<int>(i), PartAttr(p, 2), record) == 0) records.push_back(record);
        }
        ResolvePolyControlSources(circuit, records);
        NoOptions options;
        ApplyOptionsStatements(circuit, options, 1);
        ApplyOptionsStatements(circuit, options, 0);
        WriteOptionsStatement(circuit, "ITL1", "500");
        if (circuit.analysisKind >= 0) {
            WriteAnalysisStatements(circuit, circuit.analysisKind);
            ReadTextCircuit(circuit);
        }
    }
    ClearPendingMessage();
    return 0;
}
