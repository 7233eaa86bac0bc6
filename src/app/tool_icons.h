#pragma once
// The program's tool-bar pictures: small vector drawings on a 24 x 24 grid, read from
// the text file "toolbar.icons" of the program folder and drawn at the button size.

#include <string>
#include <vector>

#include "platform/image.h"

namespace ob7 {

struct ToolIcon {
    int command = 0;
    std::string name;
    std::vector<std::string> shapes;  // the drawing lines, as read
};

// Reads the icon file; an empty list when it cannot be read.
std::vector<ToolIcon> ReadToolIcons(const std::string& path);
// The icons side by side, each drawn into a size x size cell on a transparent-looking
// background of the given colour.
platform::Image DrawIconStrip(const std::vector<ToolIcon>& icons, int size, platform::Color background);
// The icon file of the program folder.
std::string ToolIconPath();

}  // namespace ob7
