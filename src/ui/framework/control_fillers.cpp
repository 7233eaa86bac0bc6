#include "ui/framework/control_fillers.h"

#include "expression/operator_table.h"
#include "foundation/profile.h"
#include "foundation/recent_list.h"
#include "platform/dialog.h"
#include "platform/menu.h"

namespace ob7 {

void FillComboWithScaleNames(platform::Dialog& dialog, int id) {
    for (const char* name : kScaleNames) dialog.AddString(id, name);
}

void FillComboFromRecentList(const CRecentList& list, platform::Dialog& dialog, int id) {
    dialog.ResetContent(id);
    for (int i = 0; i < list.Count(); ++i)
        if (!list.Name(i).empty()) dialog.AddString(id, list.Name(i));
    if (dialog.ItemCount(id) > 0) dialog.SetCurSel(id, 0);
}

int BuildFunctionMenu(platform::Menu* menu, platform::Dialog* listDialog, int listId, int idBase, int mode,
                      int opcode, int analysisMask, const std::vector<FunctionMenuPart>& parts) {
    const OperatorRow* rows = OperatorTableRows();
    int size = OperatorTableSize();
    int count = 0;
    auto add = [&](const std::string& text, int breakEvery) {
        if (mode == 1 || mode == 3) {
            if (menu) menu->Append(idBase + count, text, count > 0 && count % breakEvery == 0 ? platform::kMenuBreak : 0);
        } else if (mode == 2 && listDialog) {
            listDialog->AddString(listId, text);
        }
        ++count;
    };
    if (mode == 3) {
        for (int i = 0; i < size; ++i) {
            if (!(rows[i].analysis & analysisMask)) continue;
            std::string name;
            for (const char* c = rows[i].name; *c; ++c) name += *c == '&' ? std::string("&&") : std::string(1, *c);
            add(name, 9);
        }
        return count;
    }
    for (int i = 0; i < size; ++i) {
        if (rows[i].opcode != opcode) continue;
        std::string name = rows[i].name;
        if (!RowTakesArguments(rows[i])) {
            add(name, 10);
            continue;
        }
        for (const FunctionMenuPart& part : parts) {
            if (!(part.deviceKinds & rows[i].device_mask)) continue;
            size_t room = name.size() + 2 < 95 ? 95 - name.size() - 2 : 0;
            add(name + "(" + part.name.substr(0, room) + ")", 10);
        }
    }
    return count;
}

}  // namespace ob7
