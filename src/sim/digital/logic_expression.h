#pragma once
// LOGICEXP primitives: outputs computed from the inputs by an ordered list of
// assignments "name = { expression }" over the pin names and temporaries.

#include <cstdint>
#include <string>
#include <vector>

#include "expression/digital_logic.h"
#include "sim/digital/digital_setup.h"

namespace ob7 {

struct LogicExpRecord {
    int primitive = 0;
    int inputs = 0;
    std::vector<std::string> names;   // pins in pin order, then temporaries (upper case)
    std::vector<int32_t> kinds;       // 1 input, 2 output, 8 temporary
    std::vector<uint8_t> levels;      // present level of every name
    struct Assignment {
        DigitalProgram program;
        int target = 0;
    };
    std::vector<Assignment> assignments;
};
extern std::vector<LogicExpRecord> LogicExpRecords;

// Parses the LOGIC text of a part into a record for the primitive: 0 or 15055 after a
// reported error.
int ParseLogicExp(const DigitalPartDesc& part, const std::string& text, int primitive);
// Runs the assignments on the present input levels; the level of output `output` (1 =
// the last output pin).
int EvaluateLogicExp(int primitive, int output);

}  // namespace ob7
