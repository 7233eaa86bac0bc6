// Digital simulator readers: stimulus files, stimulus statements (both expanded over a
// short run), PLA programs (JEDEC maps and DATA texts) and the LOGIC, CONSTRAINT and
// PINDELAY texts (each run against a stimulus).
#include <cstdint>
#include <string>

#include "fuzz_common.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/pla.h"
#include "sim/digital/stimulus.h"
#include "sim/digital/stimulus_file.h"

using namespace ob7;

namespace {

// The events up to 1 us; every time point is rejected once and applied again, as a
// rejected analog step does.
void RunRejectingEachPoint() {
    uint32_t tick;
    while (NextDigitalEventTick(&tick) && tick <= DigitalTimeTick(1e-6)) {
        if (ApplyDigitalEventsAt(tick) != 0) break;
        RollBackDigitalChanges();
        ClearDigitalChangeQueue();
        if (ApplyDigitalEventsAt(tick) != 0) break;
        ClearDigitalChangeQueue();
        ++DigitalRun.solution_count;
    }
}

// Three digital nodes A, B, C and one stimulus part on them, run for a microsecond.
void BuildAndRun(const DigitalPartDesc& part) {
    DigitalCircuitDesc circuit;
    circuit.node_count = 3;
    circuit.node_names = {"", "A", "B", "C"};
    circuit.parts.push_back(part);
    if (SetupDigitalPrimitives(circuit) == 0) {
        SetDigitalTickLength(0, 1e-6);
        ComputeDigitalPrimitiveDelays();
        if (ResetDigitalCase(true) == 0 && ScheduleStimulusEvents() == 0) {
            ApplyInitialDigitalEvents();
            SettleDigitalStates();
            RunRejectingEachPoint();
        }
    }
    FreeDigitalNetwork();
}

DigitalPartDesc StimulusPart(int type) {
    DigitalPartDesc part;
    part.type = type;
    part.name = "S1";
    part.pins = {1, 2, 3};
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InitOnce();
    if (size < 1 || size > 8192) return 0;
    const uint8_t sel = data[0] % 7;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t cut = text.find('\x01');
    const std::string first = text.substr(0, cut), second = cut == std::string::npos ? "A B C" : text.substr(cut + 1);
    switch (sel) {
    case 0: {
        DigitalPartDesc part = StimulusPart(kCtFstim);
        part.attributes["FILE"] = fuzz::WriteInput("fuzz.stm", reinterpret_cast<const uint8_t*>(first.data()),
                                                   first.size());
        part.attributes["SIGNAMES"] = second;
        BuildAndRun(part);
        break;
    }
    case 1: {
        DigitalPartDesc part = StimulusPart(kCtStim);
        part.attributes["COMMAND"] = first;
        part.attributes["FORMAT"] = second.substr(0, 8);
        BuildAndRun(part);
        break;
    }
    case 2: {
        PlaFuseRecord record;
        int line = 0, arg = 0;
        ParseJedecText(text, &record, &line, &arg);
        break;
    }
    case 4:
    case 5:
    case 6: {
        // A counting stimulus on A, B, C drives a part with the text on A, B, C -> Y, Z.
        DigitalCircuitDesc circuit;
        circuit.node_count = 5;
        circuit.node_names = {"", "A", "B", "C", "Y", "Z"};
        DigitalPartDesc stim = StimulusPart(kCtStim);
        stim.attributes["FORMAT"] = "3";
        stim.attributes["COMMAND"] = "0 0 REPEAT 20 TIMES +1ns INCR BY 3 ENDREPEAT";
        circuit.parts.push_back(stim);
        DigitalPartDesc part;
        part.type = sel == 4 ? kCtLogicExp : sel == 5 ? kCtConstraint : kCtPinDly;
        part.name = "U1";
        part.pins = sel == 5 ? std::vector<int>{1, 2, 3} : std::vector<int>{1, 2, 3, 4, 5};
        part.pin_names = {"A", "B", "C", "Y", "Z"};
        part.pin_names.resize(part.pins.size());
        part.input_count = 3;
        part.output_count = sel == 5 ? 0 : 2;
        part.attributes[sel == 4 ? "LOGIC" : sel == 5 ? "CONSTRAINT" : "PINDELAY"] = text;
        circuit.parts.push_back(part);
        if (SetupDigitalPrimitives(circuit) == 0) {
            SetDigitalTickLength(0, 1e-6);
            ComputeDigitalPrimitiveDelays();
            if (ResetDigitalCase(true) == 0 && ScheduleStimulusEvents() == 0) {
                ApplyInitialDigitalEvents();
                SettleDigitalStates();
                RunRejectingEachPoint();
            }
        }
        FreeDigitalNetwork();
        break;
    }
    default: {
        PlaFuseRecord record;
        char bad = 0;
        ParseFuseData(text, 64, &record, &bad);
        DigitalPartDesc part;
        part.type = kCtPlandc;
        part.input_count = 4;
        part.output_count = 4;
        part.pins = {1, 2, 3, 4, 5, 6, 7, 8};
        std::vector<int> pins;
        for (int k = 0; k < 4; ++k) PlaOutputPins(part, record, k, &pins);
        break;
    }
    }
    return 0;
}
