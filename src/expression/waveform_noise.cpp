#include "expression/waveform_noise.h"

#include <cmath>

namespace ob7 {

double NoiseValue(const AcNoiseView& noise, bool input_referred) {
    double sum = 0.0;
    for (int i = 0; i < noise.source_count; ++i) {
        const NoiseSourceTransfer& s = noise.sources[i];
        double re = (s.to_first.re - s.to_second.re) * s.density;
        double im = (s.to_first.im - s.to_second.im) * s.density;
        sum += re * re + im * im;
    }
    double output = sum > 0.0 ? std::sqrt(sum) : 1e-50;
    if (!input_referred) return output;

    // The input's transfer differences are kept with the second value's imaginary part
    // conjugated, so the imaginary parts add.
    double gain = 0.0;
    for (int i = 0; i < noise.input_pair_count; ++i) {
        double re = noise.input_first[i].re - noise.input_second[i].re;
        double im = noise.input_first[i].im + noise.input_second[i].im;
        gain += std::sqrt(re * re + im * im);
    }
    gain /= noise.input_norm != 0.0 ? noise.input_norm : 1.0;
    if (gain == 0.0) gain = 1e-30;
    return output / gain;
}

}  // namespace ob7
