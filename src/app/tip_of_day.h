#pragma once
// Tip of the Day: one tip of the tip file in a panel, a heading line in large bold type
// and the body below it; Next and Previous step through the tips.

#include <optional>
#include <string>

#include "app/tip_file.h"
#include "ui/framework/dialogs.h"

namespace ob7 {
class CTipDlg : public CDialog2 {
public:
    explicit CTipDlg(int showAtStartup);
    bool OnInitDialog() override;
    void OnCancel() override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;
    // The "Show tips at startup" box, taken however the dialog closes.
    int showAtStartup;
    // The text the panel shows.
    std::optional<std::string> text;

private:
    void Step(int delta);
    void TakeCheckBox();
};

// Help/Tip of the Day... and the start-up tip.
void RunTipOfTheDay();

}  // namespace ob7
