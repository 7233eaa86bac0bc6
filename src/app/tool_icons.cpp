#include "app/tool_icons.h"

#include <fstream>
#include <sstream>

#include "foundation/paths.h"
#include "platform/draw_context.h"

namespace ob7 {

namespace {

bool ParseColour(const std::string& text, platform::Color& colour) {
    if (text.size() != 7 || text[0] != '#') return false;
    unsigned value = static_cast<unsigned>(std::stoul(text.substr(1), nullptr, 16));
    colour = platform::Rgb((value >> 16) & 255, (value >> 8) & 255, value & 255);
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
                int a, b, c, d;
                in >> a >> b >> c >> d >> outline >> fill;
                bool hasLine = ParseColour(outline, line), hasFill = ParseColour(fill, body);
                dc.SetPen(hasLine ? platform::Pen::Solid(line) : platform::Pen::Null());
                dc.SetBrush(hasFill ? platform::Brush::Solid(body) : platform::Brush::Null());
                platform::Point p = at(a, b), q = at(c, d);
                platform::Rect r{p.x, p.y, q.x + (hasLine ? 1 : 0), q.y + (hasLine ? 1 : 0)};
                if (kind == "rect") dc.Rectangle(r);
                else dc.Ellipse(r);
            } else if (kind == "line") {
                int width = 1;
                in >> outline >> width;
                std::vector<platform::Point> points;
                for (int x, y; in >> x >> y;) points.push_back(at(x, y));
                if (!ParseColour(outline, line) || points.size() < 2) continue;
                platform::Pen pen = platform::Pen::Solid(line, std::max(1, (width * size + 12) / 24));
                pen.geometric = pen.width > 1;
                dc.SetPen(pen);
                dc.Polyline(points);
            } else if (kind == "poly") {
                in >> outline >> fill;
                std::vector<platform::Point> points;
                for (int x, y; in >> x >> y;) points.push_back(at(x, y));
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
