#pragma once
// Menus as plain data: a menu bar or pop-up is a list of items, each a command, a
// separator or a sub-menu. The program builds and changes them at run time; the native
// menus follow the model each time a pop-up opens (or the bar is redrawn).

#include <memory>
#include <string>
#include <vector>

namespace platform {

class Image;

enum MenuFlag : int {
    kMenuGrayed = 0x1,
    kMenuChecked = 0x8,
    kMenuRadio = 0x200,     // checked items show a bullet
    kMenuSeparator = 0x800,
    kMenuBreak = 0x40,      // item starts a new column (kept in the model; native menus
                            // wrap into columns by height alone)
};

class Menu {
public:
    struct Item {
        int id = 0;  // 0 for separators and sub-menus
        std::string text;
        int flags = 0;
        std::unique_ptr<Menu> popup;
        // A picture shown with the item: colour swatches, bitmap items.
        std::shared_ptr<const Image> picture;
    };

    int Count() const { return static_cast<int>(items_.size()); }
    Item& At(int position) { return items_.at(position); }
    const Item& At(int position) const { return items_.at(position); }

    void Append(int id, std::string text, int flags = 0) { Insert(Count(), id, std::move(text), flags); }
    void AppendSeparator() { InsertSeparator(Count()); }
    Menu& AppendPopup(std::string text, int flags = 0) { return InsertPopup(Count(), std::move(text), flags); }
    void Insert(int position, int id, std::string text, int flags = 0);
    void InsertSeparator(int position);
    Menu& InsertPopup(int position, std::string text, int flags = 0);
    void Remove(int position);
    void Clear() { items_.clear(); }

    // Position of the item with this id in this menu (not sub-menus), or -1.
    int FindPosition(int id) const;
    // The sub-menu at a position, or null.
    Menu* SubMenu(int position);

    // By id, searching sub-menus too; false when no item has the id.
    bool CheckItem(int id, bool checked);
    bool EnableItem(int id, bool enabled);
    bool SetItemText(int id, const std::string& text);
    bool SetItemPicture(int id, std::shared_ptr<const Image> picture);
    Item* FindItem(int id);

private:
    std::vector<Item> items_;
};

}  // namespace platform
