// The simulation data file reader: the input is a data file of a small compiled circuit
// (a resistor, a capacitor, a diode, a voltage source); byte 0 picks the analysis kind
// the Retrieve run expects and the check value. The header checks, the record reads and
// the unpacking into the engine must hold for any bytes.
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_common.h"
#include "sim/analysis/point_sink.h"
#include "sim/analysis/simulation_data_file.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
void RegisterDeviceKinds();
}
using namespace ob7;

namespace {

struct CountingSink : PointSink {
    int points = 0;
    int AcceptPoint(double) override { return ++points > 100000 ? 1 : 0; }
};

void BuildCircuit() {
    static std::unique_ptr<ModelParams> model = [] {
        auto m = MakeModelParams(kModelDiode);
        SetModelParam(*m, "CJO", 1e-12);
        return m;
    }();
    CircuitModels[kModelDiode] = {model.get()};
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-9);
    AddDiode(model.get(), 2, 0);
    NodeCount = 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::NullSink sink;
    static bool ready = [] {
        SetBatchLogSink(&sink);
        FillOptionDefaultTexts(1);
        ParseSimulationOptions(true);
        RegisterDeviceKinds();
        return true;
    }();
    (void)ready;
    if (size < 1) return 0;
    const std::string path = fuzz::ScratchDir() + "/data/in.TSA";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data + 1), size - 1);

    BuildCircuit();
    if (RunOperatingPointOnly(27) == 0) {
        const int kind = data[0] % 3;
        AnalysisKind = kind;
        if (kind == 1) AllocateAcVectors();
        SimulationDataFile f;
        if (OpenSimulationDataFile(f, path, RunOption::Retrieve, kind, kSaveAll, data[0] >> 4) == 0) {
            CountingSink points;
            ReplaySimulationDataFile(f, points);
        }
        CloseSimulationDataFile(f);
    }
    FreeAcVectors();
    FreeSimulationState();
    return 0;
}
