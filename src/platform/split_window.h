#pragma once
// A window split into panes side by side (or one above the other) with bars the user
// drags: the panes are the windows created as its children, in order.

#include <vector>

#include "platform/window.h"

namespace platform {

class SplitWindow : public Window {
public:
    // vertical: panes one above the other.
    bool CreateSplit(Window* parent, const Rect& rect, bool vertical, int id = 0);
    int PaneCount() const;
    // Sizes of the panes along the split, in pixels; setting them moves the bars.
    std::vector<int> PaneSizes() const;
    void SetPaneSizes(const std::vector<int>& sizes);
    // Called after the user moved a bar.
    virtual void OnSplitMoved() {}
};

}  // namespace platform
