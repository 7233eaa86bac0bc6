#include "platform/qt/menus.h"

#include <QIcon>
#include <QPixmap>

#include "platform/image.h"
#include "platform/qt/native.h"

namespace platform {
namespace {

// The id a sub-menu item is updated by: its first command.
int FirstCommand(Menu& menu) {
    for (int i = 0; i < menu.Count(); ++i) {
        Menu::Item& item = menu.At(i);
        if (item.popup) {
            if (int id = FirstCommand(*item.popup)) return id;
        } else if (!(item.flags & kMenuSeparator) && item.id) {
            return item.id;
        }
    }
    return 0;
}

}  // namespace

void UpdateMenuModel(CommandTarget& target, Menu& menu) {
    for (int i = 0; i < menu.Count(); ++i) {
        Menu::Item& item = menu.At(i);
        if (item.flags & kMenuSeparator) continue;
        CommandUI ui(item.popup ? FirstCommand(*item.popup) : item.id);
        ui.menu = &menu;
        ui.position = i;
        ui.isSubMenu = item.popup != nullptr;
        bool handled = target.RouteUpdate(ui);
        if (item.popup && !handled) continue;  // sub-menus stay as they are
        item.flags = ui.Enabled() ? (item.flags & ~kMenuGrayed) : (item.flags | kMenuGrayed);
        if (!handled || item.popup) continue;
        item.flags &= ~(kMenuChecked | kMenuRadio);
        if (ui.Checked()) item.flags |= kMenuChecked | (ui.Radio() ? kMenuRadio : 0);
        if (ui.TextSet()) item.text = ui.Text();
    }
}

void FillNativeMenu(QMenu& native, Menu& model, CommandTarget& target, std::function<void(int)> onChosen,
                    std::function<void(int)> onHover, std::function<void(Menu&, int)> beforeShow) {
    native.clear();
    for (QMenu* old : native.findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) old->deleteLater();
    for (int i = 0; i < model.Count(); ++i) {
        Menu::Item& item = model.At(i);
        if (item.flags & kMenuSeparator) {
            native.addSeparator();
        } else if (item.popup) {
            QMenu* sub = native.addMenu(ToQString(item.text));
            sub->setEnabled(!(item.flags & kMenuGrayed));
            Menu* subModel = item.popup.get();
            QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, subModel, i, &target, onChosen, onHover, beforeShow] {
                if (beforeShow) beforeShow(*subModel, i);
                UpdateMenuModel(target, *subModel);
                FillNativeMenu(*sub, *subModel, target, onChosen, onHover, beforeShow);
            });
            // Fill at once too, so the items exist before the first showing.
            FillNativeMenu(*sub, *subModel, target, onChosen, onHover, beforeShow);
        } else {
            QAction* action = native.addAction(ToQString(item.text));
            action->setEnabled(!(item.flags & kMenuGrayed));
            if (item.picture) action->setIcon(QIcon(QPixmap::fromImage(item.picture->Data().image)));
            if (item.flags & kMenuChecked) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            int id = item.id;
            QObject::connect(action, &QAction::triggered, &native, [onChosen, id] { onChosen(id); });
            if (onHover) QObject::connect(action, &QAction::hovered, &native, [onHover, id] { onHover(id); });
        }
    }
}

}  // namespace platform
