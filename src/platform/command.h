#pragma once
// Commands by numeric id. A CommandTarget holds a command map (handlers and update
// handlers over id ranges) and may name a delegate that is offered every command
// first: the main frame delegates to its active child frame, a child frame to its view.
// Update handlers enable, check and retitle the menu items and buttons of a command;
// a command whose update handler disables it is never dispatched.

#include <functional>
#include <string>
#include <vector>

namespace platform {

class Menu;

// The state of one command's user-interface element while update handlers run.
class CommandUI {
public:
    explicit CommandUI(int id) : id_(id) {}

    int Id() const { return id_; }
    void Enable(bool on = true) { enabled_ = on; }
    void SetCheck(int state = 1) { checked_ = state; }  // 0 off, 1 checked, 2 indeterminate
    void SetRadio(bool on = true) { checked_ = on ? 1 : 0; radio_ = true; }
    void SetText(std::string text) { text_ = std::move(text); textSet_ = true; }

    bool Enabled() const { return enabled_; }
    int Checked() const { return checked_; }
    bool Radio() const { return radio_; }
    bool TextSet() const { return textSet_; }
    const std::string& Text() const { return text_; }

    // For menu items: the menu and the item's position; a sub-menu item has id 0 and
    // is updated by position.
    Menu* menu = nullptr;
    int position = -1;
    bool isSubMenu = false;

private:
    int id_;
    bool enabled_ = false;
    int checked_ = 0;
    bool radio_ = false;
    bool textSet_ = false;
    std::string text_;
};

class CommandTarget {
public:
    using Handler = std::function<void(int id)>;
    using UpdateHandler = std::function<void(CommandUI&)>;

    virtual ~CommandTarget() = default;

    // Map entries; a later entry for the same id takes precedence.
    void OnCommand(int id, Handler handler) { OnCommandRange(id, id, std::move(handler)); }
    void OnCommandRange(int first, int last, Handler handler);
    void OnUpdate(int id, UpdateHandler handler) { OnUpdateRange(id, id, std::move(handler)); }
    void OnUpdateRange(int first, int last, UpdateHandler handler);

    // Routes the command: the delegate first, then this target's own map. True when a
    // handler ran.
    bool RouteCommand(int id);

    // Routes the update along the same chain: the first update handler found decides;
    // without one, a command handler anywhere on the chain means enabled. False (the
    // element stays disabled) when nobody handles the id.
    bool RouteUpdate(CommandUI& ui);

    // Runs the update first; dispatches only an enabled command. True when dispatched.
    bool ExecuteCommand(int id);

protected:
    // The target offered every command before this one, or null.
    virtual CommandTarget* CommandDelegate() { return nullptr; }

private:
    bool RunUpdateHandler(CommandUI& ui);
    bool HasHandler(int id);

    template <class F>
    struct Entry {
        int first, last;
        F fn;
    };
    std::vector<Entry<Handler>> handlers_;
    std::vector<Entry<UpdateHandler>> updates_;
};

}  // namespace platform
