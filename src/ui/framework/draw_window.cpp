#include "ui/framework/draw_window.h"

#include "ui/framework/dialogs.h"

#include <algorithm>
#include <cstdio>

#include "platform/accelerator.h"
#include "platform/application.h"
#include "platform/clipboard.h"
#include "platform/desktop.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "platform/draw_context.h"
#include "platform/file_dialog.h"
#include "platform/menu.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/shell_state.h"
#include "ui/framework/title_block.h"
#include "ui/framework/txt_edit.h"

namespace ob7 {

using platform::CommandUI;
using platform::Rect;

ShellState Shell;

namespace {

bool IsPlotType(int type) {
    return type == kDraw2DPlot || type == kDrawHistogram || type == kDraw3DPlot || type == kDrawFilterPlot ||
           type == kDrawCharacteristic || type == kDrawPerformance;
}

bool IsDrawingTool(int mode) {
    switch (mode) {
    case kModeLine: case kModeEllipse: case kModeRectangle: case kModeDiamond: case kModeArc: case kModePie:
    case kModePicture: case kModePolygon: return true;
    default: return false;
    }
}

// Modes left to the derived views' own maps.
bool IsViewMode(int id) {
    return id == 17566 || id == kModeScale || id == kModeCursor || id == 17577 || id == kModeHorizontalTag ||
           id == kModeVerticalTag || id == kModePointTag;
}

platform::FrameWindow* MainFrameWindow() {
    platform::Application* app = platform::Application::Instance();
    return app ? dynamic_cast<platform::FrameWindow*>(app->MainWindow()) : nullptr;
}

bool AnalysisActive() { return Shell.analysisKind != -1; }

}  // namespace

void RegisterDrawAccelerators() {
    if (platform::FindAccelerators(kDrawAccelerators)) return;
    using namespace platform;
    RegisterAccelerators(AcceleratorTable(kDrawAccelerators, {
        {'P', kCtrlDown, kCmdPrint},
        {'S', kCtrlDown, kCmdSave},
        {key::kAdd, kCtrlDown, kCmdZoomIn},
        {key::kSubtract, kCtrlDown, kCmdZoomOut},
        {key::F(10), 0, kCmdProperties},
        {key::F(1), kAltDown, kCmdContextHelp},
    }));
}

std::vector<CDraw*>& ViewList() {
    static std::vector<CDraw*> list;
    return list;
}

void ExtendBounds(Rect& r, const Rect& other) {
    for (platform::Point p : {platform::Point{other.left, other.top}, platform::Point{other.right, other.bottom}}) {
        if (p.x < r.left) r.left = p.x;
        else if (p.x > r.right) r.right = p.x;
        if (p.y < r.top) r.top = p.y;
        else if (p.y > r.bottom) r.bottom = p.y;
    }
}

UndoEntry::UndoEntry() = default;
UndoEntry::~UndoEntry() = default;

// ---------------------------------------------------------------------------------
// CDraw

CDraw::CDraw() {
    RegisterDrawAccelerators();
    SetAccelerators(platform::FindAccelerators(kDrawAccelerators));
    DefaultFontRecord(windowFont);
    DefaultFontRecord(objectFont);

    OnCommand(kCmdUndo, [this](int) { UndoStep(); });
    OnUpdate(kCmdUndo, [this](CommandUI& ui) { UpdateUndo(ui, false); });
    OnCommand(kCmdRedo, [this](int) { RedoStep(); });
    OnUpdate(kCmdRedo, [this](CommandUI& ui) { UpdateUndo(ui, true); });
    OnCommand(kCmdCut, [this](int) { Cut(1); });
    OnCommand(kCmdCopy, [this](int) { Copy(); });
    OnCommand(kCmdPaste, [this](int) { Paste(); });
    OnCommand(kCmdClear, [this](int) { Clear(); });
    for (int id : {kCmdCut, kCmdCopy, kCmdPaste, kCmdClear})
        OnUpdate(id, [this](CommandUI& ui) { ui.Enable(EditEnabled(ui.Id())); });
    OnCommand(kCmdSelectAll, [this](int) { SelectAll(); });
    OnUpdate(kCmdSelectAll, [this](CommandUI& ui) { ui.Enable(SelectAllEnabled()); });
    OnCommand(kCmdPrint, [this](int) { Print(); });
    OnUpdate(kCmdPrint, [this](CommandUI& ui) {
        bool runRule = !Shell.runInProgress || Shell.runPaused || Shell.dynamicDC;
        ui.Enable(drawType != kDrawModelLibrary && !Shell.digitalPathDialogOpen && runRule);
    });
    OnCommand(kCmdToFront, [this](int) { Arrange(2); });
    OnCommand(kCmdToBack, [this](int) { Arrange(1); });
    OnUpdateRange(kCmdToFront, kCmdToBack, [this](CommandUI& ui) {
        int mask = ArrangeMask();
        ui.Enable(mask != 0 && CountSelected(mask) != 0);
    });
    OnCommand(kCmdCopySelectBoxBmp, [this](int) { CopyWindowBitmapToClipboard(*this, selectionBox); });
    OnUpdate(kCmdCopySelectBoxBmp, [this](CommandUI& ui) { ui.Enable(HasSelectionBox()); });
    OnCommand(kCmdCopyVisibleBmp, [this](int) { CopyWindowBitmapToClipboard(*this); });
    OnUpdate(kCmdCopyVisibleBmp, [](CommandUI& ui) { ui.Enable(true); });
    for (int id : {kCmdCopyPicture, kCmdCopyEnhancedPicture})
        OnCommand(id, [this](int) {
            platform::clipboard::Clear();
            platform::clipboard::SetPicture(RecordPicture());
        });
    OnCommand(kCmdSavePicture, [this](int) {
        platform::FileDialogOptions options;
        options.title = "Save Picture";
        options.filters = {{"Picture", "*.pic"}};
        options.defaultExtension = "pic";
        std::string path = platform::RunSaveFileDialog(this, options);
        if (!path.empty() && !SavePictureFile(path)) {
            SetPendingMessageText(path.c_str());
            ReportMessage("PE", this, kMsgWriteError, path.c_str());
        }
    });
    OnUpdateRange(kCmdCopyPicture, kCmdCopyEnhancedPicture, [this](CommandUI& ui) {
        bool kind = drawType == kDrawSchematic || drawType == kDraw2DPlot || drawType == kDrawHistogram ||
                    drawType == kDraw3DPlot || drawType == kDrawPerformance;
        ui.Enable(kind && !IsTextFocus());
    });
    OnCommand(kCmdProperties, [this](int) { Properties(); });
    OnUpdate(kCmdProperties, [this](CommandUI& ui) { OnUpdateProperties(ui); });
    OnCommand(kCmdToggleLastMode, [this](int) {
        if (currentMode == kModeSelect) SetMode(previousMode ? previousMode : kModeSelect);
        else SetMode(kModeSelect);
    });
    OnCommandRange(kFirstMode, kLastMode, [this](int id) { OnModeCommand(id); });
    OnUpdateRange(kFirstMode, kLastMode, [this](CommandUI& ui) { UpdateModeCommand(ui); });
}

CDraw::~CDraw() {
    auto& list = ViewList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (frame && frame->draw == this) frame->draw = nullptr;
}

namespace {
ToolBarTableSource& TheToolBarTables() {
    static ToolBarTableSource source;
    return source;
}
}  // namespace

void SetToolBarTableSource(ToolBarTableSource source) { TheToolBarTables() = std::move(source); }

namespace {
std::function<void()>& TheModeIndicator() {
    static std::function<void()> refresh;
    return refresh;
}
}  // namespace

void SetModeIndicatorRefresh(std::function<void()> refresh) { TheModeIndicator() = std::move(refresh); }

void RefreshModeIndicator() {
    if (TheModeIndicator()) TheModeIndicator()();
}

namespace {
DrawToolBarMaker& TheToolBarMaker() {
    static DrawToolBarMaker maker;
    return maker;
}
}  // namespace

void SetDrawToolBarMaker(DrawToolBarMaker maker) { TheToolBarMaker() = std::move(maker); }

namespace {
WindowToolBarPageMaker& ThePageMaker() {
    static WindowToolBarPageMaker maker;
    return maker;
}
}  // namespace

void SetWindowToolBarPageMaker(WindowToolBarPageMaker maker) { ThePageMaker() = std::move(maker); }

std::unique_ptr<CPropertyPage2> MakeWindowToolBarPage(CDraw& view) {
    return ThePageMaker() ? ThePageMaker()(view) : nullptr;
}

bool CDraw::InitMainToolBar() {
    std::vector<int> commands;
    bool top = true;
    if (!TheToolBarTables() || !TheToolBarTables()(drawType, commands, top)) return false;
    toolButtons = std::move(commands);
    toolBarTop = top;
    return true;
}

bool CDraw::CreateInFrame(platform::Window* parent) {
    parentWindow = parent;
    if (frame && std::find(ViewList().begin(), ViewList().end(), this) == ViewList().end())
        ViewList().push_back(this);
    if (toolButtons.empty()) InitMainToolBar();
    if (drawType != kDrawThumbnail && TheToolBarMaker() && !mainToolBar) {
        mainToolBar = TheToolBarMaker()(*this);
        if (mainToolBar && !mainToolBar->LoadButtons(parent)) {
            mainToolBar.reset();
            return false;
        }
    }
    Rect area = parent ? parent->ClientRect() : Rect{};
    if (!Create(parent, area, platform::kVisible, kDrawChildId)) return false;
    if (auto* child = dynamic_cast<platform::MdiChildFrame*>(parent)) child->SetView(this);
    return true;
}

void CDraw::SetMode(int mode) {
    if (mode != currentMode && currentMode != kModeSelect) previousMode = currentMode;
    bool cursorSwitch = (mode == kModeCursor) != (currentMode == kModeCursor);
    if (cursorSwitch && GetTopDraw() == this) {
        // Cursor mode paints differently: repaint at once.
        currentMode = mode;
        if (IsCreated()) {
            Invalidate();
            Update();
        }
    }
    currentMode = mode;
    RefreshModeIndicator();
}

void CDraw::OnModeCommand(int id) {
    if (id == kModeGraphics) {
        ShowGraphicsMenu();
        return;
    }
    if (IsViewMode(id)) return;
    SetMode(id);
}

void CDraw::UpdateModeCommand(CommandUI& ui) {
    int id = ui.Id();
    bool greyed = false;
    bool enabled;
    if (Shell.digitalPathDialogOpen) {
        enabled = false;
    } else if ((drawType == kDrawSchematic || drawType == kDrawText) && AnalysisActive()) {
        enabled = (drawType == kDrawSchematic && Shell.dynamicDC) || id == kModeSelect || id == kModeComponentHelp;
        if (id == kModeInfo) enabled = false;
    } else if (RunActive()) {
        enabled = false;
    } else if (IsPlotType(drawType) && !HasGraphs() && id != kModeSelect) {
        enabled = false;
        greyed = true;
    } else {
        enabled = std::find(toolButtons.begin(), toolButtons.end(), id) != toolButtons.end();
    }
    if (ui.isSubMenu) enabled = !(drawType == kDrawModelLibrary || greyed);
    ui.Enable(enabled);
    if (id == kModeGraphics) ui.SetCheck(IsDrawingTool(currentMode) ? 1 : 0);
    else ui.SetCheck(id == currentMode ? 1 : 0);
}

void CDraw::FillGraphicsMenu(platform::Menu& menu) const {
    static constexpr struct { int id; const char* text; } kTools[] = {
        {kModeLine, "&Line"}, {kModeEllipse, "&Ellipse"}, {kModeRectangle, "&Rectangle"},
        {kModeDiamond, "&Diamond"}, {kModeArc, "&Arc"}, {kModePie, "&Pie"}, {kModePicture, "Pic&ture"},
        {kModePolygon, "Poly&gon"}};
    for (int id : toolButtons)
        for (const auto& tool : kTools)
            if (tool.id == id) menu.Append(tool.id, tool.text);
}

int CDraw::ShowGraphicsMenu() {
    if (std::find(toolButtons.begin(), toolButtons.end(), kModeGraphics) == toolButtons.end()) return 0;
    platform::Menu menu;
    FillGraphicsMenu(menu);
    if (!IsCreated()) return 0;
    int chosen = TrackPopupMenu(menu, ClientToScreen(platform::Point{0, 0}));
    if (chosen) ExecuteCommand(chosen);
    return chosen;
}

void CDraw::OnUpdateProperties(CommandUI& ui) {
    if (ui.isSubMenu) ui.Enable(true);
}

void CDraw::OnKeyDown(const platform::KeyEvent& event) {
    if (event.key == platform::key::kEscape) SetMode(kModeSelect);
}

void CDraw::OnMouse(const platform::MouseEvent& event) {
    if (event.action == platform::MouseAction::RightUp) {
        if (!(event.flags & (platform::kLeftButton | platform::kRightButton))) ReleaseCapture();
        rightDrag = 0;
    }
}

void CDraw::OnEraseBackground(platform::DrawContext& dc) {
    CDrawContext context(&dc);
    SelectAndRealizePalette(context);
    dc.FillRect(ClientRect(), SlotBrush(context, GetBackgroundColor(context)));
}

// --- Undo ---------------------------------------------------------------------------

UndoEntry* CDraw::CurrentUndo() const { return current_ >= 0 ? undo_[current_].get() : nullptr; }

UndoEntry* CDraw::RedoEntry() const {
    int next = current_ + 1;
    return next < static_cast<int>(undo_.size()) ? undo_[next].get() : nullptr;
}

UndoEntry* CDraw::BeginUndo(int kind, const std::string& label) {
    if (undoLock || !IsCreated()) return nullptr;
    // One level: a new edit replaces whatever could be undone or redone before.
    undo_.clear();
    auto entry = NewUndoEntry();
    entry->kind = kind;
    entry->label = label;
    undo_.push_back(std::move(entry));
    current_ = 0;
    return undo_.back().get();
}

UndoEntry* CDraw::BeginEditUndo(const std::string& label) {
    if (undoLock) return nullptr;
    UndoEntry* entry = BeginUndo(kUndoEditState, label);
    if (entry) entry->rect = selectionBox;
    return entry;
}

void CDraw::RestoreEditState() {
    UndoEntry* entry = CurrentUndo();
    if (!entry) return;
    OnDocumentChanged();
    std::swap(selectionBox, entry->rect);
    Refresh(66616);
}

void CDraw::UndoStep() {
    UndoEntry* entry = CurrentUndo();
    if (!entry || entry->kind == 0) return;
    if (entry->kind == kUndoEditState) RestoreEditState();
    else if (entry->kind == kUndoOneObject) SwapObjectWithUndo(entry->object);
    else if (entry->kind == kUndoTextChange && TextEditor()) TextEditor()->UndoOrBeep();
    --current_;
}

void CDraw::RedoStep() {
    UndoEntry* entry = RedoEntry();
    if (!entry || entry->kind == 0) return;
    ++current_;
    if (entry->kind == kUndoEditState) RestoreEditState();
    else if (entry->kind == kUndoOneObject) SwapObjectWithUndo(entry->object);
    else if (entry->kind == kUndoTextChange && TextEditor()) TextEditor()->UndoOrBeep();
}

void CDraw::DropCurrentUndo(bool undoFirst) {
    if (undoLock || current_ < 0) return;
    if (undoFirst) UndoStep();
    else --current_;
    undo_.erase(undo_.begin() + (current_ + 1));
}

void CDraw::ClearUndoList() {
    undo_.clear();
    current_ = -1;
}

void CDraw::UpdateUndo(CommandUI& ui, bool redo) {
    UndoEntry* entry = redo ? RedoEntry() : CurrentUndo();
    bool enabled = entry && entry->kind != 0;
    if (IsActiveCircuitView() && AnalysisActive()) enabled = false;
    if ((flags & kDrawObjectMode) && !HasGraphs()) enabled = false;
    char text[100];
    if (enabled)
        std::snprintf(text, sizeof text, redo ? "&Redo %s\tCtrl+Y" : "&Undo %s\tCtrl+Z", entry->label.c_str());
    else
        std::snprintf(text, sizeof text, "%s", redo ? "Can't Redo\tCtrl+Y" : "Can't Undo\tCtrl+Z");
    ui.Enable(enabled);
    ui.SetText(text);
}

// --- Selection ------------------------------------------------------------------------

int CDraw::ClearSelection() {
    int mask = drawType == kDrawSchematic ? 11 : 4;
    bool any = HasSelectionBox() || CountSelected(mask) > 0;
    if (!any) return 0;
    paintMode = 4;
    Refresh(Shell.blockSelect ? 8712 : 41480);
    paintMode = 0;
    selectionBox = Rect{-1, -1, -1, -1};
    SetSelection(mask, 0);
    return 1;
}

void CDraw::SetAllSelected(int select) {
    int mask = drawType == kDrawSchematic ? 11 : 4;
    if (select) {
        paintMode = 0;
        SetSelection(mask, 1);
        Refresh(536);
    } else if (ClearSelection()) {
        Refresh(24);
    }
}

void CDraw::RefreshAll() {
    paintMode = 0;
    Refresh(9752);
}

void CDraw::RefreshForDrag() {
    paintMode = 4;
    Refresh(8712);
    paintMode = 0;
    Refresh(16392);
}

int CDraw::ArrangeMask() const {
    if (drawType == kDrawSchematic && !AnalysisActive()) return 3;
    if ((flags & kDrawObjectMode) && AnalysisActive()) return 4;
    return 0;
}

void CDraw::Arrange(int where) {
    int mask = ArrangeMask();
    if (!mask || CountSelected(mask) != 1) return;
    BeginEditUndo(where == 2 ? "To Front" : "To Back");
    ArrangeSelected(where);
    OnDocumentChanged();
    Refresh(1048);
}

bool CDraw::EditEnabled(int command) {
    bool analysisOnThis = IsActiveCircuitView() && AnalysisActive();
    if (analysisOnThis && command != kCmdCopy) return false;
    if (CTxtEdit* editor = TextEditor(); editor && IsTextFocus()) {
        if (command == kCmdPaste) return !editor->IsReadOnly() && platform::clipboard::HasText();
        int start, end;
        editor->GetSel(start, end);
        if (start == end) return false;
        return command == kCmdCopy || !editor->IsReadOnly();
    }
    int mask;
    if (drawType == kDrawSchematic) {
        if (AnalysisActive()) return false;
        mask = 3;
    } else if ((flags & kDrawObjectMode) && HasGraphs()) {
        mask = 4;
    } else {
        return false;
    }
    if (command == kCmdPaste) return InternalClipboardHasObjects();
    return CountSelected(mask) > 0;
}

bool CDraw::SelectAllEnabled() {
    if (CTxtEdit* editor = TextEditor(); editor && IsTextFocus()) {
        if (editor->IsReadOnly()) return false;
        return editor->GetTextLength() > 9 || editor->GetLineCount() > 1 || editor->LineLength(0) > 0;
    }
    if (drawType == kDrawSchematic) return !AnalysisActive() && ObjectCount() > 0;
    if ((flags & kDrawObjectMode) && HasGraphs()) return ObjectCount() > 0;
    return false;
}

// --- Colours and geometry -----------------------------------------------------------------

bool CDraw::UsesBackgroundColor(const CDrawContext& dc) const {
    if (dc.technology == platform::DeviceKind::Display && !printRegion && !copyPainting) return true;
    return Shell.printBackground;
}

int CDraw::GetBackgroundColor(const CDrawContext& dc) const {
    return UsesBackgroundColor(dc) ? backgroundColour : 15;
}

int CDraw::MapOutputColor(const CDrawContext& dc, int& colour) const {
    if (dc.technology == platform::DeviceKind::Display || !dc.monochrome) return 0;
    if (colour == kNoColor) return 1;
    bool whiteBackground = Shell.printBackground && Slot(0).colour == Slot(64).colour;
    colour = whiteBackground ? 15 : 0;
    return 1;
}

Rect CDraw::GetDrawRect(const CDrawContext& dc) const {
    if (printRegion) return *printRegion;
    if (dc.technology == platform::DeviceKind::Printer && dc.Dc()) {
        platform::Size s = dc.Dc()->DeviceSize();
        return Rect{0, 0, s.cx, s.cy};
    }
    return IsCreated() ? ClientRect() : Rect{};
}

platform::Size CDraw::GetDrawSize(const CDrawContext& dc) const {
    Rect r = GetDrawRect(dc);
    return platform::Size{r.Width(), r.Height()};
}

bool CDraw::IsTextFocus() const {
    int kind = frame ? frame->kind : drawType;
    if (kind == kDrawText) return true;
    if (kind != kDrawSchematic) return false;
    CTxtEdit* editor = const_cast<CDraw*>(this)->TextEditor();
    return editor && editor->HasFocus();
}

bool CDraw::IsEditable() const {
    if (!IsTextFocus()) return false;
    return !AnalysisActive() || (drawType == kDrawText && !IsActiveCircuitView());
}

bool CDraw::IsActiveCircuitView() const { return Shell.activeCircuitView == this; }

bool CDraw::IsCoveredByMaximizedFrame() const {
    CMDIFrame* top = GetTopFrame();
    return top && top != frame && top->State() == platform::ShowState::Maximized;
}

std::string CDraw::GetFrameTitle() const { return frame ? frame->GetTitle() : std::string(); }

void CDraw::SetFrameTitle(const std::string& title) {
    if (frame) frame->SetTitle(title);
}

void CDraw::CloseFrame() {
    if (frame && frame->IsCreated()) frame->Close();
}

void CDraw::InvalidateAll() {
    if (IsCreated()) Invalidate();
}

platform::Picture CDraw::RecordPicture() {
    platform::Picture picture;
    {
        platform::DrawContext dc(picture);
        // Painted as for a copy: the background follows the preference, no selection marks.
        ++copyPainting;
        int keepMask = filterMask, keepValue = filterValue, keepIgnore = ignoreObjectFlags,
            keepFrame = selectionFrameShown;
        SetSelectionFlags(23);
        OnEraseBackground(dc);
        OnPaint(dc);
        filterMask = keepMask;
        filterValue = keepValue;
        ignoreObjectFlags = keepIgnore;
        selectionFrameShown = keepFrame;
        --copyPainting;
    }
    return picture;
}

bool CDraw::SavePictureFile(const std::string& path) { return RecordPicture().Save(path); }

int CDraw::SetSelectionFlags(int word) {
    if (word == 0x80) {
        paintToggle2 = !paintToggle2;
        return paintToggle2;
    }
    if (word == 0x20) {
        int old = paintToggle1;
        paintToggle1 = !paintToggle1;
        return old;
    }
    ignoreObjectFlags = (word & 0x4) ? 1 : 0;
    selectionFrameShown = (word & 0x10) ? 0 : 1;
    if ((word & 0x3) == 0x3) {
        filterMask = 0;
        filterValue = 0;
    } else {
        filterMask = 1;
        if (word & 0x1) filterValue = 1;
        else if (word & 0x2) filterValue = 0;
    }
    return 0;
}

// ---------------------------------------------------------------------------------
// CMDIFrame

CMDIFrame::CMDIFrame() = default;

CMDIFrame::~CMDIFrame() {
    UnlinkDraw();
    if (draw && draw->frame == this) draw->frame = nullptr;
}

bool CMDIFrame::CreateChildFrame(platform::FrameWindow& main, const std::string& className, const std::string& title) {
    className_ = className;
    if (!title.empty()) name = title;
    return CreateChild(main, name);
}

void CMDIFrame::SetTitle(const std::string& text) {
    name = text;
    SetText(text);
}

std::string CMDIFrame::GetTitle() const {
    std::string title = IsCreated() ? Text() : name;
    if (title.size() > 259) title.resize(259);
    return title;
}

void CMDIFrame::Activate() {
    if (!IsCreated()) return;
    if (AnalysisActive() && Shell.activeViewProbeMode) {
        FillMDIClient();
        ShowAs(platform::ShowState::Normal);
    } else {
        ShowAs(platform::ShowState::Maximized);
    }
    MdiChildFrame::Activate();
}

void CMDIFrame::RestorePlacement(const platform::Placement& p, bool set) {
    if (!set) {
        Activate();
        return;
    }
    platform::Placement fitted = p;
    if (fitted.normal.left != fitted.normal.right && MainFrame()) {
        // Keep the normal rectangle inside the MDI client.
        Rect client = MainFrame()->MdiClientRect();
        Rect& r = fitted.normal;
        int w = std::min(r.Width(), client.Width()), h = std::min(r.Height(), client.Height());
        r.left = std::clamp(r.left, 0, std::max(0, client.Width() - w));
        r.top = std::clamp(r.top, 0, std::max(0, client.Height() - h));
        r.right = r.left + w;
        r.bottom = r.top + h;
    }
    SetPlacement(fitted);
    MdiChildFrame::Activate();
}

void CMDIFrame::MatchTopFramePlacement() {
    platform::Placement p = GetTopFramePlacement(*this);
    p.show = platform::ShowState::Maximized;
    RestorePlacement(p);
}

void CMDIFrame::BringToFront() {
    if (!IsCreated()) return;
    if (platform::FrameWindow* main = MainFrameWindow())
        if (main->State() == platform::ShowState::Minimized) main->ShowAs(platform::ShowState::Normal);
    if (State() == platform::ShowState::Minimized) ShowAs(platform::ShowState::Normal);
    MdiChildFrame::Activate();
}

void CMDIFrame::FillMDIClient() {
    if (!IsCreated() || !MainFrame()) return;
    if (State() != platform::ShowState::Normal) ShowAs(platform::ShowState::Normal);
    Rect client = MainFrame()->MdiClientRect();
    Move(Rect{0, 0, client.Width(), client.Height()});
}

void CMDIFrame::MoveToTopRightQuarter() {
    if (!IsCreated() || !MainFrame()) return;
    if (State() != platform::ShowState::Normal) ShowAs(platform::ShowState::Normal);
    Rect client = MainFrame()->MdiClientRect();
    int w = client.Width() / 2, h = client.Height() / 2;
    Move(Rect{w, 0, w + w, h});
}

void CMDIFrame::Close() {
    if (MainFrameWindow() && IsCreated()) OnClose();
}

bool CMDIFrame::OnQueryEndSession() {
    if (!IsCreated()) return true;
    OnClose();
    return !IsCreated();
}

bool QueryEndSessionAllFrames() {
    std::vector<CMDIFrame*> frames;
    for (CDraw* d : ViewList())
        if (d->frame && std::find(frames.begin(), frames.end(), d->frame) == frames.end()) frames.push_back(d->frame);
    for (CMDIFrame* f : frames)
        if (!f->OnQueryEndSession()) return false;
    return true;
}

void CMDIFrame::UnlinkDraw() {
    if (!draw) return;
    auto& list = ViewList();
    list.erase(std::remove(list.begin(), list.end(), draw), list.end());
}

void CMDIFrame::OnClose() {
    if (Shell.digitalPathDialogOpen) return;
    Destroy();
}

void CMDIFrame::OnActivate(bool active) {
    if (active) RefreshModeIndicator();
}

void CMDIFrame::OnSetFocus() {
    if (draw && draw->IsCreated()) draw->SetFocus();
}

Rect CMDIFrame::ViewArea(const Rect& client) {
    if (draw && draw->mainToolBar && draw->mainToolBar->IsCreated()) return draw->mainToolBar->PlaceInParent(client);
    return client;
}

CMDIFrame* FindFrameForWindow(const platform::Window* window) {
    for (CDraw* d : ViewList())
        if (d->frame && d->frame == window) return d->frame;
    return nullptr;
}

CMDIFrame* GetTopFrame() {
    platform::FrameWindow* main = MainFrameWindow();
    if (!main) return nullptr;
    if (AnalysisActive() && Shell.activeViewProbeMode) return dynamic_cast<CMDIFrame*>(main->ActiveChild());
    for (platform::MdiChildFrame* child : main->Children())
        if (CMDIFrame* f = FindFrameForWindow(child)) return f;
    return nullptr;
}

CDraw* GetTopDraw() {
    CMDIFrame* f = GetTopFrame();
    return f ? f->draw : nullptr;
}

platform::Placement GetTopFramePlacement(const CMDIFrame& frame) {
    CMDIFrame* top = GetTopFrame();
    if (top && top->State() == platform::ShowState::Maximized) return top->GetPlacement();
    return frame.GetPlacement();
}

}  // namespace ob7
