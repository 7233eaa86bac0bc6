#include "circuit/views/password_dialogs.h"

#include "foundation/messages.h"
#include "ui/framework/dialogs.h"

#include <strings.h>

namespace ob7 {

namespace {

constexpr int kPasswordTemplate = 261, kNewPasswordTemplate = 262;
constexpr int kMsgPasswordMismatch = 263;
constexpr int kPasswordLimit = 20;  // 19 characters

}  // namespace

std::string AskPassword()
{
    FieldInputRecord record;
    record.templateId = kPasswordTemplate;
    record.textLimit = kPasswordLimit;
    record.flags = 0x400;
    return RunFieldInputDialog(record) == 1 ? record.text : std::string();
}

std::string AskNewPasswordTwice()
{
    for (;;) {
        FieldInputRecord record;
        record.templateId = kNewPasswordTemplate;
        record.textLimit = kPasswordLimit;
        record.text2Limit = kPasswordLimit;
        record.flags = 0x40 | 0x400;
        if (RunFieldInputDialog(record) != 1)
            return {};
        if (strcasecmp(record.text.c_str(), record.text2.c_str()) == 0)
            return record.text;
        ReportMessage("E", kMsgPasswordMismatch);
    }
}

}  // namespace ob7
