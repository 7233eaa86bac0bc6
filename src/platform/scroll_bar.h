#pragma once
// A scroll bar as a child window of its own (the scroll bars of a window's panes),
// reporting its requests to OnScroll as a window's own bars do.

#include <functional>

#include "platform/window.h"

namespace platform {

class ScrollBarWindow : public Window {
public:
    bool CreateBar(Window* parent, const Rect& rect, ScrollBarKind kind, int id = 0);
    ScrollBarKind Kind() const { return kind_; }
    // 32-bit range and page, as for a window's own bars.
    void SetRange(int minimum, int maximum, int page);
    void SetPos(int position);
    int Pos() const;
    // Who hears the requests (by default the parent window's OnScroll).
    std::function<void(ScrollCode code, int position)> onScroll;

private:
    ScrollBarKind kind_ = ScrollBarKind::Vertical;
};

}  // namespace platform
