#pragma once
// The About box: the program's picture, its name and version, and OK.

#include "ui/framework/dialogs.h"

namespace ob7 {

inline constexpr char kProgramVersion[] = "7.2.4.0";

class CAboutDlg : public CDialog2 {
public:
    CAboutDlg();
    bool OnInitDialog() override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;
};

}  // namespace ob7
