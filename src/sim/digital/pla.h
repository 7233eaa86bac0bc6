#pragma once
// Programmable logic arrays: the fuse program from a DATA text or a JEDEC fuse map, and
// the fuse addressing that turns it into the pin lists of the output primitives.

#include <string>
#include <vector>

#include "sim/digital/digital_setup.h"

namespace ob7 {

struct PlaFuseRecord {
    int primitive = 0;              // of the part's first output
    std::vector<signed char> fuses; // 1 connected, 0 open, -1 undefined while reading
    bool from_file = false;
};

bool IsPlaType(int type);
bool IsComplementedPla(int type);
int PlaFuseCount(const DigitalPartDesc& part);

// A DATA text ("B$0110$"): 0, or the message id of its fault (*bad the character).
int ParseFuseData(const std::string& text, int fuse_count, PlaFuseRecord* record, char* bad);
// A JEDEC fuse map: 0 or a message id; *line the line of the fault, *arg its number.
int ParseJedecText(const std::string& text, PlaFuseRecord* record, int* line, int* arg);

// The input pins of output k: the input node where the true fuse is connected, the
// negative node where only the complement fuse is; 13250 when a fuse lies beyond the map.
int PlaOutputPins(const DigitalPartDesc& part, const PlaFuseRecord& record, int k, std::vector<int>* pins);

// Reads the part's program (FILE, else DATA): 0 or 15055 after a reported error.
int LoadPlaProgram(const DigitalPartDesc& part, PlaFuseRecord* record);

}  // namespace ob7
