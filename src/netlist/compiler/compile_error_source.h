#pragma once
// Where the first error of a compile lies: a part of the circuit or a line of a text.
// The first place recorded wins until the record is cleared at the next compile start.

#include <string>

namespace ob7 {

struct NetlistCircuit;

struct CompileErrorSource {
    int state = 0;      // 0 nothing, 1 a part, 3 a line of a text
    int part = -1;      // index of the part in the circuit's part list
    int line = -1;      // logical line (0-based) of the part's card
    std::string file;   // the text the line belongs to
};

extern CompileErrorSource ErrorSource;

void ClearErrorSource();
// Records the part (and its card's line) unless a place is already recorded.
void MarkPartErrorSource(NetlistCircuit& circuit, int part);

}  // namespace ob7
