#include "platform/menu.h"

namespace platform {

void Menu::Insert(int position, int id, std::string text, int flags) {
    if (position < 0 || position > Count()) position = Count();
    Item item;
    item.id = id;
    item.text = std::move(text);
    item.flags = flags;
    items_.insert(items_.begin() + position, std::move(item));
}

void Menu::InsertSeparator(int position) { Insert(position, 0, {}, kMenuSeparator); }

Menu& Menu::InsertPopup(int position, std::string text, int flags) {
    if (position < 0 || position > Count()) position = Count();
    Item item;
    item.text = std::move(text);
    item.flags = flags;
    item.popup = std::make_unique<Menu>();
    Menu& sub = *item.popup;
    items_.insert(items_.begin() + position, std::move(item));
    return sub;
}

void Menu::Remove(int position) {
    if (position >= 0 && position < Count()) items_.erase(items_.begin() + position);
}

int Menu::FindPosition(int id) const {
    for (int i = 0; i < Count(); ++i)
        if (!items_[i].popup && items_[i].id == id && !(items_[i].flags & kMenuSeparator)) return i;
    return -1;
}

Menu* Menu::SubMenu(int position) {
    if (position < 0 || position >= Count()) return nullptr;
    return items_[position].popup.get();
}

bool Menu::SetItemPicture(int id, std::shared_ptr<const Image> picture) {
    Item* item = FindItem(id);
    if (!item) return false;
    item->picture = std::move(picture);
    return true;
}

Menu::Item* Menu::FindItem(int id) {
    for (Item& item : items_) {
        if (item.popup) {
            if (Item* found = item.popup->FindItem(id)) return found;
        } else if (item.id == id && !(item.flags & kMenuSeparator)) {
            return &item;
        }
    }
    return nullptr;
}

bool Menu::CheckItem(int id, bool checked) {
    Item* item = FindItem(id);
    if (!item) return false;
    item->flags = checked ? (item->flags | kMenuChecked) : (item->flags & ~kMenuChecked);
    return true;
}

bool Menu::EnableItem(int id, bool enabled) {
    Item* item = FindItem(id);
    if (!item) return false;
    item->flags = enabled ? (item->flags & ~kMenuGrayed) : (item->flags | kMenuGrayed);
    return true;
}

bool Menu::SetItemText(int id, const std::string& text) {
    Item* item = FindItem(id);
    if (!item) return false;
    item->text = text;
    return true;
}

}  // namespace platform
