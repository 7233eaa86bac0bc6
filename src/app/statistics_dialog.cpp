#include "app/statistics_dialog.h"

#include <unistd.h>

#include <cstdio>

#include "app/about_box.h"

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
    return lines;
}

CStatisticsDlg::CStatisticsDlg() : CDialog2(StatisticsTemplate()) {}

bool CStatisticsDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    for (const std::string& line : StatisticsLines()) AddString(kList, line);
    return true;
}

}  // namespace ob7
