// Circuit file reader: the input is a circuit file (sectioned, the old line layout of
// versions 4 and 5.0x, or a protected file). It is read with and without a password,
// visible and hidden; a circuit that loads is numbered, written in 7.0 and read back,
// and that second reading must succeed and write the same bytes again; the same holds
// for the old line layout written as 5.03.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "circuit/circuit_file.h"
#include "circuit/node_numbering.h"
#include "fuzz_common.h"
#include "libraries/component_library.h"
#include "libraries/component_types.h"
#include "libraries/shape.h"

using namespace ob7;

namespace {

void AddDef(ComponentLibrary& lib, const char* name, int type, int pins)
{
    ComponentDef* d = lib.Add();
    d->Clear();
    d->name = name;
    d->type = type;
    d->pins.resize(static_cast<size_t>(pins));
    for (int i = 0; i < pins; ++i)
        d->pins[i].x = static_cast<int16_t>(4 * i);
    SetComponentShape(*d, &DefaultShape());
}

void InitLibrary()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    LocateMacroFile = nullptr;  // no macro files are looked for on disk
    InitMissingComponentPlaceholder();
    ComponentLibrary& lib = ComponentLibraryTable()[AddComponentLibrary("fuzz.cmp")];
    AddDef(lib, "Resistor", CT_RESISTOR, 2);
    AddDef(lib, "Ground", CT_GROUND, 1);
    AddDef(lib, "Tie", CT_TIE, 1);
    AddDef(lib, "And2", CT_AND, 3);
    AddDef(lib, "Amp", CT_MACRO, 2);
    AddDef(lib, "Capacitor", CT_CAPACITOR, 2);
    AddDef(lib, "Short", CT_SHORT, 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InitOnce();
    InitLibrary();
    if (size > (1 << 20))
        return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const int flagSets[] = {0, kLoadQuiet | kLoadHidden, kLoadSkipAnalysis | kLoadNoChecks};
    for (int pass = 0; pass < 3; ++pass) {
        CircuitDocument doc;
        CircuitFile reader;
        const char* password = pass == 1 ? nullptr : "pw";
        if (reader.Parse(bytes, doc, flagSets[pass], password) != 0)
            continue;
        NumberNodes(doc);
        std::string first, second;
        CircuitFile writer;
        writer.Compose(doc, kCircuitVersion70, first);
        CircuitDocument back;
        CircuitFile again;
        // Coordinates kept unchecked by the first reading stay so in the second.
        if (again.Parse(first, back, kLoadQuiet | (flagSets[pass] & kLoadNoChecks)) != 0)
            std::abort();
        CircuitFile writer2;
        writer2.Compose(back, kCircuitVersion70, second);
        if (first != second)
            std::abort();
        if (pass != 0)
            continue;
        // The old line layout: what a 5.03 file holds reads back and writes the same
        // bytes again.
        std::string old1, old2, old3;
        CircuitFile oldWriter;
        oldWriter.Compose(back, kCircuitVersion503, old1);
        CircuitDocument oldBack, oldAgain;
        CircuitFile oldReader, oldReader2;
        if (oldReader.Parse(old1, oldBack, kLoadQuiet) != 0)
            std::abort();
        oldWriter.Compose(oldBack, kCircuitVersion503, old2);
        if (oldReader2.Parse(old2, oldAgain, kLoadQuiet) != 0)
            std::abort();
        oldWriter.Compose(oldAgain, kCircuitVersion503, old3);
        if (old2 != old3)
            std::abort();
    }
    return 0;
}
