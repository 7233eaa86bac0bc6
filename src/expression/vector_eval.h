#pragma once
// Vector (DSP) evaluation. An expression with vector operators (FFT, HARM, CONJ ...) is
// evaluated point by point in a collect pass that stores the value of every pushing
// token in its own operand array; the DSP code then runs replay passes, in which the
// evaluator stops at the first vector operator and reports it, so that the DSP code can
// apply the operator to the stored arrays.

#include <cstdint>
#include <memory>
#include <vector>

#include "expression/complex_value.h"

namespace ob7 {

struct VectorEvalContext {
    int32_t value_count = 0;     // replay: the entries left above the base, minus one
    int32_t vector_opcode = 0;   // replay: the first vector operator met
    int32_t token_counter = 0;   // pushing tokens passed in this evaluation
    int32_t replay = 0;          // 1 in the replay pass, 0 in the collect pass
    int32_t replay_point = 0;
    int32_t collect_point = 0;   // advances after each kept point of the collect pass
    int32_t setup_error = 0;     // the DSP set-up check's code, taken by the next evaluation
    // One array per pushing token, in push order (one spare), each in blocks of 64 points.
    std::vector<std::vector<std::unique_ptr<ComplexValue[]>>> operand_arrays;
    int32_t operand_array_count = 0;

    static constexpr int kBlock = 64;
    // The value of an operand array at a point; blocks are added as points arrive.
    ComplexValue& At(int array, int point);
};

// Vector operators: FFT, HARM, IFT, CONJ, PSD, CMUL, CS, CC, AS, AC, COH, THD, IHD and
// the vector forms of RE, IM, MAG, PH, SUM, DEL, RMS and AVG.
inline bool IsVectorOpcode(int opcode) { return opcode >= 47 && opcode <= 67; }

}  // namespace ob7
