#include "circuit/views/password_dialogs.h"

#include "foundation/messages.h"
#include "ui/framework/dialog_templates.h"
#include "ui/framework/dialogs.h"

#include <strings.h>

namespace ob7 {

namespace {

constexpr int kPasswordTemplate = 261, kNewPasswordTemplate = 262;
constexpr int kMsgPasswordMismatch = 263;
constexpr int kPasswordLength = 19;

// The password layouts with their entries masked.
platform::DialogTemplate MaskedTemplate(int id)
{
    const platform::DialogTemplate* found = FindDialogTemplate(id);
    platform::DialogTemplate t = found ? *found : platform::DialogTemplate{};
    for (platform::ControlSpec& c : t.controls)
        if (c.kind == platform::ControlKind::Edit)
            c.style |= platform::kCtlPassword;
    return t;
}

class PasswordDialog : public CDialog2 {
public:
    explicit PasswordDialog(int id) : CDialog2(MaskedTemplate(id)) {}
    std::string first, second;

    bool OnInitDialog() override
    {
        CDialog2::OnInitDialog();
        SetEditLimit(kIdField, kPasswordLength);
        SetEditLimit(kIdField2, kPasswordLength);
        FocusItem(kIdField);
        return false;
    }
    void OnOK() override
    {
        first = ItemText(kIdField).substr(0, kPasswordLength);
        second = ItemText(kIdField2).substr(0, kPasswordLength);
        CDialog2::OnOK();
    }
};

}  // namespace

std::string AskPassword()
{
    PasswordDialog dialog(kPasswordTemplate);
    return dialog.DoModal() == 1 ? dialog.first : std::string();
}

std::string AskNewPasswordTwice()
{
    for (;;) {
        PasswordDialog dialog(kNewPasswordTemplate);
        if (dialog.DoModal() != 1)
            return {};
        if (strcasecmp(dialog.first.c_str(), dialog.second.c_str()) == 0)
            return dialog.first;
        ReportMessage("E", kMsgPasswordMismatch);
    }
}

}  // namespace ob7
