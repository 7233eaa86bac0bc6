#include "analysis_ui/analysis_limits_dialog.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "analysis_ui/curve_cells.h"
#include "analysis_ui/curve_file_menus.h"
#include "analysis_ui/expand_text_dialog.h"
#include "analysis_ui/expression_menu.h"
#include "platform/accelerator.h"
#include "platform/desktop.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "platform/input.h"
#include "plots/analysis_window.h"
#include "sim/engine/run_control.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

CAnalysisLimitsDlg* AnalysisLimitsDialog = nullptr;

namespace {
// A closed dialog is deleted when the next one opens: it may still be on the stack of
// its own close handling.
std::unique_ptr<CAnalysisLimitsDlg> ClosedDialog;
std::unique_ptr<CAnalysisLimitsDlg> OpenDialog;
}  // namespace

namespace {

using platform::ControlKind;
using platform::Notify;

constexpr int kRowUnits = 13;   // dialog units from one grid row to the next
constexpr int kIconUnits = 10;  // width of one icon of the strip
constexpr int kPageRows = 9;

// Flag-word fields the dialog edits.
constexpr int kOperatingPointBit = 0x40, kOperatingPointOnlyBit = 0x80, kAutoScaleBit = 0x8000;
constexpr int kRunOptionShift = 8, kStateShift = 10, kFrequencyStepShift = 12;

// The field whose "Number of Points" numeric output needs, and "Maximum Change %".
int PointsField(int kind) { return kind == kCurvesTransient ? 2 : kind == kCurvesAc ? 1 : 4; }

// Help-line prompts of the limit fields: their formats.
const char* FieldPrompt(int kind, int field) {
    static const char* transient[] = {"tmax[,tmin]", "Maximum time step", "Number of numeric output points",
                                      "High[,Low[,Step]]"};
    static const char* ac[] = {"fmax[,fmin]",      "Number of numeric output points", "High[,Low[,Step]]",
                               "Maximum change %", "Noise input source",              "node1[,node2]"};
    static const char* dc[] = {"Final[,Initial[,Step]]",    "Variable 2 name",
                               "Final[,Initial[,MaxStep]]", "Variable 1 name",
                               "Number of numeric output points", "High[,Low[,Step]]", "Maximum change %"};
    if (kind == kCurvesAc) return ac[field];
    if (kind == kCurvesDc) return dc[field];
    return transient[field];
}

constexpr const char* kColumnPrompts[5] = {"Plot group: 1 to 9, blank for none", "X expression", "Y expression",
                                           "X range: High[,Low[,Grid[,Bold Grid]]]",
                                           "Y range: High[,Low[,Grid[,Bold Grid]]]"};
constexpr const char* kIconPrompts[5] = {"Linear or logarithmic X axis", "Linear or logarithmic Y axis",
                                         "Curve colour", "Numeric output of the curve",
                                         "Chart type: rectangular, polar or Smith"};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The name part of a DC sweep field: the text before any parameter in parentheses.
std::string SweepName(const std::string& text) { return TrimBlanks(text.substr(0, text.find('('))); }
std::string SweepParameter(const std::string& text) {
    const auto open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return {};
    return TrimBlanks(text.substr(open + 1, close - open - 1));
}

}  // namespace

// The dialog's own keys, translated before the dialog's handling: Alt+R and Alt+S put
// the focus into the Run Options and State Variables combo boxes.
void RegisterLimitsAccelerators() {
    if (platform::FindAccelerators(kLimitsAccelerators)) return;
    using platform::kAltDown;
    platform::RegisterAccelerators(platform::AcceleratorTable(
        kLimitsAccelerators, {{'R', kAltDown, kCmdFocusRunOptions}, {'S', kAltDown, kCmdFocusStateVariables}}));
}

CAnalysisLimitsDlg::CAnalysisLimitsDlg(AnalysisSetup& setup, int kind, LimitsDialogHost host, int screenRows)
    : CDialog2(AnalysisLimitsTemplate(kind)), setup_(setup), kind_(kind), host_(std::move(host)),
      screenRows_(screenRows) {
    RegisterLimitsAccelerators();
    SetAccelerators(platform::FindAccelerators(kLimitsAccelerators));
    OnCommand(kCmdFocusRunOptions, [this](int) { FocusItem(kLimRunOptions); });
    OnCommand(kCmdFocusStateVariables, [this](int) { FocusItem(kLimStateVariables); });
}

CAnalysisLimitsDlg::~CAnalysisLimitsDlg() {
    if (AnalysisLimitsDialog == this) AnalysisLimitsDialog = nullptr;
}

int CAnalysisLimitsDlg::FieldCount() const {
    int count = 0;
    AnalysisLimitNames(kind_, &count);
    return count;
}

bool CAnalysisLimitsDlg::IsCell(int id) const {
    if (id < kLimCell0 || id >= kLimCell0 + 100 * maxRows_) return false;
    return CellColumn(id) < 5;
}

bool CAnalysisLimitsDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    selectedColumn_ = -1;
    lastCell_ = 0;
    WidenAndPlace();
    CreateGrid();
    FillCombos();
    if (kind_ == kCurvesDc) FillSweepNameCombos();
    FillFields();
    RefreshCurveGrid();
    ApplyEnableRules();
    FocusItem(kLimField0);
    EditSelectAllScroll(*this, kLimField0);
    return false;
}

// Curve expressions are long: the dialog takes half the free width of the work area (at
// most 200 pixels), opens centred under the main frame's bars, and gives the extra width
// to the expression columns.
void CAnalysisLimitsDlg::WidenAndPlace() {
    const platform::Rect area = host_.workArea ? host_.workArea() : platform::desktop::WorkArea();
    const platform::Rect outer = WindowRect();
    if (area.IsEmpty() || outer.IsEmpty()) return;
    extraWidth_ = std::clamp((area.Width() - outer.Width()) / 2, 0, 200);
    const int width = outer.Width() + extraWidth_;
    const int left = area.left + (area.Width() - width) / 2;
    int top = host_.barsBottom ? host_.barsBottom() : area.top;
    top = std::clamp(top, area.top, std::max(area.top, area.bottom - outer.Height()));
    Move(platform::Rect{left, top, left + width, top + outer.Height()});

    // The controls above the grid that lie right of the expression columns move along.
    platform::Rect xRange{}, header{};
    for (const auto& c : Template().controls) {
        if (c.id == kLimHeader0 + kColXRange) xRange = c.rect;
        if (c.id == kLimHeader0) header = c.rect;
    }
    for (const auto& c : Template().controls) {
        if (c.id >= kLimHeader0 && c.id < kLimHeader0 + 5) StretchItem(c.id, c.id - kLimHeader0);
        else if (c.id == kLimHelpLine) StretchItem(c.id, -1);
        else if (c.id != 0 && c.rect.top < header.top && c.rect.left >= xRange.left) StretchItem(c.id, kColYRange);
    }
}

// Column 1 takes a third of the extra width, column 2 the rest; columns 3 and 4 (and
// what lies right of them) move by all of it; -1 stretches across the whole width.
void CAnalysisLimitsDlg::StretchItem(int id, int column) {
    platform::Rect r = ItemRect(id);
    if (extraWidth_ <= 0 || r.IsEmpty()) return;
    const int third = extraWidth_ / 3;
    switch (column) {
        case -1: r.right += extraWidth_; break;
        case kColXExpression: r.right += third; break;
        case kColYExpression: r.left += third; r.right += extraWidth_; break;
        case kColXRange:
        case kColYRange: r.left += extraWidth_; r.right += extraWidth_; break;
        default: return;
    }
    MoveItem(id, r);
}

void CAnalysisLimitsDlg::CreateGrid() {
    const platform::Rect header = [&] {
        for (const auto& c : Template().controls)
            if (c.id == kLimHeader0) return c.rect;
        return platform::Rect{};
    }();
    const int top = header.bottom + 1;
    rowHeight_ = MapDialogRect(platform::Rect{0, 0, 4, kRowUnits}).bottom;
    if (screenRows_ > 0) {
        maxRows_ = screenRows_;
    } else {
        const int gridTop = ClientToScreen(platform::Point{0, MapDialogRect(platform::Rect{0, top, 4, top}).top}).y;
        maxRows_ = (platform::desktop::WorkArea().bottom - gridTop) / std::max(1, rowHeight_);
    }
    maxRows_ = std::clamp(maxRows_, 2, kLimMaxRows);

    static constexpr int kWidths[5] = {12, 100, 156, 76, 76};
    int x = header.left;
    for (int r = 0; r < maxRows_; ++r) {
        const int y = top + r * kRowUnits;
        for (int i = 0; i < IconCount(); ++i)
            AddControl({ControlKind::OwnerDrawButton, IconId(r, i), "",
                        platform::Rect{4 + i * kIconUnits, y, 4 + (i + 1) * kIconUnits, y + kRowUnits - 1}});
        x = header.left;
        for (int col = 0; col < 5; ++col) {
            AddControl({ControlKind::Edit, CellId(r, col), "", platform::Rect{x, y, x + kWidths[col], y + kRowUnits - 1}});
            StretchItem(CellId(r, col), col);
            x += kWidths[col];
        }
        SetEditLimit(CellId(r, kColPlotGroup), 1);
    }
    AddControl({ControlKind::ScrollBar, kLimScrollBar, "",
                platform::Rect{x + 1, top, x + 10, top + maxRows_ * kRowUnits - 1},
                platform::kCtlVertical});
    StretchItem(kLimScrollBar, kColYRange);
    Layout();
}

void CAnalysisLimitsDlg::Layout() {
    visibleRows_ = std::clamp(RowCount(), 2, maxRows_);
    scroll_ = std::clamp(scroll_, 0, std::max(0, RowCount() - visibleRows_));
    for (int r = 0; r < maxRows_; ++r) {
        const bool shown = r < visibleRows_ && scroll_ + r < RowCount();
        for (int col = 0; col < 5; ++col) ShowItem(CellId(r, col), shown);
        for (int i = 0; i < IconCount(); ++i) ShowItem(IconId(r, i), shown);
    }
    const bool scrolls = RowCount() > visibleRows_;
    ShowItem(kLimScrollBar, scrolls);
    if (scrolls) {
        SetRange(kLimScrollBar, 0, RowCount() - visibleRows_);
        SetPageStep(kLimScrollBar, kPageRows);
        SetPos(kLimScrollBar, scroll_);
    }
    // The dialog's height follows the visible rows.
    const platform::Rect lastCell = ItemRect(CellId(visibleRows_ - 1, 0));
    const platform::Rect outer = WindowRect(), client = ClientRect();
    if (!lastCell.IsEmpty() && !client.IsEmpty()) {
        const int height = outer.bottom - outer.top - client.bottom + lastCell.bottom + rowHeight_;
        Move(platform::Rect{outer.left, outer.top, outer.right, outer.top + height});
    }
}

void CAnalysisLimitsDlg::FillCombos() {
    const int flags = setup_.options;
    for (const char* s : {"Normal", "Save", "Retrieve"}) AddString(kLimRunOptions, s);
    SetCurSel(kLimRunOptions, std::min((flags >> kRunOptionShift) & 3, 2));
    for (const char* s : {"Zero", "Read", "Leave"}) AddString(kLimStateVariables, s);
    SetCurSel(kLimStateVariables, std::min((flags >> kStateShift) & 3, 2));
    for (const char* s : {"Linear", "List"}) AddString(kLimTemperatureMethod, s);
    SetCurSel(kLimTemperatureMethod, setup_.temperatureList ? 1 : 0);
    if (kind_ == kCurvesAc || kind_ == kCurvesDc) {
        for (const char* s : {"Auto", "Linear", "Log", "List"}) AddString(kLimMethod1, s);
        SetCurSel(kLimMethod1, kind_ == kCurvesAc ? (flags >> kFrequencyStepShift) & 3 : (setup_.sweep[0] >> 12) & 3);
    }
    if (kind_ == kCurvesDc) {
        for (const char* s : {"None", "Linear", "Log", "List"}) AddString(kLimMethod2, s);
        SetCurSel(kLimMethod2, (setup_.sweep[1] >> 12) & 3);
    }
    CheckButton(kLimOperatingPoint, (flags & kOperatingPointBit) ? 1 : 0);
    CheckButton(kLimOperatingPointOnly, (flags & kOperatingPointOnlyBit) ? 1 : 0);
    CheckButton(kLimAutoScale, (flags & kAutoScaleBit) ? 1 : 0);
}

void CAnalysisLimitsDlg::FillFields() {
    for (int i = 0; i < FieldCount(); ++i) SetItemText(kLimField0 + i, setup_.limits[i]);
    if (kind_ == kCurvesDc) {
        FillParameterCombo(kLimField0 + 3, kLimParameter1, true);
        FillParameterCombo(kLimField0 + 1, kLimParameter2, CurSel(kLimMethod2) > 0);
    }
}

void CAnalysisLimitsDlg::FillSweepNameCombos() {
    std::vector<std::string> names = {"TEMP"};
    auto add = [&](const std::string& name) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    };
    for (const auto& part : host_.sweepParts) add(part);
    for (const auto& [type, name] : host_.models) add(type + " " + name);
    for (const auto& param : host_.params) add("PARAM " + param);
    for (int id : {kLimField0 + 1, kLimField0 + 3}) {
        ResetContent(id);
        for (const auto& name : names) AddString(id, name);
    }
}

void CAnalysisLimitsDlg::FillParameterCombo(int nameId, int parameterId, bool methodOn) {
    const std::string text = ItemText(nameId);
    const std::string name = SweepName(text);
    const std::string word = Upper(name.substr(0, name.find(' ')));
    std::vector<std::string> parameters;
    const bool known = !word.empty() && host_.modelParameters && host_.modelParameters(word, parameters);
    ResetContent(parameterId);
    if (!known) {
        EnableItem(parameterId, false);
        return;
    }
    for (const auto& p : parameters) AddString(parameterId, p);
    const int chosen = FindStringExact(parameterId, SweepParameter(text));
    SetCurSel(parameterId, chosen >= 0 ? chosen : 0);
    EnableItem(parameterId, methodOn);
}

void CAnalysisLimitsDlg::ApplyEnableRules() {
    const bool anyOutput = std::any_of(setup_.rows.begin(), setup_.rows.end(),
                                       [](const CurveRowRecord& r) { return (r.options & CO_OUTPUT) != 0; });
    bool points = anyOutput;
    if (kind_ == kCurvesAc) points = points || CurSel(kLimMethod1) != 0;
    EnableItem(kLimField0 + PointsField(kind_), points);
    if (kind_ == kCurvesAc) {
        EnableItem(kLimField0 + 3, CurSel(kLimMethod1) == 0);
        // Without state variables an AC run needs its operating point.
        if (CurSel(kLimStateVariables) == 0) {
            setup_.options |= kOperatingPointBit;
            CheckButton(kLimOperatingPoint, 1);
            EnableItem(kLimOperatingPoint, false);
        } else {
            EnableItem(kLimOperatingPoint, true);
        }
    }
    if (kind_ == kCurvesDc) {
        const bool variable2 = CurSel(kLimMethod2) > 0;
        const bool temp1 = Upper(SweepName(ItemText(kLimField0 + 3))) == "TEMP";
        const bool temp2 = variable2 && Upper(SweepName(ItemText(kLimField0 + 1))) == "TEMP";
        EnableItem(kLimField0 + 5, !temp1 && !temp2);
        EnableItem(kLimField0 + 1, variable2);
        EnableItem(kLimParameter2, variable2 && ItemCount(kLimParameter2) > 0);
        EnableItem(kLimField0 + 6, CurSel(kLimMethod1) == 0);
    }
    // Polar and Smith charts have no X expression or ranges of their own.
    for (int r = 0; r < visibleRows_; ++r) {
        const int row = scroll_ + r;
        const bool rectangular = row >= RowCount() || setup_.rows[row].chartType == 0;
        for (int col : {kColXExpression, kColXRange, kColYRange}) EnableItem(CellId(r, col), rectangular);
    }
}

void CAnalysisLimitsDlg::ReportChange() {
    if (host_.documentChanged) host_.documentChanged();
    changed = true;
}

void CAnalysisLimitsDlg::UpdateCurveRow(int row, int column) {
    const int r = row - scroll_;
    if (r < 0 || r >= visibleRows_ || row >= RowCount()) return;
    for (int col = 0; col < 5; ++col)
        if (column < 0 || column == col) SetItemText(CellId(r, col), CurveCellText(setup_.rows[row], col));
}

void CAnalysisLimitsDlg::RefreshCurveGrid() {
    Layout();
    for (int r = 0; r < visibleRows_; ++r) {
        UpdateCurveRow(scroll_ + r, -1);
        RedrawCurveRow(scroll_ + r);
    }
    ApplyEnableRules();
}

void CAnalysisLimitsDlg::RedrawCurveRow(int row) {
    const int r = row - scroll_;
    if (r < 0 || r >= visibleRows_) return;
    for (int i = 0; i < IconCount(); ++i) InvalidateItem(IconId(r, i));
}

void CAnalysisLimitsDlg::ScrollRows(platform::ScrollCode code, int position) {
    using platform::ScrollCode;
    int to = scroll_;
    switch (code) {
        case ScrollCode::LineUp: to -= 1; break;
        case ScrollCode::LineDown: to += 1; break;
        case ScrollCode::PageUp: to -= kPageRows; break;
        case ScrollCode::PageDown: to += kPageRows; break;
        case ScrollCode::Top: to = 0; break;
        case ScrollCode::Bottom:
        case ScrollCode::End: to = RowCount(); break;
        default: to = position; break;
    }
    to = std::clamp(to, 0, std::max(0, RowCount() - visibleRows_));
    if (to == scroll_) return;
    // The cell being edited keeps its text in its own row.
    if (IsCell(FocusedItem())) StoreCell(FocusedItem());
    scroll_ = to;
    RefreshCurveGrid();
}

int CAnalysisLimitsDlg::FocusedRow() const {
    if (lastCell_ == 0) return scroll_;
    return std::min(scroll_ + CellRow(lastCell_), std::max(0, RowCount() - 1));
}

void CAnalysisLimitsDlg::FocusCell(int row, int column, bool select) {
    if (row < 0 || row >= RowCount()) return;
    if (row < scroll_) ScrollRows(platform::ScrollCode::Position, row);
    else if (row >= scroll_ + visibleRows_) ScrollRows(platform::ScrollCode::Position, row - visibleRows_ + 1);
    const int id = CellId(row - scroll_, column);
    FocusItem(id);
    lastCell_ = id;
    if (select) EditSelectAllScroll(*this, id);
}

void CAnalysisLimitsDlg::FocusField(int kind, int index, int column) {
    if (kind == 1) {
        if (index < 0 || index >= FieldCount()) return;
        FocusItem(kLimField0 + index);
        EditSelectAllScroll(*this, kLimField0 + index);
    } else if (kind == 2) {
        FocusCell(index, column < 0 ? kColXExpression : column, column != -1);
    }
}

void CAnalysisLimitsDlg::StoreCell(int id) {
    const int row = scroll_ + CellRow(id);
    if (row >= RowCount()) return;
    const int column = CellColumn(id);
    if (StoreCurveCell(setup_.rows[row], column, ItemText(id))) ReportChange();
    const std::string shown = CurveCellText(setup_.rows[row], column);
    if (ItemText(id) != shown) SetItemText(id, shown);
}

void CAnalysisLimitsDlg::StoreLimitField(int id) {
    const int field = id - kLimField0;
    if (kind_ == kCurvesDc && (field == 1 || field == 3)) {
        StoreSweepName(field, id, field == 3 ? kLimParameter1 : kLimParameter2);
        return;
    }
    // Compared trimmed: blanks alone are no edit.
    const std::string text = TrimBlanks(ItemText(id));
    if (text == setup_.limits[field]) return;
    setup_.limits[field] = text;
    if (host_.limitsChanged) host_.limitsChanged(kind_);
    ReportChange();
}

void CAnalysisLimitsDlg::StoreSweepName(int field, int nameId, int parameterId) {
    const std::string name = SweepName(ItemText(nameId));
    const bool variable1 = field == 3;
    // A new name offers the parameters of its model type.
    if (Upper(name) != Upper(SweepName(setup_.limits[field])))
        FillParameterCombo(nameId, parameterId, variable1 || CurSel(kLimMethod2) > 0);
    std::string text = name;
    if (ItemCount(parameterId) > 0 && CurSel(parameterId) >= 0)
        text += "(" + ItemString(parameterId, CurSel(parameterId)) + ")";
    if (text != ItemText(nameId)) SetItemText(nameId, text);
    if (text == setup_.limits[field]) return;
    setup_.limits[field] = text;
    if (host_.limitsChanged) host_.limitsChanged(kind_);
    ReportChange();
    ApplyEnableRules();
}

void CAnalysisLimitsDlg::SetRunOptionBits(int shift, int value) {
    setup_.options = (setup_.options & ~(3 << shift)) | ((value & 3) << shift);
}

void CAnalysisLimitsDlg::MoveFocus(int id, int step) {
    if (IsCell(id)) {
        StoreCell(id);
        const int rows = RowCount();
        if (rows == 0) return;
        const int row = ((scroll_ + CellRow(id) + step) % rows + rows) % rows;
        FocusCell(row, CellColumn(id), true);
        return;
    }
    if (IsLimitField(id) || id == kLimParameter1 || id == kLimParameter2) {
        if (IsLimitField(id)) StoreLimitField(id);
        int next = IsLimitField(id) ? id - kLimField0 : (id == kLimParameter1 ? 3 : 1);
        for (int tries = 0; tries < 10; ++tries) {
            next = (next + 1) % FieldCount();
            if (HasItem(kLimField0 + next) && IsItemEnabled(kLimField0 + next)) break;
        }
        FocusItem(kLimField0 + next);
        EditSelectAllScroll(*this, kLimField0 + next);
    }
}

bool CAnalysisLimitsDlg::OnControlKey(int id, const platform::KeyEvent& event) {
    namespace key = platform::key;
    if (event.key == key::kReturn && (IsCell(id) || IsLimitField(id))) {
        MoveFocus(id, 1);
        return true;
    }
    if (IsCell(id) && (event.key == key::kUp || event.key == key::kDown)) {
        MoveFocus(id, event.key == key::kUp ? -1 : 1);
        return true;
    }
    if (IsCell(id) && (event.key == key::kPrior || event.key == key::kNext)) {
        const int column = CellColumn(id);
        const int row = scroll_ + CellRow(id);
        StoreCell(id);
        ScrollRows(event.key == key::kPrior ? platform::ScrollCode::PageUp : platform::ScrollCode::PageDown);
        FocusCell(std::clamp(row, scroll_, scroll_ + visibleRows_ - 1), column, true);
        return true;
    }
    return false;
}

void CAnalysisLimitsDlg::OnOK() { MoveFocus(FocusedItem(), 1); }

void CAnalysisLimitsDlg::OnCancel() { OnClose(); }

void CAnalysisLimitsDlg::OnClose() {
    if (closing_) return;
    closing_ = true;
    const int focused = FocusedItem();
    if (IsCell(focused)) StoreCell(focused);
    else if (IsLimitField(focused)) StoreLimitField(focused);
    if (AnalysisLimitsDialog == this) AnalysisLimitsDialog = nullptr;
    if (CurrentModelessDialog == this) CurrentModelessDialog = nullptr;
    DestroyModeless();
    if (OpenDialog.get() == this) ClosedDialog = std::move(OpenDialog);
}

void CAnalysisLimitsDlg::OnDestroy() {
    if (AnalysisLimitsDialog == this) AnalysisLimitsDialog = nullptr;
    CDialog2::OnDestroy();
}

void CAnalysisLimitsDlg::OnControlNotify(int id, Notify code) {
    if (closing_) return;
    if (code == Notify::SetFocus) {
        const bool cell = IsCell(id);
        if (cell) {
            lastCell_ = id;
            selectedColumn_ = -1;
        }
        EnableItem(kLimExpand, cell && CellColumn(id) != kColPlotGroup);
        EnableItem(kLimDelete, cell);
        return;
    }
    if (code == Notify::KillFocus) {
        if (IsCell(id)) StoreCell(id);
        else if (IsLimitField(id)) StoreLimitField(id);
        return;
    }
    if (id == kLimScrollBar && code == Notify::Changed) {
        ScrollRows(platform::ScrollCode::Position, Pos(kLimScrollBar));
        return;
    }
    if (code == Notify::SelChange) {
        switch (id) {
            case kLimRunOptions: SetRunOptionBits(kRunOptionShift, CurSel(id)); ReportChange(); break;
            case kLimStateVariables: {
                const int before = (setup_.options >> kStateShift) & 3;
                SetRunOptionBits(kStateShift, CurSel(id));
                if (before != CurSel(id) && host_.operatingPointStale) host_.operatingPointStale();
                ReportChange();
                break;
            }
            case kLimMethod1:
                if (kind_ == kCurvesAc) SetRunOptionBits(kFrequencyStepShift, CurSel(id));
                else setup_.sweep[0] = CurSel(id) << 12;
                ReportChange();
                break;
            case kLimMethod2:
                setup_.sweep[1] = CurSel(id) << 12;
                FillParameterCombo(kLimField0 + 1, kLimParameter2, CurSel(id) > 0);
                ReportChange();
                break;
            case kLimTemperatureMethod: setup_.temperatureList = CurSel(id); ReportChange(); break;
            case kLimParameter1: StoreSweepName(3, kLimField0 + 3, kLimParameter1); break;
            case kLimParameter2: StoreSweepName(1, kLimField0 + 1, kLimParameter2); break;
            case kLimField0 + 1:
            case kLimField0 + 3:
                // A chosen entry goes into the edit part; it is stored on leaving.
                if (kind_ == kCurvesDc && CurSel(id) >= 0) SetItemText(id, ItemString(id, CurSel(id)));
                break;
            default: return;
        }
        ApplyEnableRules();
        return;
    }
    if (code != Notify::Clicked) return;
    auto flip = [&](int bit) {
        setup_.options = IsButtonChecked(id) ? (setup_.options | bit) : (setup_.options & ~bit);
    };
    switch (id) {
        case kLimOperatingPoint: {
            const int before = setup_.options & kOperatingPointBit;
            flip(kOperatingPointBit);
            if (before != (setup_.options & kOperatingPointBit) && host_.operatingPointStale) host_.operatingPointStale();
            break;
        }
        case kLimOperatingPointOnly: flip(kOperatingPointOnlyBit); break;
        case kLimAutoScale: flip(kAutoScaleBit); break;
        case kLimRun:
            if (!Shell.runInProgress && host_.postCommand) host_.postCommand(kCmdRunAnalysis);
            break;
        case kLimStepping:
            if (host_.postCommand) host_.postCommand(kCmdStepping);
            break;
        case kLimProperties:
            if (host_.postCommand) host_.postCommand(kCmdProperties);
            break;
        case kLimAdd: AddRow(); break;
        case kLimDelete: DeleteRow(); break;
        case kLimExpand: Expand(); break;
        default:
            if (id >= kLimHeader0 && id < kLimHeader0 + 5) {
                if (id - kLimHeader0 != kColYExpression) ValueMenu(id - kLimHeader0, true, 0);
                else if (RowCount() > 0) ExpressionMenuAt(CellId(FocusedRow() - scroll_, kColYExpression));
            } else if (id >= kLimIcon0 && id < kLimIcon0 + 10 * maxRows_) {
                ClickIcon((id - kLimIcon0) / 10, (id - kLimIcon0) % 10);
            }
            break;
    }
}

void CAnalysisLimitsDlg::ClickIcon(int visibleRow, int icon) {
    const int row = scroll_ + visibleRow;
    if (row >= RowCount()) return;
    CurveRowRecord& r = setup_.rows[row];
    // One graph has one axis kind and one chart type: the rows of its group follow.
    auto toGroup = [&](auto&& apply) {
        if (r.plotGroup == 0 || r.plotGroup == ' ') return;
        for (auto& other : setup_.rows)
            if (&other != &r && other.plotGroup == r.plotGroup) apply(other);
    };
    switch (icon) {
        case kIconLinearX:
        case kIconLinearY: {
            const int bit = icon == kIconLinearX ? CO_LINEARX : CO_LINEARY;
            r.options ^= bit;
            const int value = r.options & bit;
            toGroup([&](CurveRowRecord& o) { o.options = (o.options & ~bit) | value; });
            break;
        }
        case kIconColour: {
            platform::Menu menu;
            for (int i = 0; i < kColourSlotCount && i < 64; ++i) {
                menu.Append(kColourMenuFirst + i, "", i % 8 == 0 && i > 0 ? platform::kMenuBreak : 0);
                auto swatch = std::make_shared<platform::Image>(16, 16, ColourSlotTable[i].colour);
                menu.SetItemPicture(kColourMenuFirst + i, swatch);
            }
            const platform::Rect at = ItemRect(IconId(visibleRow, icon));
            const int chosen = TrackPopupMenu(menu, ClientToScreen(platform::Point{at.left, at.bottom}));
            if (chosen < kColourMenuFirst || chosen >= kColourMenuFirst + 64) return;
            r.textColour = r.lineColour = chosen - kColourMenuFirst;
            break;
        }
        case kIconOutput: r.options ^= CO_OUTPUT; break;
        case kIconChart: {
            r.chartType = (r.chartType + 1) % 3;
            toGroup([&](CurveRowRecord& o) { o.chartType = r.chartType; });
            break;
        }
        default: return;
    }
    ReportChange();
    RefreshCurveGrid();
}

void CAnalysisLimitsDlg::ValueMenu(int column, bool wholeColumn, int cellId) {
    std::vector<std::string> texts;
    if (column == kColPlotGroup) {
        texts.push_back("None");
        for (char c = '1'; c <= '9'; ++c) texts.emplace_back(1, c);
    } else if (column == kColXRange || column == kColYRange) {
        texts.push_back("Auto");
        if (column == kColXRange && kind_ == kCurvesTransient) texts.push_back("TMAX,TMIN");
        if (column == kColXRange && kind_ == kCurvesAc) texts.push_back("FMAX,FMIN");
    } else if (column == kColXExpression && kind_ == kCurvesDc) {
        texts.push_back("DCINPUT1");
    }
    if (column != kColPlotGroup) {
        // Every text the column already holds, once.
        for (const auto& row : setup_.rows) {
            const std::string text = CurveCellText(row, column);
            if (text.empty()) continue;
            const bool known = std::any_of(texts.begin(), texts.end(),
                                           [&](const std::string& t) { return Upper(t) == Upper(text); });
            if (!known) texts.push_back(text);
        }
    }
    platform::Menu menu;
    for (std::size_t i = 0; i < texts.size(); ++i) menu.Append(kValueMenuFirst + static_cast<int>(i), texts[i]);
    // X expressions may also be stored curves: CurveX and CurveY calls by file.
    const std::vector<CurveFileMenu> curveFiles = column == kColXExpression ? FindCurveFileMenus() : std::vector<CurveFileMenu>{};
    if (!curveFiles.empty()) {
        platform::Menu& curve = menu.AppendPopup("Curve");
        for (const char* function : {"CurveX", "CurveY"}) {
            platform::Menu& calls = curve.AppendPopup(function);
            for (std::size_t f = 0; f < curveFiles.size(); ++f) {
                platform::Menu& file = calls.AppendPopup(curveFiles[f].file, f > 0 && f % 9 == 0 ? platform::kMenuBreak : 0);
                for (const std::string& label : curveFiles[f].labels) {
                    texts.push_back(std::string(function) + "(\"" + curveFiles[f].file + "\",\"" + label + "\")");
                    file.Append(kValueMenuFirst + static_cast<int>(texts.size()) - 1, texts.back());
                }
            }
        }
    }
    if (texts.empty()) return;
    const int chosen = TrackPopupMenu(menu, platform::Window::CursorPos()) - kValueMenuFirst;
    if (chosen < 0 || chosen >= static_cast<int>(texts.size())) return;
    const std::string text = column == kColPlotGroup && chosen == 0 ? std::string() : texts[chosen];
    if (wholeColumn) {
        for (auto& row : setup_.rows) StoreCurveCell(row, column, text);
        RefreshCurveGrid();
        ReportChange();
    } else {
        SetItemText(cellId, text);
        StoreCell(cellId);
    }
}

void CAnalysisLimitsDlg::OnControlRightClick(int id) {
    if (IsCell(id)) {
        lastCell_ = id;
        if (CellColumn(id) == kColYExpression) ExpressionMenuAt(id);
        else ValueMenu(CellColumn(id), false, id);
        return;
    }
    CDialog2::OnControlRightClick(id);
}

ExpressionMenuSource CAnalysisLimitsDlg::MenuSource() const {
    ExpressionMenuSource source;
    source.kind = kind_;
    source.nodes = host_.nodes;
    source.parts = host_.expressionParts;
    source.symbols = host_.symbols;
    source.curveFiles = FindCurveFileMenus();
    return source;
}

void CAnalysisLimitsDlg::ExpressionMenuAt(int cellId) {
    if (!IsCell(cellId)) return;
    lastCell_ = cellId;
    ExpressionMenu expression;
    platform::Menu menu;
    expression.Build(menu, MenuSource(), true);
    const int chosen = TrackPopupMenu(menu, platform::Window::CursorPos());
    const int row = scroll_ + CellRow(cellId);
    const std::string x = row < RowCount() ? CurveCellText(setup_.rows[row], kColXExpression) : std::string();
    const ExpressionMenu::Choice choice = expression.Choose(chosen, ItemText(cellId), x, this);
    switch (choice.action) {
    case ExpressionMenu::Action::Expand: Expand(); return;
    case ExpressionMenu::Action::ReplaceSelection: ReplaceEditSel(cellId, choice.text); break;
    case ExpressionMenu::Action::SetText: SetItemText(cellId, choice.text); break;
    case ExpressionMenu::Action::None: return;
    }
    StoreCell(cellId);
}

void CAnalysisLimitsDlg::AddRow() {
    const int focused = FocusedItem();
    if (IsCell(focused)) StoreCell(focused);
    const int at = RowCount() == 0 ? 0 : FocusedRow() + 1;
    CurveRowRecord row = at > 0 ? setup_.rows[at - 1] : NewCurveRow();
    row.options &= CO_OUTPUT | CO_LINEARX | CO_LINEARY;
    ApplyCurveStyle(row, DefaultCurveStyle(at));
    row.alias = NextFreeAliasId(setup_.rows);
    if (row.xRange.empty()) row.xRange = "Auto";
    if (row.yRange.empty()) row.yRange = "Auto";
    setup_.rows.insert(setup_.rows.begin() + at, row);
    const int column = lastCell_ ? CellColumn(lastCell_) : kColXExpression;
    ReportChange();
    RefreshCurveGrid();
    FocusCell(at, column, true);
}

void CAnalysisLimitsDlg::DeleteRow() {
    if (RowCount() <= 1) return;
    const int row = FocusedRow();
    const int column = lastCell_ ? CellColumn(lastCell_) : kColXExpression;
    setup_.rows.erase(setup_.rows.begin() + row);
    if (host_.curveRowDeleted) host_.curveRowDeleted(row);
    lastCell_ = 0;
    ReportChange();
    RefreshCurveGrid();
    FocusCell(std::min(row, RowCount() - 1), column, true);
}

void CAnalysisLimitsDlg::Expand() {
    const int column = selectedColumn_ >= 0 ? selectedColumn_ : (lastCell_ ? CellColumn(lastCell_) : -1);
    if (column < 0) return;
    if (lastCell_ && IsCell(lastCell_)) StoreCell(lastCell_);
    const int row = FocusedRow();
    if (row >= RowCount()) return;
    CExpandTextDlg expand(ItemText(kLimHeader0 + column), CurveCellText(setup_.rows[row], column), this);
    const ExpressionMenuSource source = MenuSource();
    if (column == kColYExpression) {
        expand.expressionSource = &source;
        expand.x = CurveCellText(setup_.rows[row], kColXExpression);
    }
    if (expand.DoModal() != 1) return;
    if (selectedColumn_ >= 0) {
        for (auto& r : setup_.rows) StoreCurveCell(r, column, expand.text);
    } else {
        StoreCurveCell(setup_.rows[row], column, expand.text);
    }
    ReportChange();
    RefreshCurveGrid();
}

void CAnalysisLimitsDlg::OnControlHover(int id) {
    std::string prompt;
    if (IsLimitField(id)) prompt = FieldPrompt(kind_, id - kLimField0);
    else if (IsCell(id)) prompt = kColumnPrompts[CellColumn(id)];
    else if (id >= kLimHeader0 && id < kLimHeader0 + 5) prompt = kColumnPrompts[id - kLimHeader0];
    else if (id >= kLimIcon0 && id < kLimIcon0 + 10 * maxRows_) prompt = kIconPrompts[(id - kLimIcon0) % 10];
    SetItemText(kLimHelpLine, prompt);
}

void CAnalysisLimitsDlg::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    const int id = item.controlId;
    if (id < kLimIcon0 || id >= kLimIcon0 + 10 * maxRows_) return;
    const int row = scroll_ + (id - kLimIcon0) / 10;
    const int icon = (id - kLimIcon0) % 10;
    platform::Rect r = item.rect;
    dc.FillRect(r, platform::Brush::Solid(platform::Rgb(240, 240, 240)));
    if (row >= RowCount()) return;
    const CurveRowRecord& c = setup_.rows[row];
    platform::Rect inner{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    if (icon == kIconColour) {
        const int slot = std::clamp(c.lineColour, 0, kColourSlotCount - 1);
        dc.FillRect(inner, platform::Brush::Solid(ColourSlotTable[slot].colour));
        dc.FrameRect(inner, platform::Brush::Solid(platform::Rgb(0, 0, 0)));
        return;
    }
    // The left half of the icon shows "off", the right half "on".
    bool on = false;
    std::string glyph;
    switch (icon) {
        case kIconLinearX: on = c.options & CO_LINEARX; glyph = on ? "X" : "x"; break;
        case kIconLinearY: on = c.options & CO_LINEARY; glyph = on ? "Y" : "y"; break;
        case kIconOutput: on = c.options & CO_OUTPUT; glyph = "#"; break;
        case kIconChart: on = c.chartType != 0; glyph = c.chartType == 1 ? "P" : c.chartType == 2 ? "S" : "R"; break;
        default: return;
    }
    if (on) dc.FillRect(inner, platform::Brush::Solid(platform::Rgb(255, 255, 160)));
    dc.SetTextColor(on ? platform::Rgb(0, 0, 160) : platform::Rgb(128, 128, 128));
    dc.SetBkOpaque(false);
    dc.DrawText(glyph, r, platform::kDtCenter | platform::kDtVCenter | platform::kDtSingleLine);
}

CAnalysisLimitsDlg* ShowAnalysisLimits(AnalysisSetup& setup, int kind, LimitsDialogHost host, bool force) {
    if (AnalysisLimitsDialog) {
        AnalysisLimitsDialog->Show(true);
        AnalysisLimitsDialog->SetFocus();
        return AnalysisLimitsDialog;
    }
    (void)force;  // probe mode's quiet opening is not built
    ClosedDialog.reset();
    const bool defaults = SetDefaultCurves(kind, setup, host.nodes);
    if (defaults && host.documentChanged) host.documentChanged();
    if (Shell.batchMode) return nullptr;
    auto made = std::make_unique<CAnalysisLimitsDlg>(setup, kind, std::move(host));
    if (!made->CreateModeless(nullptr)) return nullptr;
    OpenDialog = std::move(made);
    CAnalysisLimitsDlg* dialog = OpenDialog.get();
    AnalysisLimitsDialog = dialog;
    CurrentModelessDialog = dialog;
    dialog->Show(true);
    return dialog;
}

void CloseAnalysisLimits() {
    if (AnalysisLimitsDialog) AnalysisLimitsDialog->OnClose();
}

void ConnectAnalysisLimits(CG2DFrame& frame, std::function<AnalysisSetup&(int kind)> setupOf,
                           std::function<LimitsDialogHost()> hostOf) {
    frame.openLimits = [setupOf = std::move(setupOf), hostOf = std::move(hostOf)](int kind) {
        ShowAnalysisLimits(setupOf(kind), kind, hostOf ? hostOf() : LimitsDialogHost{}, true);
    };
    frame.closeLimits = [] { CloseAnalysisLimits(); };
}

namespace {
std::function<CAnalysisLimitsDlg*()> RunErrorOpener;
}

void InstallLimitsDialogRunHooks(std::function<CAnalysisLimitsDlg*()> opener) {
    RunErrorOpener = std::move(opener);
    RunView.open_limits_dialog = []() -> void* { return RunErrorOpener ? RunErrorOpener() : nullptr; };
    RunView.focus_field = [](void* dialog, int kind, int index, int column) {
        if (dialog) static_cast<CAnalysisLimitsDlg*>(dialog)->FocusField(kind, index, column);
    };
}

}  // namespace ob7
