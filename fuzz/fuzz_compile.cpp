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
    // The default library's digital interfaces, so that mixed decks reach the digital set-up.
    static bool library = [] {
        static const char kLib[] =
            ".MODEL IO_STD UIO (DRVH=96 DRVL=104)\n"
            ".MODEL D0GATE UGATE ()\n"
            ".MODEL DOUT_STD DOUTPUT (S0NAME=\"0\" S0VLO=-1.5 S0VHI=0.8 S1NAME=\"1\" S1VLO=2 S1VHI=7 SXNAME=\"X\")\n"
            ".MODEL DIN_STD DINPUT (S0NAME=\"0\" S0TSW=2N S0RLO=10 S0RHI=1K S1NAME=\"1\" S1TSW=2N S1RLO=1K\n"
            "+ S1RHI=10 S2NAME=\"X\" S2TSW=2N S2RLO=200 S2RHI=200)\n"
            ".SUBCKT AtoDDefault A D DPWR DGND PARAMS: CAPACITANCE=0 DRVH=96 DRVL=104\n"
            "O1 A DGND DOUT_STD DGTLNET=D IO_STD\nC1 A DGND {CAPACITANCE}\n.ENDS\n"
            ".SUBCKT DtoADefault D A DPWR DGND PARAMS: CAPACITANCE=0 DRVH=96 DRVL=104\n"
            "N1 A DGND DPWR DIN_STD DGTLNET=D IO_STD\nC1 A DGND {CAPACITANCE}\n.ENDS\n"
            ".SUBCKT DIGIFPWR AGND\nVDPWR $G_DPWR AGND 5\nVDGND $G_DGND AGND 0\n.ENDS\n";
        fuzz::WriteInput("NOM.LIB", reinterpret_cast<const uint8_t*>(kLib), sizeof kLib - 1);
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
