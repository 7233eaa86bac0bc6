// Text circuits read, compiled and run through the run cycle for one analysis: whatever
// the text, its limits and its curve rows, the run ends with a result and writes its
// numeric output. Long runs are stopped after a few thousand points as the user's stop would.
#include <cstdint>
#include <string>

#include "analysis/text_circuit_analysis.h"
#include "foundation/messages.h"
#include "fuzz_common.h"

using namespace ob7;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InitOnce();
    if (size < 1 || size > 20000) return 0;
    static bool library = [] {
        fuzz::WriteInput("NOM.LIB", reinterpret_cast<const uint8_t*>("* empty\n"), 8);
        return true;
    }();
    (void)library;
    const int kind = data[0] % 3;
    TextCircuitAnalysis circuit;
    circuit.OpenText(fuzz::ScratchDir() + "/deck.cir", std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    int points = 0;
    circuit.prepareRun = [&points](AnalysisRun& run) {
        run.pollAbort = [&points] { return ++points > 3000; };
        // The numeric output prints as many rows as the deck asks; millions only take time.
        static const int kPointField[3] = {2, 1, 4};
        int code = 0;
        if (LimitCount(run.setup.limits[kPointField[run.kind]].c_str(), &code) > 20000) run.numericOutputPath.clear();
    };
    circuit.RunAnalysis(kind);
    circuit.Close();
    ClearPendingMessage();
    return 0;
}
