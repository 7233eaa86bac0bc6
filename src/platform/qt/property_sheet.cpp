// Property sheets, built from a dialog with a tab bar and pages created as its children.

#include "platform/property_sheet.h"

#include <algorithm>

namespace platform {
namespace {

// Dialog-unit geometry of the sheet around its pages.
constexpr int kMargin = 4, kTabHeight = 14, kButtonWidth = 50, kButtonHeight = 14, kGap = 4;

}  // namespace

void PropertyPage::SetModified(bool modified) {
    modified_ = modified;
    if (sheet_ && sheet_->IsCreated()) {
        bool any = false;
        for (PropertyPage* page : sheet_->pages_) any = any || page->modified_;
        sheet_->EnableItem(PropertySheet::kApply, any);
    }
}

void PropertyPage::OnOK() {
    if (sheet_) sheet_->OnOK();
}

void PropertyPage::OnCancel() {
    if (sheet_) sheet_->OnCancel();
}

PropertySheet::PropertySheet(std::string caption, int startPage) : Dialog(DialogTemplate{0, std::move(caption), {}, {}}),
                                                                   start_(startPage) {
    OnCommand(kApply, [this](int) { ApplyNow(); });
    OnCommand(kBack, [this](int) { WizardStep(-1); });
    OnCommand(kNext, [this](int) { WizardStep(1); });
    OnCommand(kFinish, [this](int) {
        PropertyPage* page = Page(active_);
        if (page && !page->OnWizardFinish()) return;
        if (ApplyNow()) EndDialog(1);
    });
    Layout();
}

void PropertySheet::SetWizardMode() {
    wizard_ = true;
    Layout();
}

void PropertySheet::WizardStep(int direction) {
    PropertyPage* page = Page(active_);
    if (!page) return;
    int answer = direction < 0 ? page->OnWizardBack() : page->OnWizardNext();
    if (answer == -1) return;
    int target = answer == 0 ? active_ + direction : answer;
    if (target >= 0 && target < PageCount()) SetActivePage(target);
    UpdateWizardButtons();
}

void PropertySheet::UpdateWizardButtons() {
    if (!wizard_ || !IsCreated()) return;
    EnableItem(kBack, active_ > 0);
    bool last = active_ == PageCount() - 1;
    ShowItem(kNext, !last);
    ShowItem(kFinish, last);
}

void PropertySheet::AddPage(PropertyPage& page) {
    page.sheet_ = this;
    pages_.push_back(&page);
    Layout();
}

PropertyPage* PropertySheet::Page(int index) const {
    return index >= 0 && index < PageCount() ? pages_[index] : nullptr;
}

Rect PropertySheet::PageArea() const {
    Size page;
    for (PropertyPage* p : pages_) {
        page.cx = std::max(page.cx, p->Template().size.cx);
        page.cy = std::max(page.cy, p->Template().size.cy);
    }
    int top = kMargin + kTabHeight;
    return Rect{kMargin, top, kMargin + page.cx, top + page.cy};
}

void PropertySheet::Layout() {
    Rect area = PageArea();
    int width = std::max(area.right + kMargin, 3 * (kButtonWidth + kGap) + kMargin);
    int buttonsTop = area.bottom + kGap;
    DialogTemplate& t = MutableTemplate();
    t.size = Size{width, buttonsTop + kButtonHeight + kMargin};
    auto button = [&](int slot) {  // slots from the right edge
        int right = width - kMargin - slot * (kButtonWidth + kGap);
        return Rect{right - kButtonWidth, buttonsTop, right, buttonsTop + kButtonHeight};
    };
    if (wizard_) {
        // No tabs: the pages start at the top; Next and Finish share a place.
        t.controls = {
            {ControlKind::TabControl, kTabs, "", Rect{kMargin, kMargin, width - kMargin, kMargin + kTabHeight}, kCtlHidden},
            {ControlKind::PushButton, kBack, "< &Back", button(2)},
            {ControlKind::DefPushButton, kNext, "&Next >", button(1)},
            {ControlKind::DefPushButton, kFinish, "&Finish", button(1), kCtlHidden},
            {ControlKind::PushButton, 2, "Cancel", button(0)},
        };
        return;
    }
    t.controls = {
        {ControlKind::TabControl, kTabs, "", Rect{kMargin, kMargin, width - kMargin, kMargin + kTabHeight}},
        {ControlKind::DefPushButton, 1, "OK", button(2)},
        {ControlKind::PushButton, 2, "Cancel", button(1)},
        {ControlKind::PushButton, kApply, "&Apply", button(0), kCtlDisabled},
    };
}

bool PropertySheet::OnInitDialog() {
    for (PropertyPage* page : pages_) {
        AddString(kTabs, page->Template().caption);
        page->modified_ = false;
    }
    active_ = -1;
    int first = start_ >= 0 && start_ < PageCount() ? start_ : 0;
    if (!pages_.empty()) SetActivePage(first);
    UpdateWizardButtons();
    return true;
}

bool PropertySheet::SetActivePage(int index) {
    PropertyPage* next = Page(index);
    if (!next || !IsCreated()) return false;
    if (index == active_) return true;
    if (PropertyPage* current = Page(active_)) {
        if (!current->OnKillActive()) {
            SetCurSel(kTabs, active_);
            return false;
        }
        current->Show(false);
    }
    if (!next->IsCreated()) next->CreateAsChild(*this, MapDialogRect(PageArea()));
    next->Show(true);
    active_ = index;
    SetCurSel(kTabs, index);
    next->OnSetActive();
    return true;
}

bool PropertySheet::ApplyNow() {
    for (PropertyPage* page : pages_) {
        if (!page->IsCreated()) continue;
        if (!page->OnApply()) return false;
        page->modified_ = false;
    }
    EnableItem(kApply, false);
    return true;
}

void PropertySheet::OnOK() {
    if (PropertyPage* current = Page(active_); current && !current->OnKillActive()) return;
    if (ApplyNow()) EndDialog(1);
}

void PropertySheet::OnCancel() {
    for (PropertyPage* page : pages_)
        if (page->IsCreated()) page->OnReset();
    EndDialog(2);
}

void PropertySheet::OnControlNotify(int id, Notify code) {
    if (id == kTabs && code == Notify::SelChange) SetActivePage(CurSel(kTabs));
}

}  // namespace platform
