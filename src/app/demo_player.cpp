#include "app/demo_player.h"

#include <strings.h>

#include <cstdlib>

#include "app/circuit_analysis.h"
#include "app/demo_documents.h"
#include "app/main_frame.h"
#include "app/settings_profile.h"
#include "app/tool_buttons.h"
#include "foundation/message_codes.h"
#include "libraries/component_library.h"
#include "foundation/messages.h"
#include "platform/application.h"
#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/property_sheet.h"
#include "platform/tool_bar.h"
#include "plots/analysis_window.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/io_frame.h"
#include "ui/framework/shell_state.h"
#include "ui/framework/txt_edit.h"

namespace ob7 {

namespace {

constexpr int kKeyEnter = 13, kKeyPause = 19, kKeyEscape = 27, kKeyP = 'P';
constexpr int kDemoMessageBox = 3889;

// The window that receives the script's input: the open dialog (or the active page of
// a sheet), else the top document window, else the main frame.
platform::Window* TargetWindow(bool usePage) {
    if (CurrentDialog) {
        auto* sheet = dynamic_cast<platform::PropertySheet*>(CurrentDialog);
        if (usePage && sheet && sheet->Page(sheet->ActiveIndex())) return sheet->Page(sheet->ActiveIndex());
        return CurrentDialog;
    }
    if (CDraw* draw = GetTopDraw()) return draw;
    return MainFrame;
}

CMDIFrame* FirstCircuitFrame() {
    if (!MainFrame) return nullptr;
    for (platform::MdiChildFrame* child : MainFrame->Children()) {
        auto* frame = dynamic_cast<CMDIFrame*>(child);
        if (frame && (frame->kind == kDrawSchematic || frame->kind == kDrawText)) return frame;
    }
    return nullptr;
}

platform::MouseAction ActionOf(DemoEvent::Kind kind) {
    switch (kind) {
    case DemoEvent::LeftDown: return platform::MouseAction::LeftDown;
    case DemoEvent::LeftUp: return platform::MouseAction::LeftUp;
    case DemoEvent::RightDown: return platform::MouseAction::RightDown;
    case DemoEvent::RightUp: return platform::MouseAction::RightUp;
    default: return platform::MouseAction::Move;
    }
}

// The top frame of a window kind, brought forward by the script.
CMDIFrame* FrameOfKind(int kind) {
    if (!MainFrame) return nullptr;
    for (platform::MdiChildFrame* child : MainFrame->Children()) {
        auto* frame = dynamic_cast<CMDIFrame*>(child);
        if (frame && frame->kind == kind) return frame;
    }
    return nullptr;
}

// The kind of a dialog's control, as its template made it.
bool ItemKind(const platform::Dialog& dialog, int id, platform::ControlKind& kind) {
    if (!dialog.HasItem(id)) return false;
    for (const platform::ControlSpec& control : dialog.Template().controls)
        if (control.id == id) {
            kind = control.kind;
            return true;
        }
    return false;
}

bool IsEditKind(platform::ControlKind kind) {
    return kind == platform::ControlKind::Edit || kind == platform::ControlKind::MultiLineEdit;
}

bool IsComboKind(platform::ControlKind kind) {
    return kind == platform::ControlKind::ComboDropDown || kind == platform::ControlKind::ComboList ||
           kind == platform::ControlKind::OwnerDrawCombo;
}

// An edit control of the target page, null when the id names none.
platform::Dialog* EditOf(platform::Window* target, int id) {
    auto* page = dynamic_cast<platform::Dialog*>(target);
    platform::ControlKind kind;
    return page && ItemKind(*page, id, kind) && IsEditKind(kind) ? page : nullptr;
}

// The operands of each instruction, in order: b a byte (or condition), w a word or
// short, t a text, a the argument text of a call (there when the byte before it is not
// 0), i an embedded instruction.
const char* OperandLayout(int code) {
    switch (code) {
    case 4: case 10: case 15: case 22: case 24: case 27: case 28: case 29: case 30: case 31: case 32:
    case 36: case 42: case 47: case 55: case 56: case 67: return "w";
    case 8: case 68: return "wit";
    case 9: return "wwww";
    case 11: return "wb";
    case 12: return "bttww";
    case 13: case 18: case 25: case 37: case 69: return "www";
    case 17: case 34: case 46: return "t";
    case 21: return "bbbb";
    case 35: return "bb";
    case 38: return "bbb";
    case 40: return "b";
    case 41: return "bw";
    case 43: case 52: case 59: case 65: case 70: return "wt";
    case 44: return "wba";
    case 60: case 61: return "tw";
    case 62: return "ww";
    default: return "";
    }
}

// The script's own message box, shown after the step that asked for it has returned.
struct DemoMessage {
    std::string caption, text;
    int x = 0, y = 0;
} PendingBox;

}  // namespace

DemoPlayer& Demo() {
    static DemoPlayer player;
    return player;
}

bool DemoPlayer::Start(int command) { return Start(command, DemoFilePath()); }

bool DemoPlayer::Start(int command, const std::string& path) {
    const bool wasPlaying = playing_;
    if (playing_) End(false);
    if (!wasPlaying) SaveProfile();  // the user's own settings come back at the end
    SetProfileDefaults(false);
    read_ = write_ = waited_ = 0;
    calls_.clear();
    paused_ = stopRequested_ = ended_ = false;
    leftHeld_ = rightHeld_ = fast_ = altDown_ = false;
    keyState_ = 0;
    speed_ = 2;
    closingStep_ = depth_ = 0;
    pointer_ = {};
    ResetUntitledCounters();
    playing_ = true;
    Shell.demoPlaying = true;
    if (MainFrame && !wasPlaying) MainFrame->DisableComponentPalettes(1);
    if (!wasPlaying && !SaveDocumentsForDemo(documents_)) {
        End(true);
        return false;
    }
    if (MainFrame && !MainFrame->StatusBarShown()) {
        MainFrame->ToggleStatusBar();
        statusShownForDemo_ = true;
    }

    int code = ReadDemoFile(path, demo_);
    if (code == 0 && command != -1 && demo_.Find(command) < 0) code = kMsgReported;  // no such demo
    if (code != 0) {
        ReportMessage("E", code);
        End(true);
        return false;
    }
    pos_ = command == -1 ? 0 : static_cast<size_t>(demo_.Find(command));
    if (MainFrame) {
        MainFrame->ShowAs(platform::ShowState::Maximized);
        MainFrame->SetTimer(kDemoTimer, kDemoTickMs);
    }
    return true;
}

void DemoPlayer::End(bool restore) {
    if (!playing_) return;
    stopRequested_ = true;
    playing_ = false;
    if (MainFrame) MainFrame->KillTimer(kDemoTimer);
    demo_ = DemoScript{};
    read_ = write_ = 0;
    // An open dialog of the demo is cancelled.
    if (auto* sheet = dynamic_cast<CPropertySheet2*>(CurrentDialog)) sheet->CancelAll();
    else if (auto* dialog = dynamic_cast<platform::Dialog*>(CurrentDialog)) dialog->EndDialog(2);
    CloseDemoDocuments();
    Shell.demoPlaying = false;
    if (MainFrame) MainFrame->RestoreComponentPalettes(1);
    if (restore) {
        ResetUntitledCounters();
        LoadProfile();
        RestoreDocumentsAfterDemo(documents_);
        if (statusShownForDemo_ && MainFrame && MainFrame->StatusBarShown()) MainFrame->ToggleStatusBar();
    }
    statusShownForDemo_ = false;
    ended_ = true;
}

bool DemoPlayer::OnKey(int key) {
    if (!playing_) return false;
    // The user's keys do not reach the program while a demo drives it.
    if (stopRequested_ || ended_) return true;
    if (key == kKeyP || key == kKeyPause) {
        paused_ = !paused_;
    } else if (key == kKeyEnter) {
        paused_ = false;
    } else if (key == kKeyEscape) {
        stopRequested_ = true;
        paused_ = false;
        // A held button is released before the demo stops.
        if (leftHeld_) Deliver({DemoEvent::LeftUp, nullptr, pointer_, 0, 0});
        else if (rightHeld_) Deliver({DemoEvent::RightUp, nullptr, pointer_, 0, 0});
        // What was queued behind the current event is dropped.
        write_ = read_;
    }
    return true;
}

void DemoPlayer::Tick(int elapsedMs) {
    int budget = elapsedMs;
    // A bounded number of steps per tick, so that a script of jumps only cannot hang.
    for (int guard = 0; guard < 1000 && playing_; ++guard) {
        if (paused_ || Shell.runInProgress) return;
        if (read_ == write_) {
            if (ended_) {
                End(true);
                return;
            }
            if (depth_) return;
            RunStep();
            continue;
        }
        const DemoEvent& next = ring_[read_];
        if (waited_ + budget < next.delay) {
            waited_ += budget;
            return;
        }
        budget -= next.delay - waited_;
        waited_ = 0;
        const DemoEvent event = next;
        read_ = (read_ + 1) % kRingSize;
        Deliver(event);
    }
}

void DemoPlayer::Queue(DemoEvent event) {
    if (event.kind == DemoEvent::LeftDown) leftHeld_ = true;
    if (event.kind == DemoEvent::LeftUp) leftHeld_ = false;
    if (event.kind == DemoEvent::RightDown) rightHeld_ = true;
    if (event.kind == DemoEvent::RightUp) rightHeld_ = false;
    ring_[write_] = event;
    write_ = (write_ + 1) % kRingSize;
    if (write_ == read_) {
        // The ring overflowed: the demo ends.
        ended_ = true;
        read_ = write_ = 0;
    }
}

void DemoPlayer::Wait(int n) {
    const int each = fast_ && n > 2 ? 100 : 50 * std::abs(n);
    for (int i = 0; i < 2; ++i) Queue({DemoEvent::MouseMove, nullptr, pointer_, 0, each});
}

void DemoPlayer::MoveTo(platform::Window* window, platform::Point target, int speed) {
    const int dx = target.x - pointer_.x, dy = target.y - pointer_.y;
    const bool alongX = std::abs(dx) >= std::abs(dy);
    const int distance = std::abs(alongX ? dx : dy);
    const int direction = (alongX ? dx : dy) < 0 ? -1 : 1;
    speed = std::max(1, speed);
    // Slow at both ends, fastest in the middle of the way.
    for (int done = 0; distance > 0 && !stopRequested_;) {
        const double part = static_cast<double>(done) / distance;
        const int step = part < 0.2 ? speed : part < 0.4 ? 2 * speed : part < 0.6 ? 4 * speed : 2 * speed;
        done += step;
        if (done >= distance) break;
        const double t = static_cast<double>(done) / distance;
        platform::Point p = alongX ? platform::Point{pointer_.x + direction * done, pointer_.y + static_cast<int>(dy * t)}
                                   : platform::Point{pointer_.x + static_cast<int>(dx * t), pointer_.y + direction * done};
        Queue({DemoEvent::MouseMove, window, p, 0, 20});
    }
    Queue({DemoEvent::MouseMove, window, target, 0, 0});
    pointer_ = target;
}

void DemoPlayer::Press(DemoEvent::Kind kind, int wait) {
    Queue({kind, nullptr, pointer_, 0, 0});
    if (wait) Wait(wait);
}

void DemoPlayer::Deliver(const DemoEvent& event) {
    if (deliver) {
        deliver(event);
        return;
    }
    platform::Window* window = event.window ? event.window : TargetWindow(false);
    if (!window && event.kind != DemoEvent::Command) return;
    int flags = keyState_ & (platform::kMouseShift | platform::kMouseCtrl);
    if (leftHeld_) flags |= platform::kLeftButton;
    if (rightHeld_) flags |= platform::kRightButton;
    switch (event.kind) {
    case DemoEvent::MouseMove:
    case DemoEvent::LeftDown:
    case DemoEvent::LeftUp:
    case DemoEvent::RightDown:
    case DemoEvent::RightUp:
        platform::automation::SendMouse(*window, ActionOf(event.kind), event.point, flags);
        break;
    case DemoEvent::Key: {
        int modifiers = (keyState_ & platform::kMouseShift ? platform::kShiftDown : 0) |
                        (keyState_ & platform::kMouseCtrl ? platform::kCtrlDown : 0);
        platform::Window* focus = platform::Window::FocusWindow();
        platform::automation::SendKey(focus ? *focus : *window, event.value, modifiers);
        break;
    }
    case DemoEvent::AltKey: platform::automation::SendKey(*window, event.value, platform::kAltDown); break;
    case DemoEvent::Command:
        if (event.window) event.window->ExecuteCommand(event.value);
        else if (auto* app = platform::Application::Instance()) app->PostCommand(event.value);
        break;
    case DemoEvent::ClickItem:
        if (auto* dialog = dynamic_cast<platform::Dialog*>(window)) platform::automation::ClickItem(*dialog, event.value);
        break;
    case DemoEvent::Close:
        if (auto* dialog = dynamic_cast<platform::Dialog*>(window)) dialog->OnCancel();
        else window->Close();
        break;
    case DemoEvent::ToolButton:
        if (event.bar && MainFrame) MainFrame->PressToolButton(event.bar, event.value);
        else if (auto* bar = dynamic_cast<platform::ChildToolBar*>(window)) bar->PressButton(event.value);
        break;
    case DemoEvent::MessageBox:
        if (auto* app = platform::Application::Instance())
            app->Post([] {
                const DemoMessage box = PendingBox;
                ReportMessage("ABOF", box.caption.empty() ? "Ombrelic 7.0 Demo" : box.caption.c_str(), box.x, box.y,
                              "%s", box.text.c_str());
            });
        break;
    }
}

void DemoPlayer::RunStep() {
    ++depth_;
    if (stopRequested_) RunClosingStep();
    else RunInstruction();
    --depth_;
}

void DemoPlayer::RunClosingStep() {
    switch (closingStep_++) {
    case 0:
    case 1:
        Queue({DemoEvent::Key, nullptr, pointer_, kKeyEscape, 0});
        Wait(10);
        break;
    case 2:
        if (CurrentDialog) {
            Queue({DemoEvent::Close, CurrentDialog, pointer_, 0, 0});
            Wait(10);
            break;
        }
        [[fallthrough]];
    default: ended_ = true; break;
    }
}

int DemoPlayer::Byte() {
    if (pos_ >= demo_.script.size()) {
        stopRequested_ = true;
        return 0;
    }
    return demo_.script[pos_++];
}

int DemoPlayer::Word() {
    const int low = Byte();
    return low | (Byte() << 8);
}

int DemoPlayer::Short() { return static_cast<int16_t>(Word()); }

bool DemoPlayer::Condition() {
    const int c = Byte();
    const bool value = (c & 0x7F) == 1 || (c & 0x7F) == 77;
    return (c & 0x80) ? !value : value;
}

std::string DemoPlayer::Text(size_t size) {
    std::string text;
    while (pos_ < demo_.script.size() && demo_.script[pos_] != 0) {
        if (text.size() + 1 < size) text += static_cast<char>(demo_.script[pos_]);
        ++pos_;
    }
    if (pos_ >= demo_.script.size()) stopRequested_ = true;
    else ++pos_;
    // "$1" stands for the argument of the innermost call.
    if (text == "$1" && !calls_.empty()) {
        const size_t here = pos_;
        pos_ = calls_.back().argument;
        text = Text(size);
        pos_ = here;
    }
    return text;
}

void DemoPlayer::Jump(int label) {
    const int position = demo_.Find(label);
    if (position < 0) stopRequested_ = true;
    else pos_ = static_cast<size_t>(position);
}

void DemoPlayer::SkipInstruction(int nesting) {
    const int code = Byte();
    // Instructions embedded in embedded ones stay few; a script nesting deeper is bad.
    if (nesting > kMaxEmbedding) {
        stopRequested_ = true;
        return;
    }
    int last = 0;
    for (const char* op = OperandLayout(code); *op && !stopRequested_; ++op) {
        switch (*op) {
        case 'b': last = Byte(); break;
        case 'w': Word(); break;
        case 'i': SkipInstruction(nesting + 1); break;
        case 'a':
            if (!last) break;
            [[fallthrough]];
        case 't':
            while (Byte() != 0 && !stopRequested_) {}
            break;
        }
    }
}

platform::Dialog* DemoPlayer::FindControl(platform::Window* window, int& id) {
    auto* dialog = dynamic_cast<platform::Dialog*>(window);
    if (dialog && dialog->HasItem(id)) return dialog;
    if (dialog && (id == 1 || id == 6))
        for (int other = 0; other <= 9; ++other)
            if (dialog->HasItem(other)) {
                id = other;
                return dialog;
            }
    if (auto* sheet = dynamic_cast<platform::PropertySheet*>(CurrentDialog))
        if (platform::Dialog* page = sheet->Page(sheet->ActiveIndex()); page && page->HasItem(id)) return page;
    ended_ = true;
    return nullptr;
}

bool DemoPlayer::MoveToControl(platform::Window* window, int id, bool centre) {
    platform::Dialog* dialog = FindControl(window, id);
    if (!dialog) return false;
    const platform::Rect r = dialog->ItemRect(id);
    MoveTo(dialog, {centre ? (r.left + r.right) / 2 : r.left + 4, (r.top + r.bottom) / 2}, speed_);
    Wait(5);
    return true;
}

void DemoPlayer::ClickControl(platform::Window* window, int id, bool centre) {
    int found = id;
    platform::Dialog* dialog = FindControl(window, found);
    if (!dialog || !MoveToControl(dialog, found, centre)) return;
    Wait(5);
    Queue({DemoEvent::ClickItem, dialog, pointer_, found, 0});
    Wait(5);
}

void DemoPlayer::ClickToolButton(int command) {
    CDraw* draw = GetTopDraw();
    if (draw && draw->currentMode == command) return;
    platform::Window* window = nullptr;
    platform::Rect r;
    int bar = 0;
    if (draw && draw->mainToolBar) {
        r = draw->mainToolBar->ButtonRect(command);
        if (!r.IsEmpty()) window = draw->mainToolBar.get();
    }
    for (int group = 0; !window && MainFrame && group < kFrameToolBarCount; ++group) {
        r = MainFrame->ToolButtonRect(CMainFrame::kFrameToolBarFirst + group, command);
        if (!r.IsEmpty()) {
            window = MainFrame;
            bar = CMainFrame::kFrameToolBarFirst + group;
        }
    }
    if (!window) return;
    MoveTo(window, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, speed_);
    Queue({DemoEvent::ToolButton, window, pointer_, command, 0, bar});
    Wait(5);
}

void DemoPlayer::ChooseComponent(const std::string& name) {
    std::vector<ComponentLibrary>& libraries = ComponentLibraryTable();
    if (!libraries.empty()) {
        const auto& components = libraries.front().components;
        for (size_t i = 0; i < components.size(); ++i) {
            if (strcasecmp(components[i]->name.c_str(), name.c_str()) != 0) continue;
            if (components[i].get() == CurrentComponent) return;
            Queue({DemoEvent::Command, nullptr, pointer_, kFirstComponentCommand + static_cast<int>(i), 0});
            Wait(10);
            return;
        }
    }
    ended_ = true;
}

void DemoPlayer::ExpectFieldText(bool combo) {
    platform::Window* target = TargetWindow(true);
    const int id = Word();
    const size_t embedded = pos_;
    SkipInstruction();
    const size_t embeddedEnd = pos_;
    const std::string text = Text(100);
    const size_t after = pos_;
    if (stopRequested_) return;
    auto* page = dynamic_cast<platform::Dialog*>(target);
    platform::ControlKind kind;
    if (!page || !ItemKind(*page, id, kind) || !(combo ? IsComboKind(kind) : IsEditKind(kind))) {
        ended_ = true;
        return;
    }
    if (page->ItemText(id) == text) return;
    ClickControl(page, id, false);
    pos_ = embedded;
    ++embedding_;
    if (embedding_ > kMaxEmbedding) stopRequested_ = true;
    else RunInstruction();
    --embedding_;
    // Unless the embedded instruction jumped, the script goes on after the text.
    if (pos_ == embeddedEnd) pos_ = after;
}

void DemoPlayer::RunInstruction() {
    platform::Window* target = TargetWindow(true);
    const int code = Byte();
    if (stopRequested_) return;
    switch (code) {
    case 4: Queue({DemoEvent::Key, nullptr, pointer_, Short(), 0}); break;
    case 5:
    case 6: {
        // The first circuit window, or the active analysis's window.
        CMDIFrame* frame = code == 5 ? FirstCircuitFrame() : static_cast<CMDIFrame*>(ActiveAnalysisWindow());
        if (!frame) {
            stopRequested_ = true;
            break;
        }
        frame->BringToFront();
        Wait(5);
        break;
    }
    case 10:
    case 11: {
        const int id = Word();
        const int wanted = code == 10 ? 1 : Byte();
        auto* page = dynamic_cast<platform::Dialog*>(target);
        if (!page || !page->HasItem(id)) {
            stopRequested_ = true;
            break;
        }
        if (page->IsButtonChecked(id) != wanted) Queue({DemoEvent::ClickItem, page, pointer_, id, 0});
        Wait(5);
        break;
    }
    case 43:
    case 52: {
        // A list or combo box of the target page takes the item that begins with the text.
        const int id = Word();
        const std::string text = Text(code == 43 ? 500 : 100);
        auto* page = dynamic_cast<platform::Dialog*>(target);
        if (!page || !page->HasItem(id) || page->SelectString(id, text) < 0) {
            stopRequested_ = true;
            break;
        }
        page->OnControlNotify(id, platform::Notify::SelChange);
        Wait(5);
        break;
    }
    case 55: {
        const int templateId = Word();
        auto* sheet = dynamic_cast<platform::PropertySheet*>(CurrentDialog);
        if (sheet)
            for (int i = 0; i < sheet->PageCount(); ++i)
                if (sheet->Page(i) && sheet->Page(i)->Template().id == templateId) sheet->SetActivePage(i);
        Wait(10);
        break;
    }
    case 12: {
        const bool show = Condition();
        DemoMessage box;
        box.caption = Text(200);
        box.text = Text(1000);
        if (!show) {
            pos_ += 4;
            break;
        }
        box.x = Short();
        box.y = Short();
        PendingBox = box;
        Queue({DemoEvent::MessageBox, nullptr, pointer_, kDemoMessageBox, 0});
        Wait(10);
        break;
    }
    case 15: Wait(Short()); break;
    case 18: {
        const int x = Short(), y = Short(), wait = Short();
        MoveTo(GetTopFrame(), {8 * x + 4, 8 * y + 4}, speed_);
        if (wait) Wait(wait);
        break;
    }
    case 22: speed_ = Short(); break;
    case 24: fast_ = Short() != 0; break;
    case 25: {
        const int px = Short(), py = Short(), wait = Short();
        platform::Window* frame = GetTopFrame() ? static_cast<platform::Window*>(GetTopFrame()) : MainFrame;
        const platform::Rect client = frame ? frame->ClientRect() : platform::Rect{};
        MoveTo(frame, {client.Width() * px / 100, client.Height() * py / 100}, speed_);
        if (wait) Wait(wait);
        break;
    }
    case 28:
    case 67: ClickControl(TargetWindow(false), Word(), true); break;
    case 42: MoveToControl(TargetWindow(false), Word(), true); break;
    case 27: ClickToolButton(Word()); break;
    case 17: ChooseComponent(Text(601)); break;
    case 46: {
        const std::string name = Text(601);
        const int button = FindComponentButton(name);
        if (button < 0) ChooseComponent(name);
        else if (ComponentOfCommand(MapComponentButtonCommand(button)) != CurrentComponent) ClickToolButton(button);
        break;
    }
    case 62: {
        // A control of the child dialog with that template inside the target.
        const int dialogId = Word(), id = Word();
        platform::Window* parent = TargetWindow(false);
        platform::Dialog* child = nullptr;
        for (platform::Window* w : parent ? parent->ChildWindows() : std::vector<platform::Window*>{})
            if (auto* d = dynamic_cast<platform::Dialog*>(w); d && d->Template().id == dialogId) child = d;
        if (child) ClickControl(child, id, true);
        else ended_ = true;
        break;
    }
    case 8: ExpectFieldText(false); break;
    case 68: ExpectFieldText(true); break;
    case 33:
    case 34: {
        // The focused field of the page, or the text window being typed in.
        const std::string text = code == 34 ? Text(500) : std::string();
        auto* page = dynamic_cast<platform::Dialog*>(target);
        const int id = page ? page->FocusedItem() : 0;
        if (platform::Dialog* edit = EditOf(target, id)) {
            edit->SetItemText(id, text);
            if (code == 34) edit->OnControlNotify(id, platform::Notify::Changed);
        } else if (auto* editor = dynamic_cast<CTxtEdit*>(platform::Window::FocusWindow())) {
            editor->SetText(text);
        } else if (code == 34) {
            stopRequested_ = true;
        }
        Wait(5);
        break;
    }
    case 69:
    case 70: {
        const int id = Word();
        int start = 0, end = 0;
        std::string text;
        if (code == 69) start = Short(), end = Short();
        else text = Text(200);
        platform::Dialog* edit = EditOf(target, id);
        if (!edit) {
            ended_ = true;
            break;
        }
        if (code == 69) {
            edit->SetEditSel(id, start, end);
            edit->ScrollEditCaret(id);
        } else {
            edit->ReplaceEditSel(id, text);
        }
        Wait(5);
        break;
    }
    case 59:
    case 65: {
        // An item of a multiple-selection list, or the row of a list view, by its text.
        const int id = Word();
        const std::string text = Text(500);
        auto* page = dynamic_cast<platform::Dialog*>(target);
        if (!page || !page->HasItem(id)) {
            ended_ = true;
            break;
        }
        if (code == 59) {
            const int index = page->FindStringExact(id, text);
            if (index >= 0) page->SetSel(id, index, true);
        } else {
            const int rows = page->RowCount(id);
            int row = 0;
            while (row < rows && strcasecmp(page->CellText(id, row, 0).c_str(), text.c_str()) != 0) ++row;
            if (row >= rows) {
                ended_ = true;
                break;
            }
            page->SetCurSel(id, row);
        }
        page->OnControlNotify(id, platform::Notify::SelChange);
        Wait(5);
        break;
    }
    case 58:
    case 63: {
        // The filter response or the model characteristic plot window.
        CMDIFrame* frame = FrameOfKind(code == 58 ? kDrawFilterPlot : kDrawCharacteristic);
        if (!frame) {
            stopRequested_ = true;
            break;
        }
        frame->BringToFront();
        Wait(5);
        break;
    }
    case 29: Press(DemoEvent::LeftDown, Short()); break;
    case 30: Press(DemoEvent::LeftUp, Short()); break;
    case 31: Press(DemoEvent::RightDown, Short()); break;
    case 32: Press(DemoEvent::RightUp, Short()); break;
    case 36:
    case 56: {
        // Menu commands are chosen by their command: the platform's menus are not
        // walked by the pointer.
        Queue({DemoEvent::Command, nullptr, pointer_, Word(), 0});
        Wait(10);
        break;
    }
    case 39: Queue({DemoEvent::Close, TargetWindow(false), pointer_, 0, 0}); break;
    case 40: {
        Queue({DemoEvent::AltKey, GetTopFrame() ? static_cast<platform::Window*>(GetTopFrame()) : MainFrame, pointer_,
               Byte(), 0});
        Wait(5);
        break;
    }
    case 41: {
        const bool jump = Condition();
        const int label = Short();
        if (jump) Jump(label);
        break;
    }
    case 44: {
        const int label = Short();
        const bool hasArgument = Byte() != 0;
        const size_t argument = pos_;
        if (hasArgument) Text(200);
        if (calls_.size() < kMaxCalls) {
            calls_.push_back({argument, pos_});
            Jump(label);
        }
        break;
    }
    case 45:
        if (calls_.empty()) {
            stopRequested_ = true;
        } else {
            pos_ = calls_.back().back;
            calls_.pop_back();
        }
        break;
    case 47: {
        const int command = Word();
        // The palette toggles are menu commands wherever the script sends them.
        const bool paletteToggle = command >= 17541 && command <= 17549;
        Queue({DemoEvent::Command, paletteToggle ? nullptr : target, pointer_, command, 0});
        Wait(10);
        break;
    }
    case 48: keyState_ |= platform::kMouseCtrl; break;
    case 49: keyState_ &= ~platform::kMouseCtrl; break;
    case 50: keyState_ |= platform::kMouseShift; break;
    case 51: keyState_ &= ~platform::kMouseShift; break;
    case 71: altDown_ = true; break;
    case 72: altDown_ = false; break;
    default: stopRequested_ = true; break;  // 100 ends a demo; anything unknown too
    }
}

}  // namespace ob7
