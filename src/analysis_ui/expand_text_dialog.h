#pragma once
// The Expand dialog: a cell's text in a larger edit; on OK line breaks become blanks.

#include <string>

#include "analysis_ui/expression_menu.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

class CExpandTextDlg : public CDialog2 {
public:
    CExpandTextDlg(std::string caption, std::string text, platform::Window* parent);
    bool OnInitDialog() override;
    void OnOK() override;
    std::string text;  // the text shown, and on OK the text taken
    // Set for a Y expression: a right click in the edit offers the expression menu; x is
    // the row's X expression (SUM takes it).
    const ExpressionMenuSource* expressionSource = nullptr;
    std::string x;
    void OnControlRightClick(int id) override;
};

}  // namespace ob7
