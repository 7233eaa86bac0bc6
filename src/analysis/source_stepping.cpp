#include "analysis/source_stepping.h"

#include <strings.h>

#include "sim/devices/independent_sources.h"

namespace ob7 {

namespace {

struct WaveformNames {
    int kind;
    const char* names[7];  // by position in the source's parameters; null ends
};

const WaveformNames kWaveforms[] = {
    {kSourcePulse, {"pulse.v1", "pulse.v2", "pulse.td", "pulse.tr", "pulse.tf", "pulse.pw", "pulse.per"}},
    {kSourceSin, {"sin.vo", "sin.va", "sin.freq", "sin.td", "sin.df"}},
    {kSourceExp, {"exp.v1", "exp.v2", "exp.td1", "exp.tc1", "exp.td2", "exp.tc2"}},
    {kSourceSffm, {"sffm.vo", "sffm.va", "sffm.freq", "sffm.mi", "sffm.fm"}},
};

// A current source asks for "i" where the table has "v" right after the dot.
std::string ForSource(const SpiceSource& s, const char* name) {
    std::string text = name;
    const size_t dot = text.find('.');
    if (!s.IsVoltage() && dot + 1 < text.size() && text[dot + 1] == 'v') text[dot + 1] = 'i';
    return text;
}

const WaveformNames* WaveformOf(const SpiceSource& s) {
    for (const WaveformNames& w : kWaveforms)
        if (w.kind == s.spec_kind) return &w;
    return nullptr;
}

}  // namespace

std::vector<std::string> SpiceSourceStepNames(const SpiceSource& source) {
    std::vector<std::string> out = {"dc.value", "ac.magval", "ac.phaseval"};
    if (const WaveformNames* w = WaveformOf(source))
        for (int i = 0; i < 7 && w->names[i] && i <= source.last_given_parameter; ++i)
            out.push_back(ForSource(source, w->names[i]));
    return out;
}

double* SpiceSourceStepTarget(SpiceSource& source, const std::string& name) {
    if (strcasecmp(name.c_str(), "dc.value") == 0) return &source.dc_value;
    if (strcasecmp(name.c_str(), "ac.magval") == 0) return &source.ac_magnitude;
    if (strcasecmp(name.c_str(), "ac.phaseval") == 0) return &source.ac_phase;
    if (const WaveformNames* w = WaveformOf(source))
        for (int i = 0; i < 7 && w->names[i] && i <= source.last_given_parameter; ++i)
            if (strcasecmp(name.c_str(), ForSource(source, w->names[i]).c_str()) == 0) return &source.p[i];
    return nullptr;
}

}  // namespace ob7
