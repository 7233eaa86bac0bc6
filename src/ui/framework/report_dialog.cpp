#include "ui/framework/report_dialog.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "foundation/owned_strings.h"
#include "foundation/messages.h"
#include "platform/desktop.h"
#include "platform/draw_context.h"
#include "platform/image.h"

namespace ob7 {

using platform::ControlKind;
using platform::ControlSpec;
using platform::DialogTemplate;
using platform::Rect;

namespace {

HelpTopicHandler& TopicHandler() {
    static HelpTopicHandler handler;
    return handler;
}

enum : int { kText = 101, kLines = 109, kHelpText = 10, kCheck = 112, kHelpButton = 21, kSyntaxButton = 34,
             kIcon = 120 };
constexpr int kIconUnits = 20;  // the icon's side in dialog units

struct ButtonDef {
    int id;
    const char* text;
};

std::vector<ButtonDef> ButtonsOfStyle(int style) {
    switch (style & 0xF) {
    case 0: return {{1, "&OK"}};
    case 1: return {{1, "&OK"}, {2, "&Cancel"}};
    case 2: return {{3, "&Abort"}, {4, "&Retry"}, {5, "&Ignore"}};
    case 3: return {{6, "&Yes"}, {7, "&No"}, {2, "&Cancel"}};
    case 4: return {{6, "&Yes"}, {7, "&No"}};
    case 5: return {{4, "&Retry"}, {2, "&Cancel"}};
    case 6: return {{6, "&Yes"}, {32, "Yes to &All"}, {7, "&No"}, {33, "No to All"}, {2, "&Cancel"}};
    default: return {};
    }
}

bool IsDefaultButton(int id) { return id == 1 || id == 4 || id == 6 || id == 32; }

// Lines of a text wrapped at a column count (dialog units are about 4 per character).
std::vector<std::string> Wrap(const std::string& text, size_t columns) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string paragraph;
    while (std::getline(in, paragraph)) {
        while (paragraph.size() > columns) {
            size_t cut = paragraph.rfind(' ', columns);
            if (cut == std::string::npos || cut == 0) cut = columns;
            out.push_back(paragraph.substr(0, cut));
            paragraph.erase(0, paragraph[cut] == ' ' ? cut + 1 : cut);
        }
        out.push_back(paragraph);
    }
    while (!out.empty() && out.back().empty()) out.pop_back();
    if (out.empty()) out.push_back("");
    return out;
}

// The layout in dialog units: text, list of labelled lines, check box, a row of buttons.
DialogTemplate LayoutOf(const ReportDelivery& report) {
    constexpr int M = 7, BW = 42, BH = 14, G = 4, kLine = 9;
    platform::Size screen = platform::desktop::ScreenSize();
    // Two thirds of the screen, in dialog units (about 2 pixels a unit across, 2 down).
    size_t maxColumns = std::max<size_t>(30, static_cast<size_t>(screen.cx * 2 / 3 / 6));
    std::vector<std::string> lines = Wrap(report.text, std::min<size_t>(maxColumns, 70));
    size_t widest = 0;
    for (const std::string& l : lines) widest = std::max(widest, l.size());
    int textW = static_cast<int>(widest) * 4 + 5, textH = static_cast<int>(lines.size()) * kLine + 4;
    int listW = 0, listH = 0;
    size_t label = 0, value = 0;
    for (const ReportLine& l : report.lines) {
        label = std::max(label, l.label.size());
        value = std::max(value, std::min<size_t>(l.value.size(), 99));
    }
    if (!report.lines.empty()) {
        listW = static_cast<int>(label + value) * 4 + 16;
        listH = static_cast<int>(report.lines.size()) * kLine + 6;
    }
    std::vector<ButtonDef> buttons = ButtonsOfStyle(report.style);
    if (report.id != 0 && report.hasHelp) buttons.push_back({kHelpButton, "&Help..."});
    if (report.syntaxTopic && TopicHandler()) buttons.push_back({kSyntaxButton, "&Syntax..."});
    bool icon = (report.style & 0xF0) != 0;
    int textLeft = icon ? M + kIconUnits + 2 * G : M;
    int width = std::max(textW, listW) + textLeft + M + 20;
    if (report.hasHelp) width = std::max(width, 240);
    width = std::max(width, static_cast<int>(buttons.size()) * (BW + G) + G + 2 * M);
    width = std::max(width, 160);

    DialogTemplate t{1023, report.caption, {width, 0}, {}};
    int y = M;
    std::string text = report.text;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (icon)
        t.controls.push_back({ControlKind::OwnerDrawButton, kIcon, "", Rect{M, M, M + kIconUnits, M + kIconUnits},
                              platform::kCtlDisabled});
    t.controls.push_back({ControlKind::Static, kText, text, Rect{textLeft, y, width - M, y + textH}});
    y += std::max(textH, icon ? kIconUnits : 0) + G;
    if (!report.lines.empty()) {
        std::string list;
        for (const ReportLine& l : report.lines) {
            std::string row = l.label + "\t" + l.value;
            if (row.size() > 99) row.resize(99);
            list += (list.empty() ? "" : "\r\n") + row;
        }
        t.controls.push_back({ControlKind::MultiLineEdit, kLines, list, Rect{M, y, width - M, y + listH},
                              platform::kCtlReadOnly});
        y += listH + G;
    }
    if (report.checkBox) {
        t.controls.push_back({ControlKind::CheckBox, kCheck, "Don't warn me anymore.",
                              Rect{textLeft, y, width - M, y + 12}});
        y += 12 + G;
    }
    y += G;
    // Buttons in one row with equal gaps.
    int n = static_cast<int>(buttons.size());
    int gap = n ? (width - n * BW) / (n + 1) : 0;
    for (int i = 0; i < n; ++i) {
        int x = BW * i + (i + 1) * gap;
        t.controls.push_back({IsDefaultButton(buttons[i].id) && i == 0 ? ControlKind::DefPushButton
                                                                        : ControlKind::PushButton,
                              buttons[i].id, buttons[i].text, Rect{x, y, x + BW, y + BH}});
    }
    if (n) y += BH;
    y += M;
    t.controls.push_back({ControlKind::MultiLineEdit, kHelpText, "", Rect{M, y, width - M, y + 80},
                          platform::kCtlReadOnly | platform::kCtlHidden});
    t.size.cy = y;
    return t;
}

}  // namespace

void SetHelpTopicHandler(HelpTopicHandler handler) { TopicHandler() = std::move(handler); }

CReportDlg::CReportDlg(ReportDelivery& report) : CDialog2(LayoutOf(report)), report_(report) {
    helpId = 0;
    for (int id : {1, 2, 3, 4, 5, 6, 7, 32, 33}) OnCommand(id, [this](int b) { End(b); });
    OnCommand(kHelpButton, [this](int) { ToggleHelp(); });
    OnCommand(kSyntaxButton, [this](int) {
        if (TopicHandler()) TopicHandler()(report_.syntaxTopic);
    });
}

bool CReportDlg::OnInitDialog() {
    CurrentDialog = this;
    // At the screen centre, shifted by the offsets, and kept wholly on the screen.
    platform::Size screen = platform::desktop::ScreenSize();
    Rect r = WindowRect();
    int x = screen.cx / 2 + report_.offsetX * screen.cx / 200 - r.Width() / 2;
    int y = screen.cy / 2 + report_.offsetY * screen.cy / 200 - r.Height() / 2;
    x = std::clamp(x, 0, std::max(0, screen.cx - r.Width()));
    y = std::clamp(y, 0, std::max(0, screen.cy - r.Height()));
    Move(Rect{x, y, x + r.Width(), y + r.Height()});
    normal_ = WindowRect();
    // One tab stop after the widest label of the list.
    size_t label = 0;
    for (const ReportLine& l : report_.lines) label = std::max(label, l.label.size());
    if (!report_.lines.empty()) SetTabStops(kLines, {static_cast<int>(label) * 4 + 16});
    for (const auto& spec : Template().controls)
        if (spec.kind == ControlKind::PushButton || spec.kind == ControlKind::DefPushButton) {
            FocusItem(spec.id);
            break;
        }
    return false;
}

void CReportDlg::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    if (item.controlId != kIcon) return;
    using platform::desktop::MessageIcon;
    int bits = report_.style & 0xF0;
    MessageIcon which = bits == 0x10 ? MessageIcon::Hand : bits == 0x20 ? MessageIcon::Question
                        : bits == 0x30 ? MessageIcon::Exclamation : MessageIcon::Asterisk;
    int side = std::min(item.rect.Width(), item.rect.Height());
    platform::Image icon = platform::desktop::StandardIcon(which, side);
    dc.FillRect(item.rect, platform::Brush::Solid(platform::desktop::GetSystemColor(
                               platform::desktop::SystemColor::ButtonFace)));
    dc.BitBlt(platform::Point{0, 0}, icon, Rect{0, 0, side, side});
}

void CReportDlg::End(int button) {
    if (report_.checkBox) report_.checkBoxTicked = IsButtonChecked(kCheck) != 0;
    EndDialogSavePos(button);
}

void CReportDlg::ToggleHelp() {
    if (!helpShown) {
        char* text = LoadExtendedHelp(report_.id, nullptr);
        SetItemText(kHelpText, text ? text : "");
        if (text) StrFree(&text);
        ShowItem(kHelpText, true);
        Rect extra = MapDialogRect(Rect{0, 0, 0, 88});
        Move(Rect{normal_.left, normal_.top, normal_.right, normal_.bottom + extra.Height()});
    } else {
        ShowItem(kHelpText, false);
        Move(normal_);
    }
    helpShown = !helpShown;
}

int DialogReportContext::ShowReportDialog(ReportDelivery& report) {
    CReportDlg dialog(report);
    return dialog.DoModal();
}

}  // namespace ob7
