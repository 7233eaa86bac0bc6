#include "sim/digital/ui/digital_path_dialog.h"

#include <algorithm>

#include "platform/application.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "sim/digital/digital_network.h"
#include "ui/framework/colour_controls.h"
#include "ui/framework/print_services.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

using platform::ControlKind;
using platform::DialogTemplate;
using platform::Rect;

namespace {

CDigitalPathDlg* openPathDialog = nullptr;
RememberedPosition pathPosition;

constexpr char kDelayHeader[] = "LH-Delay  HL-Delay";
constexpr int kListMargin = 4;      // pixels between the list's frame and its text
constexpr int kScrollBarWidth = 20; // room for the list's vertical scroll bar
constexpr int kPrintPoints = 10;    // type size of printed lists

DialogTemplate PathTemplate() {
    return DialogTemplate{kDigitalPathTemplate, "Path", {330, 180}, {
        {ControlKind::ListBox, kIdPathList, "", Rect{7, 7, 323, 152}},
        {ControlKind::PushButton, kIdPathClose, "&Close", Rect{7, 159, 67, 173}},
        {ControlKind::PushButton, kIdPathColour, "C&olor...", Rect{95, 159, 155, 173}},
        {ControlKind::PushButton, kIdPathPrint, "&Print", Rect{183, 159, 243, 173}},
        {ControlKind::PushButton, kIdPathHelp, "&Help...", Rect{263, 159, 323, 173}},
    }};
}

platform::Font CourierFont(int height) {
    platform::Font f;
    f.face = "Courier New";
    f.height = height;
    return f;
}

int TextWidth(const platform::Font& font, const std::string& text) {
    platform::Image scratch(1, 1);
    platform::DrawContext dc(scratch);
    dc.SetFont(font);
    return dc.TextExtent(text).cx;
}

}  // namespace

CDigitalPathDlg::CDigitalPathDlg(DigitalPathHost& host, std::string startPart, std::string endPart)
    : CDialog2(PathTemplate(), &pathPosition, host.PathWindow()),
      host_(host),
      start_(std::move(startPart)),
      end_(std::move(endPart)),
      listFont_(CourierFont(-12)) {
    OnCommand(kIdPathClose, [this](int) { Close(); });
    OnCommand(kIdPathColour, [this](int) {
        RunColourSheet(this, host_.highlightColour);
        HighlightSelection();
    });
    OnCommand(kIdPathPrint, [this](int) { PrintList(); });
}

CDigitalPathDlg::~CDigitalPathDlg() {
    if (openPathDialog == this) openPathDialog = nullptr;
}

int CDigitalPathDlg::PathColumnWidth() {
    // The list font is fixed-pitch: the path column holds what the list's width leaves
    // beside the number column and the delays.
    const double charWidth = std::max(1, TextWidth(listFont_, std::string(40, '0'))) / 40.0;
    const int width = ItemRect(kIdPathList).Width() - 2 * kListMargin - kScrollBarWidth -
                      TextWidth(listFont_, kDelayHeader);
    return std::max(8, static_cast<int>(width / charWidth) - 5);
}

bool CDigitalPathDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    Shell.digitalPathDialogOpen = true;
    SetItemFont(kIdPathList, listFont_);
    paths_ = PathsBetweenParts(start_, end_);
    rows_ = FillPathList(paths_, PathColumnWidth(), host_.delayFormat.digits, host_.delayFormat.style);
    ResetContent(kIdPathList);
    for (const PathListRow& row : rows_) {
        const int at = AddString(kIdPathList, row.text);
        SetItemData(kIdPathList, at, row.path);
    }
    if (rows_.size() > 1) {
        SetCurSel(kIdPathList, 1);
        HighlightSelection();
    }
    return true;
}

void CDigitalPathDlg::OnControlNotify(int id, platform::Notify code) {
    if (id == kIdPathList && code == platform::Notify::SelChange) HighlightSelection();
}

void CDigitalPathDlg::HighlightSelection() {
    const int sel = CurSel(kIdPathList);
    if (sel < 0) return;
    const long long number = ItemData(kIdPathList, sel);
    if (number < 1 || number > static_cast<long long>(paths_.paths.size())) return;
    const std::vector<int>& path = paths_.paths[static_cast<size_t>(number - 1)];
    // The delays are in ticks of a 1 us run, as the list shows them.
    SetDigitalTickLength(0, 1e-6);
    ComputeDigitalPrimitiveDelays();
    host_.HighlightPath(PathParts(path), PathLinks(path), host_.highlightColour);
}

bool CDigitalPathDlg::PrintList() {
    if (rows_.size() <= 1) return false;
    PrintJobRun run;
    if (!run.Start(this, "Path")) return false;
    platform::DrawContext* dc = run.StartPage();
    if (!dc) return false;
    const int dpi = std::max(72, run.Job().Dpi());
    const platform::Font font = CourierFont(-kPrintPoints * dpi / 72);
    dc->SetFont(font);
    const int lineHeight = std::max(1, dc->GetTextMetrics().height);
    const int margin = dpi / 2;
    const platform::Size page = run.Job().PageSize();
    const int lines = std::max(3, (page.cy - 2 * margin) / lineHeight);
    const auto pages = PathListPages(rows_, lines, host_.PathCircuitTitle());
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            dc = run.StartPage();
            if (!dc) return false;
            dc->SetFont(font);
        }
        int y = margin;
        for (const std::string& line : pages[i]) {
            dc->TextOut({margin, y}, line);
            y += lineHeight;
        }
        if (!run.EndPage() || run.Cancelled()) return false;
    }
    return true;
}

void CDigitalPathDlg::Close() {
    SavePosition();
    DestroyModeless();
}

void CDigitalPathDlg::OnCancel() { Close(); }

void CDigitalPathDlg::OnDestroy() {
    if (openPathDialog != this) return;
    openPathDialog = nullptr;
    Shell.digitalPathDialogOpen = false;
    paths_ = {};
    rows_.clear();
    host_.ReleasePathCircuit();
    if (platform::Application* app = platform::Application::Instance()) app->Post([self = this] { delete self; });
}

CDigitalPathDlg* OpenDigitalPathDialog() { return openPathDialog; }

CDigitalPathDlg* ShowDigitalPathDialog(DigitalPathHost& host, const std::string& startPart,
                                       const std::string& endPart) {
    if (openPathDialog) {
        openPathDialog->Show(true);
        openPathDialog->SetFocus();
        return openPathDialog;
    }
    if (host.CompilePathCircuit() != 0) {
        host.ReleasePathCircuit();
        return nullptr;
    }
    openPathDialog = new CDigitalPathDlg(host, startPart, endPart);
    if (!openPathDialog->CreateModeless(host.PathWindow())) {
        delete openPathDialog;
        openPathDialog = nullptr;
        Shell.digitalPathDialogOpen = false;
        host.ReleasePathCircuit();
    }
    return openPathDialog;
}

}  // namespace ob7
