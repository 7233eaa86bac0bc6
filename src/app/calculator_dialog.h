#pragma once
// The Calculator window: a modeless dialog with the formula (and its recent list), the
// result, the result format and the derivative variable. At most one is open.

#include "ui/framework/dialogs.h"

namespace ob7 {

class CCalculatorDlg : public CDialog2 {
public:
    CCalculatorDlg();
    bool OnInitDialog() override;
    void OnControlNotify(int id, platform::Notify code) override;
    void OnCancel() override;
    void OnDestroy() override;

    // Calculate (derivative 0) or Differentiate (1) with what the controls hold.
    void Evaluate(int derivative);

private:
    void FillHistory();
    void ReadFormat();
    void ShowFormat();

    int busy_ = 0;
    int derivative_ = 0;
};

// Command 17330: opens the calculator, or brings the open one to the top.
CCalculatorDlg* OpenCalculator();
CCalculatorDlg* OpenCalculatorWindow();  // the open one, or null

}  // namespace ob7
