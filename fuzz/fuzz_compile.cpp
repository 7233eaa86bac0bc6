// SPICE text circuits read and compiled into the device lists: whatever the text, the
// compile either builds its devices or reports an error, and clears up after itself.
#include <cstdint>
#include <string>

#include "foundation/messages.h"
#include "fuzz_common.h"
#include "netlist/compiler/circuit_compiler.h"
#include "netlist/netlist_reader.h"
#include "netlist_fake_circuit.h"

using namespace ob7;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InitOnce();
    if (size > 100000) return 0;
    static bool library = [] {
        fuzz::WriteInput("NOM.LIB", reinterpret_cast<const uint8_t*>("* empty\n"), 8);
        return true;
    }();
    (void)library;
    const std::string text(reinterpret_cast<const char*>(data), size);
    FakeCircuit services;
    services.title = fuzz::ScratchDir() + "/test.cir";
    StringTextPage page(services.title, text);
    NetlistCircuit circuit(services, page);
    circuit.analysisKind = 2;
    if (ReadTextCircuit(circuit) == 0) {
        CompileSettings settings;
        settings.floatingNodesCheck = size && (data[0] & 1);
        settings.addDcPath = size && (data[0] & 2);
        CompileResult result;
        CompileCircuit(circuit, settings, &result);
        ClearCompiledDevices();
    }
    ClearPendingMessage();
    return 0;
}
