#include "sim/engine/noise_sources.h"

#include <cmath>
#include <new>

#include "foundation/message_codes.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

NoiseSelection Noise;
NoiseSourceTable NoiseSources;

void AddNoiseSource(int a, int b, double density) {
    if (a == b) return;
    NoiseSources.density.push_back(density);
    NoiseSources.node_a.push_back(a > 0 ? a : 0);
    NoiseSources.node_b.push_back(b > 0 ? b : 0);
}

void AddShotFlickerNoise(int a, int b, double s0, double kf, double x, double f, double ef) {
    const double flicker = ef == 1.0 ? kf * x / f : kf * x / std::pow(f, ef);
    AddNoiseSource(a, b, std::sqrt(s0 + flicker));
}

double NoiseDensity(int kind, double x, double t) {
    switch (kind) {
        case 1: return kNoiseTwoQ * std::fabs(x);
        case 2: return 4 * kNoiseBoltzmann * x * t;
        case 3: return 1.0;
        default: return 0.0;
    }
}

int AllocNoiseTables() {
    if (!Noise.flag) return 0;
    const DeviceList* lists = DeviceListTable;
    const size_t capacity =
        1 + lists[kResistorList].count + lists[kSwitchList].count + lists[kVSwitchList].count +
        lists[kISwitchList].count + lists[kFunctionSourceList].count +
        3 * (lists[kDiodeList].count + lists[kJfetList].count + lists[kGaasfetList].count) +
        5 * (lists[kBjtList].count + lists[kMosfetList].count);
    try {
        NoiseSources.density.reserve(capacity);
        NoiseSources.node_a.reserve(capacity);
        NoiseSources.node_b.reserve(capacity);
    } catch (const std::bad_alloc&) {
        FreeNoiseTables();
        return kMsgInsufficientMemory;
    }
    return 0;
}

void FreeNoiseTables() {
    std::vector<double>().swap(NoiseSources.density);
    std::vector<int>().swap(NoiseSources.node_a);
    std::vector<int>().swap(NoiseSources.node_b);
}

int AssembleNoiseSources(double f) {
    if (!(f > 0)) f = 1e-6;
    if (!Noise.flag) return 0;
    NoiseSources.density.clear();
    NoiseSources.node_a.clear();
    NoiseSources.node_b.clear();
    return AddDeviceNoiseSources(f);
}

double OutputNoise() {
    double sum = 0;
    for (int i = 0; i < NoiseSources.count(); ++i) {
        const std::complex<double> z = AcNodeValue(NoiseSources.node_a[i]) - AcNodeValue(NoiseSources.node_b[i]);
        const double d = NoiseSources.density[i];
        sum += std::norm(z) * d * d;
    }
    if (!(sum > 0)) sum = 1e-50;
    return std::sqrt(sum);
}

void NoteNoiseInputSource(int positive, int negative, int branch, bool voltage, std::complex<double> x) {
    if (!Noise.flag || positive != Noise.input_plus || negative != Noise.input_minus) return;
    if (voltage) {
        Noise.input_excitation.emplace_back(branch, x);
    } else {
        Noise.input_excitation.emplace_back(positive, -x);
        Noise.input_excitation.emplace_back(negative, x);
    }
}

double InputNoise() {
    double gain = 0;
    if (!Noise.input_excitation.empty()) {
        std::complex<double> transfer = 0;
        for (const auto& [n, e] : Noise.input_excitation)
            if (n > 0 && n <= EquationCount) transfer += e * AcNodeValue(n);
        gain = std::abs(transfer);
    } else {
        const int equations = static_cast<int>(SavedExcitation.size() / 2) - 1;
        for (int n = 1; n <= equations && n <= EquationCount; ++n) {
            const std::complex<double> e{SavedExcitation[2 * n], SavedExcitation[2 * n + 1]};
            gain += std::abs(e * AcNodeValue(n));
        }
    }
    const double magnitude = Noise.input_magnitude != 0 ? Noise.input_magnitude : 1.0;
    gain /= magnitude;
    if (gain == 0) gain = 1e-30;
    return OutputNoise() / gain;
}

}  // namespace ob7
