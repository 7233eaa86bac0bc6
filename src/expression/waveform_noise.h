#pragma once
// INOISE and ONOISE: the output noise of an AC noise analysis, and that noise referred to
// the input. The engine keeps the noise data; it hands this view of it to the evaluator.

#include "expression/complex_value.h"

namespace ob7 {

// One noise source: its transfer values to the two output nodes (0 where the source
// does not reach a node) and its noise density.
struct NoiseSourceTransfer {
    ComplexValue to_first;
    ComplexValue to_second;
    double density = 0.0;
};

// The AC noise data as the noise operators read it. The input's transfer values come in
// pairs (first, second) as the engine keeps them.
struct AcNoiseView {
    int source_count = 0;
    const NoiseSourceTransfer* sources = nullptr;
    int input_pair_count = 0;
    const ComplexValue* input_first = nullptr;
    const ComplexValue* input_second = nullptr;
    double input_norm = 0.0;  // the normalising value kept for the input; 0 counts as 1
};

// ONOISE (input_referred false) or INOISE (true).
double NoiseValue(const AcNoiseView& noise, bool input_referred);

}  // namespace ob7
