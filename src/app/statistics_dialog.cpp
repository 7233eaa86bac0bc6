#include "app/statistics_dialog.h"

#include <unistd.h>

#include <cstdio>

#include "app/about_box.h"
#include "app/circuit_analysis.h"
#include "plots/plot_view.h"

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

}  // namespace

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
    if (!view || !ActiveAnalysisStatistics(stats)) return lines;
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
    add("Total Iterations=%ld", stats.iterations);
    add("Rejected Solutions=%ld", stats.rejectedSolutions);
    add("Total Solutions=%ld", stats.totalSolutions);
    return lines;
}

CStatisticsDlg::CStatisticsDlg() : CDialog2(StatisticsTemplate()) {}

bool CStatisticsDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    for (const std::string& line : StatisticsLines()) AddString(kList, line);
    return true;
}

}  // namespace ob7
