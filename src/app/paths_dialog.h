#pragma once
// File/Paths: the three default folder lists the settings keep (data files, model
// libraries and include files, pictures). Each field holds one folder or several
// separated by ";"; OK stores them only when every entry exists.

#include "ui/framework/dialogs.h"

namespace ob7 {

class CPathsDlg : public CDialog2 {
public:
    CPathsDlg();
    bool OnInitDialog() override;
    void OnOK() override;
};

// File/Paths...: 1 when the folders were stored.
int RunPathsDialog();

}  // namespace ob7
