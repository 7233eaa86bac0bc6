#include "app/main_tool_bar.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>

#include "app/main_frame.h"
#include "app/tool_icons.h"
#include "foundation/string_table.h"
#include "libraries/component_def.h"
#include "libraries/component_library.h"
#include "platform/frame.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

bool IsCheckCommand(int command) {
    return (command >= 17561 && command <= 17586) || (command >= 18670 && command <= 18678) ||
           (command >= 18400 && command <= 18407);
}

// The program's icons, read once from the program folder.
const std::vector<ToolIcon>& Icons() {
    static std::string path;
    static std::vector<ToolIcon> icons;
    if (path != ToolIconPath()) {
        path = ToolIconPath();
        icons = ReadToolIcons(path);
    }
    return icons;
}

// What the status bar says of a component button: its part's name, or name and memo.
std::string ComponentStatus(int command) {
    if (command < 14200 || command > 14219) return {};
    ComponentDef* def = FindComponentByName(ComponentButtons.partNames[command - 14200], nullptr, false);
    if (!def) return {};
    return def->memo.empty() ? def->name : def->name + ":" + def->memo;
}

}  // namespace

std::string ToolTipText(int id) {
    if (id >= 14200 && id <= 14219) return ComponentButtons.partNames[id - 14200].substr(0, 79);
    const char* text = FindResString(id == 9 ? 18009 : id);
    if (!text) return {};
    std::string tip = text;
    size_t nl = tip.find('\n');
    tip = nl == std::string::npos ? std::string() : tip.substr(nl + 1);
    return tip.substr(0, 79);
}

std::string PaletteToolTip(int k, const std::string& name) {
    char text[128];
    std::snprintf(text, sizeof text, "%s (Ctrl+%d)", name.c_str(), k + 1);
    return std::string(text).substr(0, 79);
}

int GetMDIClientTop(const platform::Window& window) {
    auto* main = MainFrame;
    if (!main || !main->IsCreated() || !window.IsCreated()) return 0;
    return main->MdiClientOrigin().y - window.ClientToScreen(platform::Point{0, 0}).y;
}

platform::Image ToolStripImage(int bitmapId, int size) {
    const ToolIcon* generic = nullptr;
    for (const ToolIcon& icon : Icons())
        if (icon.command == 0) generic = &icon;
    int cells = 0;
    for (const ToolButtonInfo& row : ToolButtonTable)
        if (row.BitmapId == bitmapId && row.Group != kGroupComponent) cells = std::max(cells, row.Image + 1);
    std::vector<ToolIcon> pictures(cells);
    std::vector<bool> set(cells, false);
    for (const ToolButtonInfo& row : ToolButtonTable) {
        if (row.BitmapId != bitmapId || row.Group == kGroupComponent || set[row.Image]) continue;
        auto own = std::find_if(Icons().begin(), Icons().end(), [&](const ToolIcon& c) { return c.command == row.Command; });
        if (own != Icons().end()) pictures[row.Image] = *own;
        else if (generic) pictures[row.Image] = *generic;
        set[row.Image] = true;
    }
    return DrawIconStrip(pictures, size, ToolButtonFace());
}

// ---- CProgramToolBar -----------------------------------------------------------------

void CProgramToolBar::OnMouse(const platform::MouseEvent& event) {
    using platform::MouseAction;
    if (event.action == MouseAction::Move) {
        ShowCursorStatus(event.point);
    } else if (event.action == MouseAction::LeftDown || event.action == MouseAction::RightDown) {
        CDraw* top = GetTopDraw();
        if (top && top->drawType == kDrawSchematic) top->CommitInPlaceEdit();
    }
}

// ---- CMainToolBar --------------------------------------------------------------------

bool CMainToolBar::SetButtonTable(const ToolButtonEntry* entries, int count) {
    if (!entries || count < 0) return false;
    list_.assign(entries, entries + count);
    return true;
}

bool CMainToolBar::SetButtonList(const int* commands, const int* pictureCommands, int count) {
    if (!commands || count < 0) return false;
    list_.clear();
    for (int i = 0; i < count; ++i) {
        const int row = FindToolButtonRow(pictureCommands ? pictureCommands[i] : commands[i]);
        list_.push_back({commands[i], 1, row < 0 ? -1 : ToolButtonTable[row].Group, row});
    }
    return true;
}

int CMainToolBar::PictureOffset(int bitmapId) {
    for (const auto& [id, offset] : strips_)
        if (id == bitmapId) return offset;
    platform::Image strip = bitmapId < 20 ? ComponentBarStrip(kPictureSize) : ToolStripImage(bitmapId, kPictureSize);
    const int offset = AddStrip(strip);
    if (strips_.size() < 20) strips_.emplace_back(bitmapId, offset);
    return offset;
}

bool CMainToolBar::LoadButtons(platform::Window* parent) {
    parent_ = parent;
    if (list_.empty()) return false;
    if (Shell.batchMode) return true;
    // The last visible button ends the useful list.
    int last = -1;
    for (int i = 0; i < static_cast<int>(list_.size()); ++i)
        if (list_[i].Command != 0 && list_[i].Visible) last = i;
    int slots = 0;
    bool afterButton = false;
    for (int i = 0; i <= last; ++i) {
        if (list_[i].Command == 0) {
            if (afterButton) ++slots;
            afterButton = false;
        } else if (list_[i].Visible) {
            ++slots;
            afterButton = true;
        }
    }
    if (slots == 0) {
        if (IsCreated()) {
            Destroy();
            RecalcParentLayout();
        }
        return true;
    }
    if (!IsCreated()) {
        if (!parent || !CreateBar(parent, kToolBarId, {kPictureSize, kPictureSize})) return false;
        strips_.clear();
        ClearStrips();
    }
    std::vector<platform::ToolButton> buttons;
    bool buttonSinceSeparator = false;
    for (int i = 0; i < static_cast<int>(list_.size()); ++i) {
        const ToolButtonEntry& entry = list_[i];
        platform::ToolButton button;
        if (entry.Command == 0) {
            // Shown only between visible buttons, never after the last useful entry.
            if (!buttonSinceSeparator || i > last) button.style = platform::kToolHidden;
            buttonSinceSeparator = false;
            buttons.push_back(button);
            continue;
        }
        button.command = entry.Command;
        if (entry.Row >= 0) {
            const ToolButtonInfo& row = ToolButtonTable[entry.Row];
            button.image = PictureOffset(row.BitmapId) + (row.Group == kGroupComponent ? row.BitmapId : row.Image);
        } else {
            button.image = -1;
        }
        if (IsCheckCommand(entry.Command)) button.style |= platform::kToolCheck;
        if (entry.Command == 17584 || entry.Command == 17317) button.style |= platform::kToolDropDown;
        if (!entry.Visible) button.style |= platform::kToolHidden;
        else buttonSinceSeparator = true;
        button.tip = ToolTipText(entry.Command);
        buttons.push_back(button);
    }
    SetButtons(buttons);
    SetBorderSide(top ? platform::DockSide::Bottom : platform::DockSide::Right);
    if (parent) {
        RecalcParentLayout();
        Invalidate();
    }
    return true;
}

void CMainToolBar::TouchButtons() {
    for (const platform::ToolButton& button : Buttons()) {
        const platform::ToolButtonState state = ButtonState(button.command);
        if (state.exists) EnableButton(button.command, state.enabled);
    }
}

void CMainToolBar::OnSysColorChange() {
    if (!IsCreated()) return;
    // The cached strips are forgotten; refilling the bar adds them again in the new colours.
    strips_.clear();
    ClearStrips();
    LoadButtons(parent_);
}

platform::Size CMainToolBar::CalcLayout(platform::Size parentClient) {
    if (top) return Wrap(parentClient.cx);
    const int step = ButtonSize().cx;
    platform::Size size = Wrap(step + 2 * kBorder);
    for (int widen = 1; widen <= 8; ++widen) {
        if (size.cy < parentClient.cy || size.cx > parentClient.cx) break;
        size = Wrap(step * (widen + 1) + 2 * kBorder);
    }
    return size;
}

platform::Rect CMainToolBar::PlaceInParent(const platform::Rect& client) {
    const platform::Size size = CalcLayout({client.Width(), client.Height()});
    platform::Rect rest = client;
    if (top) {
        Move({client.left, client.top, client.right, client.top + size.cy});
        rest.top = std::min(client.bottom, client.top + size.cy);
    } else {
        Move({client.left, client.top, client.left + size.cx, client.bottom});
        rest.left = std::min(client.right, client.left + size.cx);
    }
    return rest;
}

void CMainToolBar::RecalcParentLayout() {
    if (!parent_ || !parent_->IsCreated()) return;
    if (parentSizesItself) {
        const platform::Rect client = parent_->ClientRect();
        parent_->OnSize(client.Width(), client.Height());
        parent_->Invalidate();
    } else if (auto* frame = dynamic_cast<platform::MdiChildFrame*>(parent_)) {
        frame->RecalcLayout();
    } else if (IsCreated()) {
        const platform::Rect rest = PlaceInParent(parent_->ClientRect());
        if (view_ && view_->IsCreated() && view_->Parent() == parent_) view_->Move(rest);
    }
}

void CMainToolBar::ShowCursorStatus(platform::Point p) {
    if (!MainFrame || !MainFrame->StatusBarShown()) return;
    const int command = ButtonAt(p);
    if (command >= 14200 && command <= 14219) {
        if (std::string status = ComponentStatus(command); !status.empty()) MainFrame->SetPromptText(status);
    } else if (command != 0) {
        MainFrame->SetPromptById(command);
    } else {
        const char* caption = FindResString(17892);
        MainFrame->SetPromptText(std::string(caption ? caption : "") + ":" + Text());
    }
}

void CMainToolBar::OnMouse(const platform::MouseEvent& event) {
    CProgramToolBar::OnMouse(event);
    if (event.action != platform::MouseAction::LeftDouble || ButtonAt(event.point) != 0) return;
    // The change lasts for this window only.
    top = top ? 0 : 1;
    SetBorderSide(top ? platform::DockSide::Bottom : platform::DockSide::Right);
    RecalcParentLayout();
    Invalidate();
}

platform::Menu* CMainToolBar::DropDownMenu(int command) {
    if (command != 17584 || !view_) return nullptr;
    dropDown_.Clear();
    view_->FillGraphicsMenu(dropDown_);
    return &dropDown_;
}

void UpdateDrawToolBars() {
    for (CDraw* view : ViewList())
        if (view && view->mainToolBar && view->mainToolBar->IsCreated() && view->mainToolBar->IsVisible())
            view->mainToolBar->UpdateButtons();
}

void ReloadDrawToolBarStrips() {
    for (CDraw* view : ViewList())
        if (auto* bar = view ? dynamic_cast<CMainToolBar*>(view->mainToolBar.get()) : nullptr) bar->OnSysColorChange();
}

void InstallDrawToolBars() {
    SetDrawToolBarMaker([](CDraw& view) -> std::unique_ptr<CDrawToolBar> {
        ToolButtonEntry* entries = nullptr;
        int count = 0;
        int32_t* topFlag = GetMainToolBarTable(view.drawType, &entries, &count);
        if (!topFlag) return nullptr;
        auto bar = std::make_unique<CMainToolBar>(&view);
        if (!bar->SetButtonTable(entries, count)) return nullptr;
        bar->top = *topFlag;
        return bar;
    });
}

}  // namespace ob7
