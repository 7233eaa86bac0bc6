#include "ui/framework/dialogs.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "foundation/numbers.h"
#include "foundation/string_table.h"
#include "platform/accelerator.h"
#include "platform/application.h"
#include "platform/desktop.h"
#include "ui/framework/dialog_templates.h"
#include "ui/framework/fonts.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

using platform::Rect;

int ModalDepth = 0;
platform::Window* CurrentDialog = nullptr;
platform::Window* CurrentModelessDialog = nullptr;

namespace {

platform::DialogTemplate TemplateOrEmpty(int id) {
    const platform::DialogTemplate* t = FindDialogTemplate(id);
    return t ? *t : platform::DialogTemplate{id, "", {200, 60}, {}};
}

void Centre(platform::Window& window) {
    Rect r = window.WindowRect();
    Rect area{0, 0, platform::desktop::ScreenSize().cx, platform::desktop::ScreenSize().cy};
    platform::Window* owner = window.Parent();
    if (!owner && platform::Application::Instance()) owner = platform::Application::Instance()->MainWindow();
    if (owner && owner != &window && owner->IsCreated() && owner->IsVisible()) {
        Rect o = owner->WindowRect();
        if (!o.IsEmpty()) area = o;
    }
    int x = area.left + (area.Width() - r.Width()) / 2, y = area.top + (area.Height() - r.Height()) / 2;
    window.Move(Rect{x, y, x + r.Width(), y + r.Height()});
}

}  // namespace

void MoveToRememberedPosition(platform::Window& window, RememberedPosition* memory) {
    platform::Size screen = platform::desktop::ScreenSize();
    if (!memory || memory->x + 20 >= screen.cx || memory->y + 20 > screen.cy ||
        (memory->x == -1 && memory->y == -1)) {
        Centre(window);
        return;
    }
    if (memory->x < 0) memory->x = 0;
    if (memory->y < 0) memory->y = 0;
    Rect r = window.WindowRect();
    window.Move(Rect{memory->x, memory->y, memory->x + r.Width(), memory->y + r.Height()});
}

// --- Control helpers ------------------------------------------------------------------

void DialogControls::SetDlgItemDouble(int id, double value) {
    char text[100];
    std::snprintf(text, sizeof text, "%.8g", value);
    d_.SetItemText(id, text);
}

double DialogControls::GetDlgItemValue(int id, int* error) {
    std::string text = d_.ItemText(id).substr(0, 100);
    int code = 0;
    double value = EvalNumberOrExpression(text.c_str(), &code);
    if (error) *error = code;
    return value;
}

bool DialogControls::ReadDoubleInRange(int id, double& value, double minimum, double maximum) {
    int error = 0;
    double read = GetDlgItemValue(id, &error);
    bool taken = error == 0 && minimum <= read && !(read > maximum);
    if (taken) value = read;
    char text[100];
    std::snprintf(text, sizeof text, "%.16g", value);
    d_.SetItemText(id, text);
    return taken;
}

bool DialogControls::ReadIntInRange(int id, int& value, int minimum, int maximum) {
    int error = 0;
    double read = GetDlgItemValue(id, &error);
    int clamped = ClampToInt(read);
    bool taken = error == 0 && minimum <= clamped && clamped <= maximum;
    if (taken) value = clamped;
    d_.SetItemText(id, std::to_string(value));
    return taken;
}

void DialogControls::SetDlgItemFormat(int id, const char* format, double a, double b) {
    char text[100];
    std::snprintf(text, sizeof text, format, a, b);
    d_.SetItemText(id, text);
}

void DialogControls::ComboFillNumbers(int id, int count, int selection) {
    for (int i = 1; i <= count; ++i) d_.AddString(id, std::to_string(i));
    if (selection >= 0) ComboSetSel1(id, selection);
}

void DialogControls::ComboSetSel1(int id, int index) {
    if (index == -1) {
        d_.SetCurSel(id, -1);
        return;
    }
    if (index < 1 || index > d_.ItemCount(id)) index = 1;
    d_.SetCurSel(id, index - 1);
}

int DialogControls::ComboGetSel1(int id) {
    int sel = d_.CurSel(id);
    return sel < 0 ? -1 : sel + 1;
}

int DialogControls::ComboAddStringData(int id, const std::string& text, long long data) {
    int index = d_.AddString(id, text);
    if (index < 0) return index;
    return d_.SetItemData(id, index, data) ? index : -1;
}

long long DialogControls::ComboGetSelData(int id) {
    int sel = d_.CurSel(id);
    return sel < 0 ? -1 : d_.ItemData(id, sel);
}

void EditSelectAllScroll(platform::Dialog& dialog, int id) {
    dialog.SetEditSel(id, 0, -1);
    dialog.ScrollEditCaret(id);
}

int HelpIdOfControl(const platform::Dialog& dialog, int controlId) {
    if (controlId == 8) return 23;
    if (controlId == 0) return 0;
    for (const auto& spec : dialog.Template().controls) {
        if (spec.id != controlId) continue;
        // Labels and group frames let the mouse through to the dialog: no prompt.
        if (spec.kind == platform::ControlKind::Static || spec.kind == platform::ControlKind::OwnerDrawStatic ||
            spec.kind == platform::ControlKind::GroupBox)
            return 0;
        return dialog.IsItemVisible(controlId) ? controlId : 0;
    }
    return controlId;
}

namespace {
VariablesMenuBuilder& MenuBuilder() {
    static VariablesMenuBuilder builder;
    return builder;
}
VariableChosenHandler& ChosenHandler() {
    static VariableChosenHandler handler;
    return handler;
}
}  // namespace

void SetVariablesMenu(VariablesMenuBuilder builder, VariableChosenHandler handler) {
    MenuBuilder() = std::move(builder);
    ChosenHandler() = std::move(handler);
}

// --- CDialog2 -------------------------------------------------------------------------

CDialog2::CDialog2(platform::DialogTemplate tmpl, RememberedPosition* memory, platform::Window* parent)
    : Dialog(std::move(tmpl)), helpId(Template().id), memory_(memory), parent_(parent) {}

CDialog2::~CDialog2() {
    if (CurrentDialog == this) CurrentDialog = nullptr;
    if (CurrentModelessDialog == this) CurrentModelessDialog = nullptr;
}

int CDialog2::DoModal() {
    ++ModalDepth;
    int result = Dialog::DoModal(parent_);
    CurrentDialog = nullptr;
    --ModalDepth;
    return result;
}

bool CDialog2::OnInitDialog() {
    CurrentDialog = this;
    MoveToRememberedPosition(*this, memory_);
    return true;
}

void CDialog2::SavePosition() {
    if (!memory_ || Shell.demoPlaying || !IsCreated()) return;
    Rect r = WindowRect();
    memory_->x = r.left;
    memory_->y = r.top;
}

void CDialog2::OnOK() {
    SavePosition();
    EndDialog(1);
}

void CDialog2::OnCancel() {
    SavePosition();
    EndDialog(2);
}

void CDialog2::EndDialogSavePos(int result) {
    SavePosition();
    EndDialog(result);
}

void CDialog2::SetEditMenu(int editId) { editMenus_.push_back({editId, std::make_unique<platform::Menu>()}); }

void CDialog2::OnControlRightClick(int id) {
    for (auto& [editId, menu] : editMenus_) {
        if (editId != id) continue;
        if (menu->Count() == 0 && MenuBuilder()) MenuBuilder()(*menu);  // built once
        if (menu->Count() == 0) return;
        int command = TrackPopupMenu(*menu, platform::Window::CursorPos());
        if (!command) return;
        if (ChosenHandler()) {
            ChosenHandler()(*this, id, command, *menu);
        } else if (platform::Menu::Item* item = menu->FindItem(command)) {
            ReplaceEditSel(id, item->text);
        }
        return;
    }
}

void CDialog2::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    if (item.controlId == CStatusLine::kBarId) DrawItemTextTransparent(dc, item.rect, ItemText(item.controlId));
}

void CDialog2::DestroyModeless() {
    Destroy();
    if (CurrentModelessDialog == this) CurrentModelessDialog = nullptr;
    if (CurrentDialog == this) CurrentDialog = nullptr;
    if (platform::Application* app = platform::Application::Instance())
        if (platform::Window* main = app->MainWindow(); main && main->IsCreated()) main->SetFocus();
}

CRunDialog::CRunDialog(platform::DialogTemplate tmpl, RememberedPosition* memory, platform::Window* parent)
    : CDialog2(std::move(tmpl), memory, parent) {
    if (!platform::FindAccelerators(kRunAccelerators))
        platform::RegisterAccelerators(platform::AcceleratorTable(kRunAccelerators, {{platform::key::F(2), 0, kCmdRun}}));
    OnCommand(kCmdRun, [this](int) {
        CDialog2::OnOK();
        if (!Shell.runInProgress)
            if (platform::Application* app = platform::Application::Instance()) app->PostCommand(kCmdRun);
    });
}

bool CRunDialog::PreTranslateKey(const platform::KeyEvent& event) {
    const platform::AcceleratorTable* table = platform::FindAccelerators(kRunAccelerators);
    if (int command = table ? table->Translate(event) : 0) {
        ExecuteCommand(command);
        return true;
    }
    return CDialog2::PreTranslateKey(event);
}

// --- Sheets and pages -------------------------------------------------------------------

CPropertyPage2::CPropertyPage2(platform::DialogTemplate tmpl) : PropertyPage(std::move(tmpl)) {
    helpId = Template().id;
    OnCommand(1348, [this](int) { OnDefault(); });
}

bool CPropertyPage2::OnInitDialog() {
    created = 1;
    return true;
}

bool CPropertyPage2::OnApply() {
    if (nested && !nested->ApplyAll()) return false;
    return ApplyPage();
}

void CPropertyPage2::OnReset() {
    if (nested) nested->CancelAll();
    ResetPage();
}

void CPropertyPage2::OnControlHover(int id) {
    auto* sheet = dynamic_cast<CPropertySheet2*>(Sheet());
    // The pages of a nested sheet show their prompts in the outer sheet's line.
    while (sheet && sheet->IsNested()) {
        auto* page = sheet->Parent() ? dynamic_cast<CPropertyPage2*>(sheet->Parent()) : nullptr;
        sheet = page ? dynamic_cast<CPropertySheet2*>(page->Sheet()) : nullptr;
    }
    if (!sheet) return;
    sheet->helpLine.SetPromptById(id ? HelpIdOfControl(*this, id) : 0);
}

CPropertySheet2::CPropertySheet2(std::string caption, RememberedPosition* memory, int* pageMemory,
                                 platform::Window* parent)
    : PropertySheet(std::move(caption), pageMemory ? *pageMemory : 0), memory_(memory), pageMemory_(pageMemory),
      parent_(parent) {
    // The Apply button applies without the veto of OK.
    OnCommand(kApply, [this](int) { ApplyNowAll(); });
}

CPropertySheet2::~CPropertySheet2() {
    if (CurrentDialog == this) CurrentDialog = nullptr;
}

int CPropertySheet2::DoModal() {
    ++ModalDepth;
    int result = Dialog::DoModal(parent_);
    CurrentDialog = nullptr;
    --ModalDepth;
    return result;
}

bool CPropertySheet2::CreateNested(CPropertyPage2& parentPage) {
    nestedIn_ = &parentPage;
    parentPage.nested = this;
    Rect area = parentPage.ClientRect();
    return CreateAsChild(parentPage, Rect{0, 0, area.Width(), area.Height()});
}

bool CPropertySheet2::OnInitDialog() {
    PropertySheet::OnInitDialog();
    if (nestedIn_) {
        // Inside a page: no buttons and no help line of its own.
        for (int id : {1, 2, static_cast<int>(kApply)}) ShowItem(id, false);
        return true;
    }
    helpLine.Show(*this, helpLines, true);
    CurrentDialog = this;
    if (memory_) MoveToRememberedPosition(*this, memory_);
    return true;
}

bool CPropertySheet2::ApplyNowAll() {
    platform::Window* focus = platform::Window::FocusWindow();
    appliedFlag = 1;
    for (int i = 0; i < PageCount(); ++i) {
        auto* page = dynamic_cast<CPropertyPage2*>(Page(i));
        if (!page || !page->IsCreated()) continue;
        page->OnApply();
        page->applied = 1;
        page->SetModified(false);
    }
    if (focus) focus->SetFocus();
    return true;
}

bool CPropertySheet2::ApplyAll() {
    if (!nestedIn_) SetFocus();
    if (!ApplyNow()) return false;  // a page vetoed: the later ones stay unapplied
    if (!nestedIn_) EndSheetSavePos(1);
    return true;
}

void CPropertySheet2::CancelAll() {
    for (int i = 0; i < PageCount(); ++i)
        if (platform::PropertyPage* page = Page(i); page && page->IsCreated()) page->OnReset();
    if (!nestedIn_) EndSheetSavePos(2);
}

void CPropertySheet2::EndSheetSavePos(int result) {
    if (memory_ && !Shell.demoPlaying && IsCreated()) {
        Rect r = WindowRect();
        memory_->x = r.left;
        memory_->y = r.top;
    }
    EndDialog(result);
}

void CPropertySheet2::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    if (item.controlId == kHelpLine) DrawItemTextTransparent(dc, item.rect, ItemText(kHelpLine));
}

void CPropertySheet2::OnControlHover(int id) {
    int prompt = id == 1 ? 18001 : id == 2 ? 18002 : id == 9 ? 18009 : id == kApply ? 18012 : 0;
    const char* text = prompt ? FindResString(prompt) : nullptr;
    ShowPrompt(text ? text : "");
}

void CPropertySheet2::OnControlNotify(int id, platform::Notify code) {
    PropertySheet::OnControlNotify(id, code);
    if (id == kTabs && code == platform::Notify::SelChange && pageMemory_) *pageMemory_ = ActiveIndex();
}

// --- The text-field dialog ---------------------------------------------------------------

namespace {

class FieldInputDialog : public CDialog2 {
public:
    explicit FieldInputDialog(FieldInputRecord& r)
        : CDialog2(TemplateOrEmpty(r.templateId), (r.flags & 0x80) ? r.position : nullptr, r.parent), record(r) {
        helpId = (r.flags & 0x800) ? r.altHelpId : r.templateId;
        OnCommand(kIdDelete, [this](int) { EndDialogSavePos(kIdDelete); });
        OnCommand(kIdFontButton, [this](int) {
            if (RunFontDialogOnRecord(this, record.font)) {
                FocusItem(kIdField);
                SetItemFont(kIdField, CreateFontFromRecord(record.font));
            }
        });
    }

    bool OnInitDialog() override {
        CDialog2::OnInitDialog();
        SetItemText(kIdField, record.text);
        if (record.textLimit) SetEditLimit(kIdField, record.textLimit - 1);
        if (record.flags & 0x40) {
            SetItemText(kIdField2, record.text2);
            if (record.text2Limit) SetEditLimit(kIdField2, record.text2Limit - 1);
        }
        if ((record.flags & 0x100) && !record.caption.empty()) SetText(record.caption);
        if (record.flags & 0x1) {
            FontRecord f = record.font;
            f.style &= 0x8F;
            SetItemFont(kIdField, CreateFontFromRecord(f));
        }
        if (record.flags & 0x200) {
            FocusItem(1);
            SetItemText(kIdField, record.text);
            EnableItem(kIdField, false);
            return false;
        }
        if (record.flags & 0x400) {
            FocusItem(kIdField);
            return false;
        }
        return true;
    }

    void OnOK() override {
        if (!(record.flags & 0x200)) {
            record.text = ItemText(kIdField);
            if (record.flags & 0x40) record.text2 = ItemText(kIdField2);
        }
        EndDialogSavePos(1);
    }

    FieldInputRecord& record;
};

}  // namespace

int RunFieldInputDialog(FieldInputRecord& record) {
    FieldInputDialog dialog(record);
    return dialog.DoModal();
}

// --- List choice and timed notice ------------------------------------------------------------

CListChoiceDlg::CListChoiceDlg(int templateId, platform::Window* parent)
    : CDialog2(TemplateOrEmpty(templateId), nullptr, parent) {
    OnCommand(kIdSelectAllItems, [this](int) {
        for (int i = 0; i < ItemCount(kIdChoiceList); ++i) SetSel(kIdChoiceList, i, true);
    });
}

bool CListChoiceDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    for (size_t i = 0; i < items.size(); ++i) {
        int index = AddString(kIdChoiceList, items[i]);
        SetItemData(kIdChoiceList, index, static_cast<long long>(i));
    }
    if (selectAll) {
        for (int i = 0; i < ItemCount(kIdChoiceList); ++i) SetSel(kIdChoiceList, i, true);
    } else if (initialSelection != -1) {
        SetSel(kIdChoiceList, initialSelection, true);
    }
    if (!caption.empty()) SetText(caption);
    if (listFlags & 0x2)
        for (const auto& spec : Template().controls)
            if (spec.id == kIdChoiceList) SetTabStops(kIdChoiceList, {spec.rect.Width() / 2});
    return true;
}

void CListChoiceDlg::OnOK() {
    results.clear();
    for (int position : SelectedItems(kIdChoiceList))
        results.push_back((listFlags & 0x1) ? static_cast<int>(ItemData(kIdChoiceList, position)) : position);
    EndDialog(1);
}

CTimedNoticeDlg::CTimedNoticeDlg(platform::Window* parent, int templateId, std::string text, double warningSeconds)
    : CDialog2(TemplateOrEmpty(templateId), nullptr, parent), text_(std::move(text)), seconds_(warningSeconds) {
    if (seconds_ > 0) {
        shown = true;
        DoModal();
    }
}

bool CTimedNoticeDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    SetItemText(kIdNoticeText, text_);
    SetTimer(500, static_cast<int>(seconds_ * 1000));
    return true;
}

void CTimedNoticeDlg::OnTimer(int id) {
    if (id == 500) OnOK();
}

void CTimedNoticeDlg::OnOK() {
    KillTimer(500);
    EndDialog(1);
}

}  // namespace ob7
