#include "sim/digital/digital_path.h"

#include <algorithm>
#include <cstdio>

#include "foundation/numbers.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/primitive_eval.h"

namespace ob7 {

namespace {

bool IsChainGate(int primitive) {
    const int mt = DigitalNet.prims[primitive].model_type;
    return mt == kMtUgate || mt == kMtUtgate;
}

bool Inverts(int type) {
    switch (type) {
    case kCtInv: case kCtNand: case kCtNor: case kCtNxor: case kCtAoi: case kCtOai:
    case kCtInv3: case kCtNand3: case kCtNor3: case kCtNxor3:
        return true;
    default:
        return false;
    }
}

struct PathBuilder {
    DigitalPathSet& set;
    std::vector<uint8_t> visited;  // per fan-out entry
    std::vector<int> current;

    void ExtendFrom(int node, size_t depth) {
        const DigitalNetwork& n = DigitalNet;
        bool continued = false;
        const std::vector<int> prefix(current.begin(), current.begin() + static_cast<long>(depth));
        for (int f = n.fanout_begin[node]; f < n.fanout_begin[node + 1]; ++f) {
            const int reader = n.fanout[f];
            if (reader == 0 || visited[f] || !IsChainGate(reader)) continue;
            if (set.paths.size() >= kMaxDigitalPaths) {
                set.truncated = true;
                return;
            }
            if (continued) {
                set.paths.push_back(prefix);  // a further reader starts a new path
            }
            continued = true;
            std::vector<int>& path = set.paths.back();
            path.resize(depth);
            path.push_back(reader);
            current = path;
            visited[f] = 1;
            const Primitive& p = n.prims[reader];
            ExtendFrom(n.Pin(p.pin_begin + p.pin_count - 1), depth + 1);
            visited[f] = 0;
        }
    }

    void AddPathsFrom(int source) {
        const Primitive& p = DigitalNet.prims[source];
        for (int k = p.outputs; k >= 1; --k) {
            if (set.paths.size() >= kMaxDigitalPaths) {
                set.truncated = true;
                return;
            }
            set.paths.push_back({source});
            current = {source};
            ExtendFrom(DigitalNet.Pin(p.pin_begin + p.pin_count - k), 1);
        }
    }
};

}  // namespace

int FindPrimitiveOfPart(const std::string& part) {
    for (size_t i = 1; i < DigitalNet.prims.size(); ++i)
        if (!part.empty() && DigitalNet.info[i].part == part) return static_cast<int>(i);
    return 0;
}

bool IsPathSource(int primitive) {
    const Primitive& p = DigitalNet.prims[primitive];
    return p.type == kCtStim || p.type == kCtFstim || p.type == kCtDigitalSwitch || p.type == kCtDigitalState ||
           p.model_type == kMtUeff || p.model_type == kMtUgff;
}

DigitalPathSet BuildDigitalPaths(int start, int end) {
    DigitalPathSet set;
    PathBuilder b{set, std::vector<uint8_t>(DigitalNet.fanout.size(), 0), {}};
    if (start > 0) {
        b.AddPathsFrom(start);
    } else {
        for (size_t i = 1; i < DigitalNet.prims.size(); ++i)
            if (IsPathSource(static_cast<int>(i))) b.AddPathsFrom(static_cast<int>(i));
    }
    if (start > 0 && end > 0) {
        std::vector<std::vector<int>> kept;
        for (std::vector<int>& path : set.paths) {
            auto at = std::find(path.begin() + 1, path.end(), end);
            if (at == path.end()) continue;
            path.erase(at + 1, path.end());
            if (std::find(kept.begin(), kept.end(), path) == kept.end()) kept.push_back(path);
        }
        set.paths = std::move(kept);
    }
    return set;
}

DigitalPathSet PathsBetweenParts(const std::string& start_part, const std::string& end_part) {
    const int start = start_part.empty() ? 0 : FindPrimitiveOfPart(start_part);
    const int end = end_part.empty() ? 0 : FindPrimitiveOfPart(end_part);
    if ((!start_part.empty() && start == 0) || (!end_part.empty() && end == 0)) return {};
    return BuildDigitalPaths(start, end);
}

std::vector<std::string> PathParts(const std::vector<int>& path) {
    std::vector<std::string> parts;
    for (int prim : path) parts.push_back(DigitalNet.info[prim].part);
    return parts;
}

std::vector<PathLink> PathLinks(const std::vector<int>& path) {
    const DigitalNetwork& n = DigitalNet;
    std::vector<PathLink> links;
    for (size_t i = 1; i < path.size(); ++i) {
        const Primitive& a = n.prims[path[i - 1]];
        const Primitive& b = n.prims[path[i]];
        const int32_t* bp = PinsOf(path[i]);
        for (int k = a.outputs; k >= 1; --k) {
            const int node = n.Pin(a.pin_begin + a.pin_count - k);
            if (node <= 0 || std::find(bp, bp + (b.pin_count - b.outputs), node) == bp + (b.pin_count - b.outputs))
                continue;
            const std::string name = static_cast<size_t>(node) < n.node_names.size() ? n.node_names[node] : "";
            links.push_back({n.info[path[i - 1]].part, n.info[path[i]].part, node, name});
        }
    }
    return links;
}

double PathDelay(const std::vector<int>& path, int level, int* final_level) {
    DigitalRunState& r = DigitalRun;
    const bool saved = r.path_analysis;
    r.path_analysis = true;
    r.now = 0;
    int lvl = level ? kLvl1 : kLvl0;
    uint64_t ticks = 0;
    for (int prim : path) {
        const Primitive& p = DigitalNet.prims[prim];
        if (Inverts(p.type)) lvl = DigitalInvert(lvl);
        const int node = DigitalNet.Pin(p.pin_begin + p.pin_count - 1);
        const DigitalState value = MakeState(lvl, 30);
        if (p.model_type == kMtUeff || p.model_type == kMtUgff) {
            ticks += ScheduleFlipFlopOutput(0, p.default_low, p.default_high, node, prim, value, 4, true);
        } else if (p.model_type == kMtUgate || p.model_type == kMtUtgate || p.model_type == kMtNone) {
            ticks += ScheduleGateOutput(0, p.default_low, p.default_high, node, prim, value, true);
        }
    }
    r.path_analysis = saved;
    if (final_level) *final_level = lvl;
    return static_cast<double>(ticks) * r.tick_length;
}

void PathDelays(const std::vector<int>& path, double* lh, double* hl) {
    int end0 = 0, end1 = 0;
    const double d0 = PathDelay(path, 0, &end0);
    const double d1 = PathDelay(path, 1, &end1);
    *lh = d1;
    *hl = d0;
    if (end1 != kLvl1) std::swap(*lh, *hl);
}

std::vector<PathListRow> FillPathList(const DigitalPathSet& set, int path_column, int digits, int style) {
    SetDigitalTickLength(0, 1e-6);
    ComputeDigitalPrimitiveDelays();
    const std::string number_blank(5, ' ');  // the width of "0000 "
    auto pad = [](std::string s, size_t width) {
        if (s.size() < width) s.append(width - s.size(), ' ');
        return s;
    };
    std::vector<PathListRow> rows;
    rows.push_back({pad("No.", 5) + pad("Path", static_cast<size_t>(path_column)) + "LH-Delay  HL-Delay", 0});
    for (size_t i = 0; i < set.paths.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        char head[16];
        std::snprintf(head, sizeof head, "%4.4d", number);
        std::string names;
        std::string line = pad(head, 5);
        for (int prim : set.paths[i]) {
            const std::string& part = DigitalNet.info[prim].part;
            const std::string item = (part.empty() ? std::string("#####") : part) + " ";
            if (!names.empty() && names.size() + item.size() > static_cast<size_t>(path_column)) {
                rows.push_back({line + names, number});
                line = number_blank;
                names.clear();
            }
            names += item;
        }
        double lh = 0, hl = 0;
        PathDelays(set.paths[i], &lh, &hl);
        auto format = [&](double v) {
            std::string t = FormatNumberText(v, digits, style, 0);
            t.erase(0, t.find_first_not_of(' '));
            t.erase(t.find_last_not_of(' ') + 1);
            return std::string(t.size() < 8 ? 8 - t.size() : 0, ' ') + t;
        };
        rows.push_back({line + pad(names, static_cast<size_t>(path_column)) + format(lh) + "  " + format(hl), number});
    }
    return rows;
}

std::vector<std::vector<std::string>> PathListPages(const std::vector<PathListRow>& rows, int lines_per_page,
                                                    const std::string& title) {
    std::vector<std::vector<std::string>> pages;
    if (rows.size() <= 1) return pages;
    const size_t per_page = static_cast<size_t>(std::max(1, lines_per_page - 2));  // page line and header
    for (size_t at = 1; at < rows.size(); at += per_page) {
        char head[32];
        std::snprintf(head, sizeof head, "Page %-2d  ", static_cast<int>(pages.size()) + 1);
        std::vector<std::string> page = {head + title, rows[0].text};
        for (size_t i = at; i < rows.size() && i < at + per_page; ++i) page.push_back(rows[i].text);
        pages.push_back(std::move(page));
    }
    return pages;
}

}  // namespace ob7
