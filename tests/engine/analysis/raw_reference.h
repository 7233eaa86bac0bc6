#pragma once
// Reads the ASCII result files of the reference simulator kept in tests/engine/data:
// the variable names and, per point, the values (complex ones as re,im pairs).

#include <complex>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ob7 {

struct RawReference {
    std::vector<std::string> names;
    std::vector<std::vector<std::complex<double>>> points;  // [point][variable]
    bool ok = false;

    int Index(const std::string& name) const {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return static_cast<int>(i);
        return -1;
    }
    std::vector<double> Real(const std::string& name) const {
        std::vector<double> v;
        const int k = Index(name);
        for (const auto& p : points) v.push_back(k < 0 ? 0 : p[k].real());
        return v;
    }
    std::vector<std::complex<double>> Complex(const std::string& name) const {
        std::vector<std::complex<double>> v;
        const int k = Index(name);
        for (const auto& p : points) v.push_back(k < 0 ? 0.0 : p[k]);
        return v;
    }
};

inline std::complex<double> ParseRawValue(const std::string& text) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos) return {std::stod(text), 0.0};
    return {std::stod(text.substr(0, comma)), std::stod(text.substr(comma + 1))};
}

// The first plot of the file (a noise file's spectra come first).
inline RawReference ReadRawReference(const std::string& file) {
    RawReference r;
    std::ifstream in(std::string(OB7_ENGINE_TEST_DATA) + "/" + file);
    if (!in) return r;
    std::string line;
    size_t variables = 0, count = 0;
    while (std::getline(in, line)) {
        if (line.rfind("No. Variables:", 0) == 0) variables = std::stoul(line.substr(14));
        else if (line.rfind("No. Points:", 0) == 0) count = std::stoul(line.substr(11));
        else if (line.rfind("Variables:", 0) == 0) {
            for (size_t i = 0; i < variables && std::getline(in, line); ++i) {
                std::istringstream fields(line);
                std::string index, name;
                fields >> index >> name;
                r.names.push_back(name);
            }
        } else if (line.rfind("Values:", 0) == 0) {
            std::string token;
            for (size_t p = 0; p < count; ++p) {
                std::vector<std::complex<double>> values;
                in >> token;  // point index
                for (size_t i = 0; i < variables && in >> token; ++i) values.push_back(ParseRawValue(token));
                r.points.push_back(values);
            }
            r.ok = r.points.size() == count && count > 0;
            return r;
        }
    }
    return r;
}

// The largest deviation of (x, y) resampled linearly onto the reference abscissas,
// relative to the reference curve's span.
inline double WorstDeviationOfSpan(const std::vector<double>& x, const std::vector<double>& y,
                                   const std::vector<double>& ref_x, const std::vector<double>& ref_y) {
    double lo = ref_y[0], hi = ref_y[0];
    for (double v : ref_y) lo = std::min(lo, v), hi = std::max(hi, v);
    const double span = hi - lo > 0 ? hi - lo : 1.0;
    double worst = 0;
    size_t k = 0;
    for (size_t i = 0; i < ref_x.size(); ++i) {
        const double t = ref_x[i];
        while (k + 1 < x.size() && x[k + 1] < t) ++k;
        double value = y[k];
        if (k + 1 < x.size() && x[k + 1] != x[k])
            value = y[k] + (y[k + 1] - y[k]) * (t - x[k]) / (x[k + 1] - x[k]);
        worst = std::max(worst, std::fabs(value - ref_y[i]) / span);
    }
    return worst;
}

}  // namespace ob7
