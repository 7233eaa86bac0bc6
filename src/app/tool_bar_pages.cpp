#include "app/tool_bar_pages.h"

#include <algorithm>
#include <string>

#include "app/main_frame.h"
#include "app/main_tool_bar.h"
#include "foundation/string_table.h"
#include "libraries/component_library.h"
#include "platform/system_services.h"
#include "platform/dialog.h"
#include "platform/draw_context.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_window.h"

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Rect;
constexpr int kGroupNameBase = 11200;
constexpr int kFaceWidth = 23, kFaceHeight = 22;
// Colour slots of the system colours: window, button face, dark shadow, light,
// shadow and highlight.
constexpr int kSlotWindow = 64, kSlotFace = 65, kSlotDarkShadow = 67, kSlotLight = 69, kSlotShadow = 70,
              kSlotHighlight = 71;

// The group selected last in any of these pages, for the program's run.
int LastGroupIndex = 0;

platform::DialogTemplate ToolBarTemplate() {
    platform::DialogTemplate t{10187, "Tool Bar", {300, 200}, {}};
    t.controls.push_back({ControlKind::Static, 0, "Groups:", {7, 7, 90, 17}});
    t.controls.push_back({ControlKind::ListBox, CToolButtonsPage::kGroupList, "", {7, 18, 90, 150}});
    t.controls.push_back({ControlKind::Static, 0, "Buttons:", {100, 7, 200, 17}});
    t.controls.push_back({ControlKind::CheckListBox, CToolButtonsPage::kButtonList, "", {100, 18, 200, 150}});
    t.controls.push_back({ControlKind::CheckBox, CToolButtonsPage::kShowButton, "Show Button", {210, 18, 293, 30}});
    t.controls.push_back({ControlKind::GroupBox, 0, "Position", {210, 40, 293, 90}});
    t.controls.push_back({ControlKind::RadioButton, CToolBarPage::kTop, "Top", {218, 54, 285, 66}, platform::kCtlGroup});
    t.controls.push_back({ControlKind::RadioButton, CToolBarPage::kLeft, "Left", {218, 70, 285, 82}});
    t.controls.push_back({ControlKind::PushButton, CToolButtonsPage::kAllOn, "All On", {7, 160, 70, 176}});
    t.controls.push_back({ControlKind::PushButton, CToolButtonsPage::kDefaultButton, "&Default", {80, 160, 143, 176}});
    t.controls.push_back({ControlKind::PushButton, CToolButtonsPage::kAllOff, "All Off", {153, 160, 216, 176}});
    return t;
}

// The outer sheet's help line (a nested sheet's pages show their text there too).
void ShowHelpLine(CPropertyPage2& page, const std::string& text) {
    auto* sheet = dynamic_cast<CPropertySheet2*>(page.Sheet());
    while (sheet && sheet->IsNested()) {
        auto* host = sheet->Parent() ? dynamic_cast<CPropertyPage2*>(sheet->Parent()) : nullptr;
        sheet = host ? dynamic_cast<CPropertySheet2*>(host->Sheet()) : nullptr;
    }
    if (sheet) sheet->ShowPrompt(text);
}

void Draw3dFace(platform::DrawContext& dc, const Rect& r) {
    auto line = [&](platform::Point a, platform::Point b, int slot) {
        dc.SetPen(Slot(slot).pen);
        dc.MoveTo(a);
        dc.LineTo(b);
    };
    dc.FillRect(r, Slot(kSlotFace).brush);
    // Outer edges: highlight top/left, dark shadow bottom/right; inner: light and shadow.
    line({r.left, r.bottom - 1}, {r.left, r.top}, kSlotHighlight);
    line({r.left, r.top}, {r.right - 1, r.top}, kSlotHighlight);
    line({r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, kSlotDarkShadow);
    line({r.right - 1, r.top}, {r.right - 1, r.bottom}, kSlotDarkShadow);
    line({r.left + 1, r.bottom - 2}, {r.left + 1, r.top + 1}, kSlotLight);
    line({r.left + 1, r.top + 1}, {r.right - 2, r.top + 1}, kSlotLight);
    line({r.left + 1, r.bottom - 2}, {r.right - 2, r.bottom - 2}, kSlotShadow);
    line({r.right - 2, r.top + 1}, {r.right - 2, r.bottom - 1}, kSlotShadow);
}

platform::Image ComponentStrip(const std::array<std::array<int32_t, 15>, 20>& glyphs) {
    return MakeComponentBarBitmap(glyphs, CMainToolBar::kPictureSize, Slot(kSlotFace).colour, platform::Rgb(0, 0, 0));
}

// One cell of a strip of pictures.
platform::Image Cell(const platform::Image& strip, int cell) {
    const int size = CMainToolBar::kPictureSize;
    platform::Image picture(size, size, Slot(kSlotFace).colour);
    {
        platform::DrawContext dc(picture);  // finished before the picture is handed out
        dc.BitBlt({0, 0}, strip, Rect{cell * size, 0, cell * size + size, size});
    }
    return picture;
}

platform::DialogTemplate MainToolBarTemplate() {
    platform::DialogTemplate t{10189, "Main Tool Bar", {300, 200}, {}};
    t.controls.push_back({ControlKind::Static, 0, "Groups:", {7, 7, 90, 17}});
    t.controls.push_back({ControlKind::ListBox, CToolButtonsPage::kGroupList, "", {7, 18, 90, 150}});
    t.controls.push_back({ControlKind::Static, 0, "Buttons:", {100, 7, 200, 17}});
    t.controls.push_back({ControlKind::CheckListBox, CToolButtonsPage::kButtonList, "", {100, 18, 200, 150}});
    t.controls.push_back({ControlKind::CheckBox, CToolButtonsPage::kShowButton, "Show Button", {210, 18, 293, 30}});
    t.controls.push_back({ControlKind::CheckBox, CMainToolBarPage::kShowToolBar, "Show Tool Bar", {210, 34, 293, 46}});
    t.controls.push_back({ControlKind::OwnerDrawButton, CMainToolBarPage::kPictureFrame, "", {222, 56, 280, 112}});
    t.controls.push_back({ControlKind::Edit, CMainToolBarPage::kPartName, "", {210, 120, 293, 134}});
    t.controls.push_back({ControlKind::PushButton, CToolButtonsPage::kAllOn, "All On", {7, 160, 70, 176}});
    t.controls.push_back({ControlKind::PushButton, CToolButtonsPage::kDefaultButton, "&Default", {80, 160, 143, 176}});
    t.controls.push_back({ControlKind::PushButton, CToolButtonsPage::kAllOff, "All Off", {153, 160, 216, 176}});
    return t;
}

}  // namespace

// ---- CToolButtonsPage ----------------------------------------------------------------

platform::Image CToolButtonsPage::Picture(int row) const {
    const ToolButtonInfo& info = ToolButtonTable[row];
    if (info.Group == kGroupComponent) return Cell(ComponentStrip(ComponentButtons.glyphs), info.BitmapId);
    return Cell(ToolStripImage(info.BitmapId, CMainToolBar::kPictureSize), info.Image);
}

CToolButtonsPage::CToolButtonsPage(platform::DialogTemplate tmpl) : CPropertyPage2(std::move(tmpl)) {
    OnCommand(kShowButton, [this](int) {
        const int entry = SelectedEntry();
        if (entry < 0) return;
        SetVisible(entry, IsButtonChecked(kShowButton) != 0);
    });
    OnCommand(kAllOn, [this](int) { OnAllOn(); });
    OnCommand(kDefaultButton, [this](int) { OnDefault(); });
    OnCommand(kAllOff, [this](int) {
        for (ToolButtonEntry& e : working_) e.Visible = 0;
        RefreshChecks();
    });
}

void CToolButtonsPage::Bind(ToolButtonEntry* entries, int count) {
    source_ = entries;
    count_ = entries ? count : 0;
}

bool CToolButtonsPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    backup_.assign(source_, source_ + count_);
    working_ = backup_;
    componentGroupPosition_ = 0;
    for (int group = kGroupFile; group <= kGroupCursor; ++group) {
        if (std::none_of(working_.begin(), working_.end(), [&](const ToolButtonEntry& e) {
                return e.Command != 0 && e.Group == group;
            }))
            continue;
        const char* name = FindResString(kGroupNameBase + group);
        const int at = AddString(kGroupList, name ? name : "");
        SetItemData(kGroupList, at, group);
        if (group == kGroupComponent) componentGroupPosition_ = at;
    }
    const int groups = ItemCount(kGroupList);
    SetCurSel(kGroupList, groups > 0 ? std::clamp(LastGroupIndex, 0, groups - 1) : -1);
    FillButtonList();
    return true;
}

int CToolButtonsPage::SelectedGroup() const {
    const int sel = CurSel(kGroupList);
    return sel < 0 ? kGroupNone : static_cast<int>(ItemData(kGroupList, sel));
}

int CToolButtonsPage::SelectedEntry() const {
    const int sel = CurSel(kButtonList);
    return sel < 0 ? -1 : static_cast<int>(ItemData(kButtonList, sel));
}

void CToolButtonsPage::FillButtonList() {
    ResetContent(kButtonList);
    const int group = SelectedGroup();
    for (int i = 0; i < static_cast<int>(working_.size()); ++i) {
        const ToolButtonEntry& e = working_[i];
        if (e.Command == 0 || e.Group != group || e.Row < 0) continue;
        const int at = AddString(kButtonList, "");
        SetItemData(kButtonList, at, i);
        SetItemCheck(kButtonList, at, e.Visible != 0);
    }
    SetCurSel(kButtonList, ItemCount(kButtonList) > 0 ? 0 : -1);
    OnButtonSelChange();
}

void CToolButtonsPage::OnButtonSelChange() {
    const int entry = SelectedEntry();
    CheckButton(kShowButton, entry >= 0 && working_[entry].Visible ? 1 : 0);
    if (entry >= 0) ShowHelpLine(*this, PromptTextForId(MapComponentButtonCommand(working_[entry].Command)));
}

void CToolButtonsPage::SetVisible(int entry, bool visible) {
    working_[entry].Visible = visible ? 1 : 0;
    for (int i = 0; i < ItemCount(kButtonList); ++i)
        if (ItemData(kButtonList, i) == entry) SetItemCheck(kButtonList, i, visible);
    CheckButton(kShowButton, visible ? 1 : 0);
    InvalidateItem(kButtonList);
    SetModified(true);
}

void CToolButtonsPage::RefreshChecks() {
    for (int i = 0; i < ItemCount(kButtonList); ++i)
        SetItemCheck(kButtonList, i, working_[ItemData(kButtonList, i)].Visible != 0);
    const int entry = SelectedEntry();
    CheckButton(kShowButton, entry >= 0 && working_[entry].Visible ? 1 : 0);
    InvalidateItem(kButtonList);
    SetModified(true);
}

void CToolButtonsPage::OnAllOn() {
    SetToolButtonDefaults(windowType, working_.data(), static_cast<int>(working_.size()), 0, nullptr,
                          DefaultButtonMask());
    RefreshChecks();
}

void CToolButtonsPage::OnDefault() {
    SetToolButtonDefaults(windowType, working_.data(), static_cast<int>(working_.size()), 1, nullptr,
                          DefaultButtonMask());
    RefreshChecks();
}

void CToolButtonsPage::OnControlNotify(int id, platform::Notify code) {
    using platform::Notify;
    if (id == kGroupList && code == Notify::SelChange) {
        FillButtonList();
    } else if (id == kButtonList && code == Notify::SelChange) {
        OnButtonSelChange();
    } else if (id == kButtonList && code == Notify::CheckChanged) {
        const int entry = SelectedEntry();
        if (entry >= 0) SetVisible(entry, ItemCheck(kButtonList, CurSel(kButtonList)) == 1);
    } else {
        CPropertyPage2::OnControlNotify(id, code);
    }
}

void CToolButtonsPage::OnControlHover(int id) {
    if (id == kGroupList) {
        ShowHelpLine(*this, "Groups");
    } else if (id == kButtonList) {
        const int entry = SelectedEntry();
        ShowHelpLine(*this, entry < 0 ? "" : PromptTextForId(MapComponentButtonCommand(working_[entry].Command)));
    } else {
        CPropertyPage2::OnControlHover(id);
    }
}

void CToolButtonsPage::OnSysColorChange() {
    CreateSystemColourSlots();
    InvalidateItem(kButtonList);
}

int CToolButtonsPage::OnMeasureItem(int controlId) { return controlId == kButtonList ? kItemHeight : 0; }

void CToolButtonsPage::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    if (item.controlId != kButtonList) return;
    const Rect& r = item.rect;
    dc.FillRect(r, Slot(kSlotWindow).brush);
    const int entry = static_cast<int>(item.data);
    if (entry >= 0 && entry < static_cast<int>(working_.size()) && working_[entry].Row >= 0) {
        const int left = r.left + (r.right - r.left - kFaceWidth) / 2;
        const int top = r.top + (r.bottom - r.top - kFaceHeight) / 2;
        const Rect face{left, top, left + kFaceWidth, top + kFaceHeight};
        Draw3dFace(dc, face);
        const int size = CMainToolBar::kPictureSize;
        dc.BitBlt({left + (kFaceWidth - size) / 2, top + (kFaceHeight - size) / 2}, Picture(working_[entry].Row),
                  Rect{0, 0, size, size});
    }
    const Rect frame{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    platform::Brush black;
    black.color = platform::Rgb(0, 0, 0);
    dc.FrameRect(frame, item.selected ? black : Slot(kSlotWindow).brush);
    if (item.focused) dc.DrawFocusRect(r);
}

bool CToolButtonsPage::ApplyPage() {
    if (CurSel(kGroupList) >= 0) LastGroupIndex = CurSel(kGroupList);
    for (int i = 0; i < count_ && i < static_cast<int>(working_.size()); ++i) source_[i].Visible = working_[i].Visible;
    return true;
}

void CToolButtonsPage::ResetPage() {
    if (!created) return;
    std::copy(backup_.begin(), backup_.end(), source_);
}

// ---- CToolBarPage --------------------------------------------------------------------

CToolBarPage::CToolBarPage() : CToolButtonsPage(ToolBarTemplate()) {
    OnCommand(kTop, [this](int) { SetModified(true); });
    OnCommand(kLeft, [this](int) { SetModified(true); });
}

CToolBarPage::CToolBarPage(CDraw& window) : CToolBarPage() {
    window_ = &window;
    windowType = window.drawType;
    if (auto* bar = dynamic_cast<CMainToolBar*>(window.mainToolBar.get())) {
        Bind(bar->List().data(), static_cast<int>(bar->List().size()));
        top_ = &bar->top;
    }
}

void CToolBarPage::BindToWindowType(int type, const char* caption) {
    ToolButtonEntry* entries = nullptr;
    int count = 0;
    top_ = GetMainToolBarTable(type, &entries, &count);
    Bind(top_ ? entries : nullptr, count);
    windowType = type;
    MutableTemplate().caption = caption;
}

bool CToolBarPage::OnInitDialog() {
    savedTop_ = top_ ? *top_ : 1;
    CheckRadioButton(kTop, kLeft, savedTop_ ? kTop : kLeft);
    return CToolButtonsPage::OnInitDialog();
}

namespace {

void ReloadBar(CDraw* window) {
    auto* bar = window ? dynamic_cast<CMainToolBar*>(window->mainToolBar.get()) : nullptr;
    if (!bar) return;
    bar->LoadButtons(bar->ParentWindow());
    bar->RecalcParentLayout();
}

}  // namespace

bool CToolBarPage::ApplyPage() {
    CToolButtonsPage::ApplyPage();
    if (top_) *top_ = IsButtonChecked(kTop) ? 1 : 0;
    ReloadBar(window_);
    return true;
}

void CToolBarPage::ResetPage() {
    CToolButtonsPage::ResetPage();
    if (!created) return;
    if (top_) *top_ = savedTop_;
    ReloadBar(window_);
}

void InstallWindowToolBarPages() {
    SetWindowToolBarPageMaker([](CDraw& view) -> std::unique_ptr<CPropertyPage2> {
        if (!dynamic_cast<CMainToolBar*>(view.mainToolBar.get())) return nullptr;
        return std::make_unique<CToolBarPage>(view);
    });
}

// ---- CMainToolBarPage ----------------------------------------------------------------

namespace {
constexpr int kMsgComponentNotFound = 11212;
}  // namespace

CMainToolBarPage::CMainToolBarPage() : CToolButtonsPage(MainToolBarTemplate()) {
    Bind(FrameButtonList.entries.data(), FrameButtonList.count);
    OnCommand(kShowToolBar, [this](int) {
        const int group = SelectedGroup();
        if (group < kGroupFile || group >= kFrameToolBarCount) return;
        workingWanted_[group] = IsButtonChecked(kShowToolBar) ? 1 : 0;
        SetModified(true);
    });
}

bool CMainToolBarPage::OnInitDialog() {
    Bind(FrameButtonList.entries.data(), FrameButtonList.count);
    if (MainFrame) {
        MainFrame->RememberToolBarVisibility();
        for (int g = 0; g < kFrameToolBarCount; ++g) workingWanted_[g] = MainFrame->ToolBarWanted(g) ? 1 : 0;
    }
    savedWanted_ = workingWanted_;
    workingGlyphs_ = savedGlyphs_ = ComponentButtons.glyphs;
    workingNames_ = savedNames_ = ComponentButtons.partNames;
    strip_ = ComponentStrip(workingGlyphs_);
    lastColumn_ = lastRow_ = -1;
    FitPictureFrame();
    return CToolButtonsPage::OnInitDialog();
}

void CMainToolBarPage::FitPictureFrame() {
    const Rect r = ItemRect(kPictureFrame);
    if (r.Width() <= 0 || r.Height() <= 0) return;
    const int width = std::max(1, (r.Width() - 4) / kFaceWidth) * kFaceWidth + 4;
    const int height = std::max(1, (r.Height() - 4) / kFaceHeight) * kFaceHeight + 4;
    const int left = r.left + (r.Width() - width) / 2, top = r.top + (r.Height() - height) / 2;
    MoveItem(kPictureFrame, Rect{left, top, left + width, top + height});
}

Rect CMainToolBarPage::PictureRect() const {
    const Rect r = ItemRect(kPictureFrame);
    return Rect{2, 2, r.Width() - 2, r.Height() - 2};
}

void CMainToolBarPage::OnControlMouse(int id, const platform::MouseEvent& event) {
    using platform::MouseAction;
    const bool press = event.action == MouseAction::LeftDown || event.action == MouseAction::LeftDouble;
    const bool drag = event.action == MouseAction::Move && (event.flags & platform::kLeftButton);
    const int button = SelectedComponentButton();
    if (id != kPictureFrame || (!press && !drag) || button < 0) return;
    const Rect inner = PictureRect();
    const int cellWidth = inner.Width() / kFaceWidth, cellHeight = inner.Height() / kFaceHeight;
    const platform::Point p = event.point;
    if (cellWidth <= 0 || cellHeight <= 0 || p.x < inner.left || p.y < inner.top || p.x >= inner.right ||
        p.y >= inner.bottom)
        return;
    const int column = (p.x - inner.left) / cellWidth, row = (p.y - inner.top) / cellHeight;
    // The picture lies 3 pixels inside the face; the margin is not part of the glyph.
    const int x = column - 3, y = row - 3;
    if (x < 0 || x > 15 || y < 0 || y > 14) return;
    if (!press && column == lastColumn_ && row == lastRow_) return;
    int32_t& bits = workingGlyphs_[button][y];
    if (press) paint_ = (bits & (1 << x)) ? 0 : 1;
    bits = paint_ ? (bits | (1 << x)) : (bits & ~(1 << x));
    strip_ = ComponentStrip(workingGlyphs_);
    InvalidateItem(kPictureFrame);
    InvalidateItem(kButtonList);
    lastColumn_ = column;
    lastRow_ = row;
    SetModified(true);
}

platform::Image CMainToolBarPage::Picture(int row) const {
    const ToolButtonInfo& info = ToolButtonTable[row];
    return info.Group == kGroupComponent ? Cell(strip_, info.BitmapId) : CToolButtonsPage::Picture(row);
}

int CMainToolBarPage::SelectedComponentButton() const {
    const int entry = SelectedEntry();
    if (entry < 0 || working_[entry].Row < 0) return -1;
    const ToolButtonInfo& info = ToolButtonTable[working_[entry].Row];
    return info.Group == kGroupComponent && info.BitmapId >= 0 && info.BitmapId < 20 ? info.BitmapId : -1;
}

void CMainToolBarPage::StorePartName() {
    const int button = SelectedComponentButton();
    if (button < 0 || ItemText(kPartName) == workingNames_[button]) return;
    workingNames_[button] = ItemText(kPartName);
    SetModified(true);
}

void CMainToolBarPage::OnButtonSelChange() {
    CToolButtonsPage::OnButtonSelChange();
    const int button = SelectedComponentButton();
    ShowItem(kPictureFrame, button >= 0);
    ShowItem(kPartName, button >= 0);
    if (button >= 0) {
        SetItemText(kPartName, workingNames_[button]);
        InvalidateItem(kPictureFrame);
    }
    const int group = SelectedGroup();
    CheckButton(kShowToolBar, group >= 0 && group < kFrameToolBarCount && workingWanted_[group] ? 1 : 0);
}

void CMainToolBarPage::OnControlNotify(int id, platform::Notify code) {
    if (id == kPartName && code == platform::Notify::KillFocus) {
        StorePartName();
        return;
    }
    CToolButtonsPage::OnControlNotify(id, code);
}

void CMainToolBarPage::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    if (item.controlId != kPictureFrame) {
        CToolButtonsPage::OnDrawItem(dc, item);
        return;
    }
    const Rect& r = item.rect;
    dc.FillRect(r, Slot(kSlotFace).brush);
    const int button = SelectedComponentButton();
    if (button < 0) return;
    // The button's face, magnified to the frame's inner rectangle.
    platform::Image face(kFaceWidth, kFaceHeight);
    {
        platform::DrawContext fdc(face);
        Draw3dFace(fdc, Rect{0, 0, kFaceWidth, kFaceHeight});
        fdc.BitBlt({3, 3}, Cell(strip_, button), Rect{0, 0, CMainToolBar::kPictureSize, CMainToolBar::kPictureSize});
    }
    dc.StretchBlt(Rect{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}, face, Rect{0, 0, kFaceWidth, kFaceHeight});
}

void CMainToolBarPage::OnSysColorChange() {
    CToolButtonsPage::OnSysColorChange();
    strip_ = ComponentStrip(workingGlyphs_);
    InvalidateItem(kPictureFrame);
}

void CMainToolBarPage::OnAllOn() {
    SetToolButtonDefaults(-1, working_.data(), static_cast<int>(working_.size()), 0, &workingNames_,
                          DefaultButtonMask());
    workingWanted_.fill(1);
    RefreshChecks();
    OnButtonSelChange();
}

void CMainToolBarPage::OnDefault() {
    SetToolButtonDefaults(-1, working_.data(), static_cast<int>(working_.size()), 1, &workingNames_,
                          DefaultButtonMask());
    workingWanted_.fill(1);
    RefreshChecks();
    OnButtonSelChange();
}

void CMainToolBarPage::ApplyWanted(const std::array<int, 6>& wanted) {
    if (!MainFrame) return;
    // The frame keeps the wanted flags of its shown bars; a bar is shown only when it
    // has buttons to show.
    for (int g = 0; g < kFrameToolBarCount; ++g) MainFrame->ShowToolBar(CMainFrame::kFrameToolBarFirst + g, wanted[g] != 0);
    MainFrame->RememberToolBarVisibility();
    MainFrame->UpdateToolBars(1);
}

bool CMainToolBarPage::ApplyPage() {
    StorePartName();
    const bool listsComponents =
        std::any_of(working_.begin(), working_.end(), [](const ToolButtonEntry& e) { return e.Group == kGroupComponent; });
    if (listsComponents) {
        for (int i = 0; i < static_cast<int>(working_.size()); ++i) {
            const ToolButtonEntry& e = working_[i];
            if (e.Row < 0 || ToolButtonTable[e.Row].Group != kGroupComponent) continue;
            const std::string& name = workingNames_[ToolButtonTable[e.Row].BitmapId];
            if (!e.Visible && name.empty()) continue;
            if (!name.empty() && FindComponentByName(name, nullptr, false)) continue;
            if (Sheet()) {
                for (int p = 0; p < Sheet()->PageCount(); ++p)
                    if (Sheet()->Page(p) == this) Sheet()->SetActivePage(p);
            }
            const char* text = FindResString(kMsgComponentNotFound);
            std::string message = text ? text : "";
            if (message.rfind("%E", 0) == 0) message.erase(0, 2);
            platform::Services().ShowMessageBox(message, Template().caption, 0x10);
            SetCurSel(kGroupList, componentGroupPosition_);
            FillButtonList();
            for (int item = 0; item < ItemCount(kButtonList); ++item)
                if (ItemData(kButtonList, item) == i) SetCurSel(kButtonList, item);
            OnButtonSelChange();
            return false;
        }
    }
    CToolButtonsPage::ApplyPage();
    if (listsComponents) {
        ComponentButtons.partNames = workingNames_;
        ComponentButtons.glyphs = workingGlyphs_;
        if (MainFrame) MainFrame->RefreshComponentBar();
        ResolvePaletteParts();
    }
    ApplyWanted(workingWanted_);
    return true;
}

void CMainToolBarPage::ResetPage() {
    CToolButtonsPage::ResetPage();
    if (!created) return;
    ComponentButtons.partNames = savedNames_;
    ComponentButtons.glyphs = savedGlyphs_;
    if (MainFrame) MainFrame->RefreshComponentBar();
    ResolvePaletteParts();
    ApplyWanted(savedWanted_);
}

}  // namespace ob7
