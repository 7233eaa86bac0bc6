// Instance option texts matched against the compiler's value templates: whatever the
// text, the match stores what it reads or reports one error, and never reads or writes
// outside its outputs.
#include <cstdint>
#include <string>

#include "foundation/messages.h"
#include "fuzz_common.h"
#include "netlist/compiler/value_templates.h"
#include "netlist/netlist_reader.h"
#include "netlist_fake_circuit.h"

using namespace ob7;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InitOnce();
    if (size < 1 || size > 4000) return 0;
    static const char* const kTemplates[] = {
        "<[Z0=%t][TD=%t]>",
        "<[Z0=%t][F=%t][NL=%t]>",
        "<[LEN=%t][R=%t][L=%t][G=%t][C=%t]>",
        "<[M=%g][L=%t][W=%t][AD=%g][AS=%g][PD=%g][PS=%g][NRD=%g][NRS=%g][NRB=%g][NRG=%g][OFF%d][IC=%g[,%g[,%g]]]>",
        "<[%g][OFF%d][IC=%g]>",
        "<[%g][OFF%d][IC=%g[,%g]]>",
        "Z0=%t %* [TD=%f]",
    };
    static bool library = [] {
        fuzz::WriteInput("NOM.LIB", reinterpret_cast<const uint8_t*>("* empty\n"), 8);
        return true;
    }();
    (void)library;
    static FakeCircuit services;
    static StringTextPage page(services.title = fuzz::ScratchDir() + "/test.cir", "t\nR1 1 0 1k\n.END\n");
    static NetlistCircuit circuit(services, page);
    static bool read = ReadTextCircuit(circuit) == 0;
    if (!read || circuit.parts.empty()) __builtin_trap();
    const char* tmpl = kTemplates[data[0] % (sizeof kTemplates / sizeof kTemplates[0])];
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
    double d[12] = {};
    GivenValue g[5] = {};
    int flag = 0;
    // Enough outputs of each kind for the longest template; a kind is read by its letter.
    ParseValueTemplate(circuit, 0, tmpl, input,
                       {&g[0], &g[1], &g[2], &g[3], &g[4], &d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &flag, &d[6]});
    ClearPendingMessage();
    return 0;
}
