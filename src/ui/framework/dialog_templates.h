#pragma once
// The layouts of the framework's own dialogs, kept as data: one table of templates in
// dialog units, looked up by template id.

#include "platform/dialog.h"

namespace ob7 {

// Control ids the templates share.
enum : int { kIdHelp = 9, kIdField = 10, kIdField2 = 205, kIdDelete = 25, kIdColorButton = 31,
             kIdFontButton = 18022, kIdChoiceList = 109, kIdSelectAllItems = 1422, kIdNoticeText = 101 };

// The template of an id; null when the table has none.
const platform::DialogTemplate* FindDialogTemplate(int id);

}  // namespace ob7
