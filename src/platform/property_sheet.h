#pragma once
// Property sheets: pages made from dialog templates behind a row of tabs, with OK,
// Cancel and Apply. A page is created when first shown; OK applies every created
// page in order (a page may veto and keep the sheet open), Cancel resets them.

#include <string>
#include <vector>

#include "platform/dialog.h"

namespace platform {

class PropertySheet;

class PropertyPage : public Dialog {
public:
    explicit PropertyPage(DialogTemplate tmpl) : Dialog(std::move(tmpl)) {}

    PropertySheet* Sheet() const { return sheet_; }
    // Marks the page changed, which enables Apply.
    void SetModified(bool modified = true);
    bool IsModified() const { return modified_; }

    // Activation: OnSetActive when the page is shown; OnKillActive before another
    // page is, false keeps this one.
    virtual bool OnSetActive() { return true; }
    virtual bool OnKillActive() { return true; }
    // Writes the page's values back; false vetoes and keeps the sheet open.
    virtual bool OnApply() { return true; }
    // The sheet was cancelled.
    virtual void OnReset() {}
    // Wizard sheets: Back and Next return 0 to go to the page before or after, -1 to
    // stay, or the index of the page to go to; Finish returns false to stay.
    virtual int OnWizardBack() { return 0; }
    virtual int OnWizardNext() { return 0; }
    virtual bool OnWizardFinish() { return true; }

    // Enter and Esc inside a page act on the whole sheet.
    void OnOK() override;
    void OnCancel() override;

private:
    friend class PropertySheet;
    PropertySheet* sheet_ = nullptr;
    bool modified_ = false;
};

class PropertySheet : public Dialog {
public:
    // Control ids of the sheet's own controls.
    static constexpr int kTabs = 12320, kApply = 12321, kBack = 12323, kNext = 12324, kFinish = 12325;

    explicit PropertySheet(std::string caption, int startPage = 0);

    // Pages are added before the sheet runs; the sheet keeps pointers.
    void AddPage(PropertyPage& page);
    int PageCount() const { return static_cast<int>(pages_.size()); }
    PropertyPage* Page(int index) const;
    int ActiveIndex() const { return active_; }
    // Shows another page; false when the current page refuses to leave.
    bool SetActivePage(int index);

    // Applies every created page and keeps the sheet open; false when a page vetoed.
    bool ApplyNow();

    // A wizard steps through its pages with Back, Next and Finish in place of the tabs,
    // OK and Apply; set before the sheet runs.
    void SetWizardMode();
    bool IsWizard() const { return wizard_; }

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnControlNotify(int id, Notify code) override;

private:
    friend class PropertyPage;
    void Layout();
    Rect PageArea() const;
    void WizardStep(int direction);
    void UpdateWizardButtons();
    std::vector<PropertyPage*> pages_;
    int active_ = -1;
    int start_ = 0;
    bool wizard_ = false;
};

}  // namespace platform
