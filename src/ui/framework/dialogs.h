#pragma once
// The dialog, sheet and page bases every dialog of the program derives from: a
// remembered screen position per dialog kind, the count of running modal dialogs, the
// current dialog for the demo player, apply-all and cancel-all over the pages of a
// sheet; and the small dialogs and control helpers that many places share.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/font_record.h"
#include "platform/dialog.h"
#include "platform/menu.h"
#include "platform/property_sheet.h"
#include "ui/framework/status_line.h"

namespace ob7 {

// A dialog's remembered top-left screen corner; (-1, -1) until one is stored.
struct RememberedPosition {
    int x = -1;
    int y = -1;
};

// Modal dialogs and sheets running now; idle work waits while it is not 0.
extern int ModalDepth;
// The dialog or sheet initialised last and still open.
extern platform::Window* CurrentDialog;
// The modeless dialog the message loop feeds.
extern platform::Window* CurrentModelessDialog;

// Centres the window without memory, for (-1, -1) and for a position off screen;
// otherwise moves it there (a negative coordinate becomes 0, in the memory too).
void MoveToRememberedPosition(platform::Window& window, RememberedPosition* memory);

// Control helpers shared by every dialog kind.
class DialogControls {
public:
    explicit DialogControls(platform::Dialog& dialog) : d_(dialog) {}
    void SetDlgItemDouble(int id, double value);
    // The control as a number or an expression; the error code through error.
    double GetDlgItemValue(int id, int* error = nullptr);
    // Stores the value read when it parses and lies in [minimum, maximum]; the control
    // is rewritten with the value kept. True when the value read was taken.
    bool ReadDoubleInRange(int id, double& value, double minimum, double maximum);
    bool ReadIntInRange(int id, int& value, int minimum, int maximum);
    void SetDlgItemFormat(int id, const char* format, double a, double b = 0);
    // Combo boxes counted from 1.
    void ComboFillNumbers(int id, int count, int selection);
    void ComboSetSel1(int id, int index);
    int ComboGetSel1(int id);
    int ComboAddStringData(int id, const std::string& text, long long data);
    long long ComboGetSelData(int id);

private:
    platform::Dialog& d_;
};

// Edits whose right click offers the circuit's variables (analysis dialogs): the
// analysis set-up installs the builder of the menu and the handler that puts a chosen
// variable into the edit (without one, the item's text replaces the edit's selection).
using VariablesMenuBuilder = std::function<void(platform::Menu& menu)>;
using VariableChosenHandler = std::function<void(platform::Dialog& dialog, int editId, int command, platform::Menu& menu)>;
void SetVariablesMenu(VariablesMenuBuilder builder, VariableChosenHandler handler);

class CDialog2 : public platform::Dialog {
public:
    CDialog2(platform::DialogTemplate tmpl, RememberedPosition* memory = nullptr, platform::Window* parent = nullptr);
    ~CDialog2() override;

    int DoModal();
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void EndDialogSavePos(int result);
    void SavePosition();
    void DestroyModeless();
    // The edit offers the variables menu on its right button.
    void SetEditMenu(int editId);
    void OnControlRightClick(int id) override;
    // A help line of several lines is drawn here (its prompts wrap).
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;

    int helpId = 0;
    DialogControls controls{*this};

protected:
    RememberedPosition* memory_;
    platform::Window* parent_;

private:
    std::vector<std::pair<int, std::unique_ptr<platform::Menu>>> editMenus_;
};

// An analysis dialog that can start its analysis: F2 (accelerator table 520) sends Run
// (16067), which accepts the dialog's values as OK does and then, unless a run is going
// on, posts Run to the main window.
class CRunDialog : public CDialog2 {
public:
    static constexpr int kCmdRun = 16067, kRunAccelerators = 520;
    CRunDialog(platform::DialogTemplate tmpl, RememberedPosition* memory = nullptr, platform::Window* parent = nullptr);
    bool PreTranslateKey(const platform::KeyEvent& event) override;
};

class CPropertySheet2;

class CPropertyPage2 : public platform::PropertyPage {
public:
    explicit CPropertyPage2(platform::DialogTemplate tmpl);

    int created = 0;   // the page has been shown once
    int applied = 0;   // applied by the Apply button
    int helpId = 0;
    DialogControls controls{*this};

    bool OnInitDialog() override;
    // Pages restore their defaults (the "Default" button 1348).
    virtual void OnDefault() {}
    // The help line of the sheet shows the prompt of the control under the mouse.
    void OnControlHover(int id) override;
    // A sheet shown inside this page is applied before the page and cancelled with it.
    CPropertySheet2* nested = nullptr;
    bool OnApply() override;
    void OnReset() override;
    // The page's own values; the base has none.
    virtual bool ApplyPage() { return true; }
    virtual void ResetPage() {}
};

class CPropertySheet2 : public platform::PropertySheet {
public:
    CPropertySheet2(std::string caption, RememberedPosition* memory = nullptr, int* pageMemory = nullptr,
                    platform::Window* parent = nullptr);
    ~CPropertySheet2() override;

    int DoModal();
    // The Apply button: every created page applied; the sheet stays open.
    bool ApplyNowAll();
    // OK: pages applied in order until one vetoes (the sheet then stays open).
    bool ApplyAll();
    void CancelAll();
    void EndSheetSavePos(int result);
    // Shows the sheet inside a page of another sheet (without buttons of its own); it
    // is applied and cancelled with that page and never ends itself.
    bool CreateNested(CPropertyPage2& parentPage);
    bool IsNested() const { return nestedIn_ != nullptr; }

    bool OnInitDialog() override;
    void OnOK() override { ApplyAll(); }
    void OnCancel() override { CancelAll(); }
    void OnControlNotify(int id, platform::Notify code) override;
    void OnControlHover(int id) override;

    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;

    // The help line under the buttons.
    static constexpr int kHelpLine = CStatusLine::kBarId;
    CStatusLine helpLine;
    int helpLines = 1;  // lines of the help line, set before the sheet opens
    void ShowPrompt(const std::string& text) { helpLine.SetText(text); }
    std::string Prompt() const { return helpLine.Text(); }

    int appliedFlag = 0;

private:
    RememberedPosition* memory_;
    int* pageMemory_;
    platform::Window* parent_;
    CPropertyPage2* nestedIn_ = nullptr;
};

// The one- or two-field text dialog (names, passwords, headers, pin names).
struct FieldInputRecord {
    std::string text;        // control 10
    int textLimit = 0;       // non-zero: at most limit - 1 characters
    std::string text2;       // control 205
    int text2Limit = 0;
    std::string caption;
    FontRecord font{};
    int flags = 0;           // 0x1 font, 0x2 coloured, 0x40 second field, 0x80 position memory, 0x100 caption,
                             // 0x200 read-only, 0x400 focus on the field, 0x800 alternative help id
    int option = 0;
    platform::Window* parent = nullptr;
    int templateId = 0;
    int hidden = 0;
    RememberedPosition* position = nullptr;
    int altHelpId = 0;
};
// 1 OK, 2 Cancel, 25 Delete.
int RunFieldInputDialog(FieldInputRecord& record);

// A list to choose items from; on OK the chosen positions (or item data).
class CListChoiceDlg : public CDialog2 {
public:
    CListChoiceDlg(int templateId, platform::Window* parent = nullptr);
    std::string caption;
    std::vector<std::string> items;
    int initialSelection = -1;
    bool selectAll = false;
    int listFlags = 0;            // 0x1 item data instead of positions, 0x2 one tab stop
    std::vector<int> results;     // filled on OK

    bool OnInitDialog() override;
    void OnOK() override;
};

// A notice that closes itself after the warning time (seconds); not shown for 0.
class CTimedNoticeDlg : public CDialog2 {
public:
    CTimedNoticeDlg(platform::Window* parent, int templateId, std::string text, double warningSeconds);
    bool OnInitDialog() override;
    void OnTimer(int id) override;
    void OnOK() override;
    void OnCancel() override { OnOK(); }
    bool shown = false;

private:
    std::string text_;
    double seconds_;
};

// Selects the whole text of an edit control and scrolls its caret into view.
void EditSelectAllScroll(platform::Dialog& dialog, int id);

// The help id of a control under the mouse: its id (23 for the Close button 8), 0 for
// labels, group frames, hidden controls and the dialog itself.
int HelpIdOfControl(const platform::Dialog& dialog, int controlId);

}  // namespace ob7
