#pragma once
// The pages that choose a tool bar's buttons: a list of button groups and a check list
// of the selected group's buttons with their pictures. The Tool Bar page edits one
// window type's defaults or one open window's bar, and whether it lies at the top or on
// the left. The pages work on copies and write back on OK; Cancel undoes an Apply.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image.h"

#include "app/tool_buttons.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

class CDraw;

class CToolButtonsPage : public CPropertyPage2 {
public:
    static constexpr int kGroupList = 105, kButtonList = 110, kShowButton = 20108, kAllOn = 20104,
                         kDefaultButton = 20027, kAllOff = 20105;
    static constexpr int kItemHeight = 26;

    explicit CToolButtonsPage(platform::DialogTemplate tmpl);

    bool OnInitDialog() override;
    // The working Visible flags into the source list.
    bool ApplyPage() override;
    // The source list as it was when the page opened.
    void ResetPage() override;
    // The window type's default visibility.
    void OnDefault() override;
    void OnControlNotify(int id, platform::Notify code) override;
    // The help line: "Groups" over the group list, the selected button's prompt over the
    // button list, else the control's prompt.
    void OnControlHover(int id) override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;
    int OnMeasureItem(int controlId) override;
    // The button faces take the new system colours.
    void OnSysColorChange() override;

    virtual void FillButtonList();
    virtual void OnButtonSelChange();
    // Every button shown.
    virtual void OnAllOn();

    int windowType = -1;
    const std::vector<ToolButtonEntry>& Working() const { return working_; }

protected:
    void Bind(ToolButtonEntry* entries, int count);
    // The picture of a list item's table row.
    virtual platform::Image Picture(int row) const;
    // The working entry of the selected list item, -1 when none.
    int SelectedEntry() const;
    int SelectedGroup() const;
    // After All On, Default or All Off: the checks and "Show Button" follow the copy.
    void RefreshChecks();

    ToolButtonEntry* source_ = nullptr;
    int count_ = 0;
    std::vector<ToolButtonEntry> backup_, working_;
    int componentGroupPosition_ = 0;

private:
    void SetVisible(int entry, bool visible);
};

class CToolBarPage : public CToolButtonsPage {
public:
    static constexpr int kTop = 20110, kLeft = 20111;

    // Unbound; BindToWindowType binds it to a window type's defaults.
    CToolBarPage();
    // Bound to an open window's own bar.
    explicit CToolBarPage(CDraw& window);
    void BindToWindowType(int type, const char* caption);

    bool OnInitDialog() override;
    // The buttons and the side; an open window's bar is reloaded.
    bool ApplyPage() override;
    void ResetPage() override;

private:
    CDraw* window_ = nullptr;
    int32_t* top_ = nullptr;
    int32_t savedTop_ = 1;
};

// Open windows' Properties sheets end with a Tool Bar page on the window's own bar.
void InstallWindowToolBarPages();

// The main frame's six tool bars: their buttons, which bars are shown, and the part each
// of the twenty component buttons places.
class CMainToolBarPage : public CToolButtonsPage {
public:
    static constexpr int kShowToolBar = 20109, kPictureFrame = 20113, kPartName = 10;

    CMainToolBarPage();
    bool OnInitDialog() override;
    // Refuses a shown or named component button whose part is not loaded; otherwise
    // writes the buttons, part names, glyphs and wanted bars back.
    bool ApplyPage() override;
    void ResetPage() override;
    void OnDefault() override;
    void OnAllOn() override;
    void OnButtonSelChange() override;
    void OnControlNotify(int id, platform::Notify code) override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;
    // Drawing in the enlarged picture: a press toggles the pixel under the mouse, a drag
    // paints the pixels it crosses with the pressed pixel's new state.
    void OnControlMouse(int id, const platform::MouseEvent& event) override;
    // The component pictures are drawn again on the new button face.
    void OnSysColorChange() override;

    const std::array<int, 6>& WorkingWanted() const { return workingWanted_; }
    const std::array<std::string, 20>& WorkingNames() const { return workingNames_; }
    const std::array<std::array<int32_t, 15>, 20>& WorkingGlyphs() const { return workingGlyphs_; }
    // The enlarged button face inside the picture frame, in the frame's pixels.
    platform::Rect PictureRect() const;

protected:
    platform::Image Picture(int row) const override;

private:
    // The component button (0..19) of the selected entry, -1 for another button.
    int SelectedComponentButton() const;
    void StorePartName();
    void ApplyWanted(const std::array<int, 6>& wanted);

    // Sizes the picture frame so that every pixel of the face is a whole number of
    // screen pixels: the cell under the mouse is then the cell drawn there.
    void FitPictureFrame();

    platform::Image strip_;
    std::array<std::array<int32_t, 15>, 20> workingGlyphs_{}, savedGlyphs_{};
    int lastColumn_ = -1, lastRow_ = -1;  // the cell edited last
    int paint_ = 0;                       // the state a drag paints
    std::array<int, 6> workingWanted_{}, savedWanted_{};
    std::array<std::string, 20> workingNames_, savedNames_;
};

}  // namespace ob7
