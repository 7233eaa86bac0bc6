#include "app/tool_icons.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "foundation/paths.h"
#include "platform/draw_context.h"

namespace ob7 {

namespace {

bool ParseColour(const std::string& text, platform::Color& colour) {
    if (text.size() != 7 || text[0] != '#') return false;
    for (size_t i = 1; i < 7; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    unsigned value = static_cast<unsigned>(std::strtoul(text.c_str() + 1, nullptr, 16));
    colour = platform::Rgb((value >> 16) & 255, (value >> 8) & 255, value & 255);
    return true;
}

// Grid coordinates stay on and near the 24 x 24 grid.
bool InGrid(int v) { return v >= -24 && v <= 48; }

// The points of a line or polygon: pairs until the end, none when one is off the grid.
bool ReadPoints(std::istringstream& in, std::vector<std::pair<int, int>>& points) {
    for (int x, y; in >> x >> y;) {
        if (!InGrid(x) || !InGrid(y) || points.size() > 64) return false;
        points.emplace_back(x, y);
    }
    return true;
}

}  // namespace

std::string ToolIconPath() { return GetModuleFolder() + "/toolbar.icons"; }

std::vector<ToolIcon> ReadToolIcons(const std::string& path) {
    std::vector<ToolIcon> icons;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "icon") {
            ToolIcon icon;
            words >> icon.command >> icon.name;
            icons.push_back(icon);
        } else if (!icons.empty()) {
            icons.back().shapes.push_back(line);
        }
    }
    return icons;
}

platform::Image DrawIconStrip(const std::vector<ToolIcon>& icons, int size, platform::Color background) {
    platform::Image strip(size * static_cast<int>(std::max<size_t>(icons.size(), 1)), size, background);
    platform::DrawContext dc(strip);
    auto scale = [size](int v) { return (v * size + 12) / 24; };
    for (size_t i = 0; i < icons.size(); ++i) {
        const int x0 = static_cast<int>(i) * size;
        auto at = [&](int x, int y) { return platform::Point{x0 + scale(x), scale(y)}; };
        for (const std::string& shape : icons[i].shapes) {
            std::istringstream in(shape);
            std::string kind, outline, fill;
            in >> kind;
            platform::Color line = 0, body = 0;
            if (kind == "rect" || kind == "ellipse") {
                int a = 0, b = 0, c = 0, d = 0;
                if (!(in >> a >> b >> c >> d >> outline >> fill)) continue;
                if (!InGrid(a) || !InGrid(b) || !InGrid(c) || !InGrid(d)) continue;
                bool hasLine = ParseColour(outline, line), hasFill = ParseColour(fill, body);
                dc.SetPen(hasLine ? platform::Pen::Solid(line) : platform::Pen::Null());
                dc.SetBrush(hasFill ? platform::Brush::Solid(body) : platform::Brush::Null());
                platform::Point p = at(a, b), q = at(c, d);
                platform::Rect r{p.x, p.y, q.x + (hasLine ? 1 : 0), q.y + (hasLine ? 1 : 0)};
                if (kind == "rect") dc.Rectangle(r);
                else dc.Ellipse(r);
            } else if (kind == "line") {
                int width = 1;
                std::vector<std::pair<int, int>> grid;
                if (!(in >> outline >> width) || width < 1 || width > 8 || !ReadPoints(in, grid)) continue;
                std::vector<platform::Point> points;
                for (auto [x, y] : grid) points.push_back(at(x, y));
                if (!ParseColour(outline, line) || points.size() < 2) continue;
                platform::Pen pen = platform::Pen::Solid(line, std::max(1, (width * size + 12) / 24));
                pen.geometric = pen.width > 1;
                dc.SetPen(pen);
                dc.Polyline(points);
            } else if (kind == "poly") {
                std::vector<std::pair<int, int>> grid;
                if (!(in >> outline >> fill) || !ReadPoints(in, grid)) continue;
                std::vector<platform::Point> points;
                for (auto [x, y] : grid) points.push_back(at(x, y));
                bool hasLine = ParseColour(outline, line), hasFill = ParseColour(fill, body);
                dc.SetPen(hasLine ? platform::Pen::Solid(line) : platform::Pen::Null());
                dc.SetBrush(hasFill ? platform::Brush::Solid(body) : platform::Brush::Null());
                if (points.size() >= 3) dc.Polygon(points);
            }
        }
    }
    return strip;
}

}  // namespace ob7
