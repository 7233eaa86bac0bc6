#pragma once
// The "Header" page of the 2-D analysis plot's properties: the three texts (left, centre,
// right) of the numeric output's header and the character between its table columns.
// A delimiter choice takes effect in the view at once; Cancel puts back the delimiter
// and the texts as they were when the page opened.

#include "ui/framework/dialogs.h"
#include "ui/framework/title_block.h"

namespace ob7 {

class CAPDraw;
class CG2DPropSheet;

enum PlotHeaderControl : int {
    kHeadLeft = 15691, kHeadCenter = 15692, kHeadRight = 15693, kHeadTab = 15694, kHeadSemicolon = 15695,
    kHeadComma = 15696, kHeadSpace = 15697, kHeadOther = 15698, kHeadOtherChar = 15699
};

class CG2DNumOutPage : public CPropertyPage2 {
public:
    explicit CG2DNumOutPage(CG2DPropSheet& sheet);
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    void OnControlNotify(int id, platform::Notify code) override;

private:
    // The delimiter the buttons and the Other edit give.
    char ChosenDelimiter() const;
    CG2DPropSheet& sheet_;
    StringTriple openedHeader_;
    char openedDelimiter_ = ' ';
    bool loading_ = false;
};

}  // namespace ob7
