#include "app/statistics_dialog.h"

#include <unistd.h>

#include <cstdio>

#include "app/about_box.h"
#include "app/circuit_analysis.h"
#include "circuit/active_circuit.h"
#include "circuit/views/cct_draw.h"
#include "libraries/component_def.h"
#include "libraries/component_types.h"
#include "plots/plot_view.h"
#include "ui/framework/draw_window.h"

namespace ob7 {

namespace {

constexpr int kList = 109;

std::string Format(const char* format, const char* text) {
    char line[200];
    std::snprintf(line, sizeof line, format, text);
    return line;
}

platform::DialogTemplate StatisticsTemplate() {
    using platform::ControlKind;
    return {17101, "Statistics", {220, 150}, {
        {ControlKind::ListBox, kList, "", {7, 7, 213, 120}},
        {ControlKind::DefPushButton, 2, "Close", {163, 128, 213, 142}},
    }};
}

// Types of this class are drawing aids (ground, ties, jumpers, shorts), not components.
constexpr int kUncountedClass = 8400;

// The circuit whose parts are counted: the active one, else the schematic on top.
const CircuitDocument* CountedCircuit() {
    if (ActiveCircuit) return ActiveCircuit;
    CMDIFrame* top = GetTopFrame();
    auto* view = top && top->kind == kDrawSchematic ? dynamic_cast<CCTDraw*>(top->draw) : nullptr;
    return view ? view->document.get() : nullptr;
}

}  // namespace

std::vector<std::string> ComponentCountLines(const CircuitDocument& doc, bool byType) {
    int counts[kComponentTypeCount] = {};
    int total = 0;
    for (const auto& object : doc.objects) {
        if (object->kind != OK_COMPONENT || !object->def) continue;
        const int type = object->def->type;
        if (type == CT_NULL || !IsValidComponentType(type) || ComponentTypeTable[type].pinNameBase == kUncountedClass)
            continue;
        ++counts[type];
        ++total;
    }
    std::vector<std::string> lines;
    char line[200];
    std::snprintf(line, sizeof line, "Components = %d", total);
    lines.push_back(line);
    if (!byType) return lines;
    for (int type = 1; type < kComponentTypeCount; ++type) {
        if (counts[type] == 0) continue;
        std::snprintf(line, sizeof line, "%s = %d", ComponentTypeTable[type].definitionName, counts[type]);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> StatisticsLines() {
    std::vector<std::string> lines;
    lines.push_back(Format("Version = %s", kProgramVersion));
    lines.push_back(Format("Executable date = %s", __DATE__));
    const double bytes = static_cast<double>(sysconf(_SC_PHYS_PAGES)) * static_cast<double>(sysconf(_SC_PAGESIZE));
    char memory[100];
    std::snprintf(memory, sizeof memory, "RAM memory installed = %.3f MEG", bytes / (1024.0 * 1024.0));
    lines.push_back(memory);
    AnalysisStatistics stats;
    CAPDraw* view = ActiveAnalysisView();
    const bool analysis = view && ActiveAnalysisStatistics(stats);
    const CircuitDocument* circuit = CountedCircuit();
    if (!analysis) {
        if (GetTopFrame() || ActiveCircuit) {
            std::vector<std::string> parts = circuit ? ComponentCountLines(*circuit, false)
                                                     : std::vector<std::string>{"Components = 0"};
            lines.insert(lines.end(), parts.begin(), parts.end());
        }
        return lines;
    }
    char line[200];
    auto add = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        lines.push_back(line);
    };
    add("Setup Time = %g", stats.setupSeconds);
    add("Run Time = %g", stats.runSeconds);
    add("Analog Nodes = %d", stats.analogNodes);
    add("Digital Nodes = %d", stats.digitalNodes);
    const PlotData& data = view->data;
    for (int c = 0; c < data.CurveCount(); ++c) {
        const StoreCurve& store = data.storeCurves[c];
        if (data.curves[c].digital || store.runLast.empty() || store.pointCount < 0) continue;
        add("Analog Data Points Per Waveform = %d", store.runLast.back() - store.runFirst.back() + 1);
        break;
    }
    int total = 0;
    for (int c = 0; c < data.CurveCount(); ++c) {
        const int points = data.storeCurves[c].pointCount + 1;
        add("%.25s = %d Data Pts", data.curves[c].caption.c_str(), points);
        total += points;
    }
    add("Total Data Points = %d", total);
    if (circuit) {
        std::vector<std::string> parts = ComponentCountLines(*circuit, ActiveCircuit != nullptr);
        lines.insert(lines.end(), parts.begin(), parts.end());
    } else {
        lines.push_back("Components = 0");
    }
    add("Total Iterations=%ld", stats.iterations);
    add("Rejected Solutions=%ld", stats.rejectedSolutions);
    add("Total Solutions=%ld", stats.totalSolutions);
    add("Number of Equations=%d", stats.equations);
    return lines;
}

CStatisticsDlg::CStatisticsDlg() : CDialog2(StatisticsTemplate()) {}

bool CStatisticsDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    for (const std::string& line : StatisticsLines()) AddString(kList, line);
    return true;
}

}  // namespace ob7
