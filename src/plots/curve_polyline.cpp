#include "plots/curve_polyline.h"

#include "plots/axis_transform.h"

namespace ob7 {

CurveReader::CurveReader(PlotData& data, int curve) : store_(data.store) {
    column_[0] = data.storeCurves[curve].columns[0];
    column_[1] = data.storeCurves[curve].columns[1];
}

double CurveReader::Read(int which, int index) {
    int page = index >> kPageShift;
    if (page != page_[which]) {
        page_[which] = page;
        block_[which] = nullptr;
        if (index >= 0 && page < store_.PageCount()) {
            const PageEntry& e = store_.Page(page);
            if (e.state == kPageInMemory && e.blocks && column_[which] < store_.ColumnCount())
                block_[which] = e.blocks[column_[which]];
        }
    }
    if (block_[which]) return block_[which][index & (kPageValues - 1)];
    return store_.GetPointValue(column_[which], index);
}

platform::Point StoredPointPixel(const GraphRecord& g, CurveReader& reader, int index) {
    return {ValueToPixel(g, kXAxis, reader.X(index)), ValueToPixel(g, kYAxis, reader.Y(index))};
}

double PixelStepSlope(platform::Point from, platform::Point to) {
    double dx = static_cast<double>(to.x) - from.x, dy = static_cast<double>(to.y) - from.y;
    if (dx == 0) return dy < 0 ? -2147483648.0 : dy > 0 ? 2147483646.0 : 2147483647.0;
    return dy / dx;
}

void ReduceColumns(std::vector<platform::Point>& points, size_t from) {
    size_t write = from;
    for (size_t i = from; i < points.size();) {
        size_t j = i;
        size_t low = i, high = i;
        while (j + 1 < points.size() && points[j + 1].x == points[i].x) {
            ++j;
            if (points[j].y < points[low].y) low = j;
            if (points[j].y > points[high].y) high = j;
        }
        if (j - i + 1 <= 4) {
            for (size_t k = i; k <= j; ++k) points[write++] = points[k];
        } else {
            // Entry, the extremes in the order they came, exit.
            platform::Point first = points[i], last = points[j];
            platform::Point a = points[std::min(low, high)], b = points[std::max(low, high)];
            points[write++] = first;
            if (a != first) points[write++] = a;
            if (b != a) points[write++] = b;
            if (last != b) points[write++] = last;
        }
        i = j + 1;
    }
    points.resize(write);
}

bool BuildRunPolyline(PlotData& data, int curve, int run, bool merge, std::vector<platform::Point>& out,
                      const std::function<bool()>* escape, PlotProgress* progress) {
    const GraphRecord& g = data.curves[curve];
    const StoreCurve& sc = data.storeCurves[curve];
    if (run < 0 || run >= data.runs.runCount || run >= static_cast<int>(sc.runFirst.size())) return true;
    int first = sc.runFirst[run], last = std::min(sc.runLast[run], sc.pointCount);
    CurveReader reader(data, curve);
    size_t start = out.size();
    platform::Point previous{};
    int drawn = 0;
    int cachedIndex = -1;  // the point the look-ahead stopped at, already transformed
    platform::Point cached{};
    for (int i = first; i <= last; ++i) {
        if (escape && (i - first) % 1000 == 999 && (*escape)()) return false;
        if (progress) progress->At(i);
        platform::Point p = i == cachedIndex ? cached : StoredPointPixel(g, reader, i);
        if (drawn > 0 && merge) {
            double slope = PixelStepSlope(previous, p);
            platform::Point before = p;
            int j = i + 1;
            for (; j <= last; ++j) {
                if (escape && (j - i) % 1000 == 0 && (*escape)()) return false;
                platform::Point q = StoredPointPixel(g, reader, j);
                if (q == before || PixelStepSlope(before, q) == slope) {
                    before = q;
                    continue;
                }
                cachedIndex = j, cached = q;
                break;
            }
            if (j > i + 1) {
                i = j - 1;
                p = before;
            }
        }
        out.push_back(p);
        previous = p;
        ++drawn;
    }
    if (merge) ReduceColumns(out, start);
    return true;
}

void TrimPolylineToPane(std::vector<platform::Point>& points, int left, int right) {
    size_t end = points.size();
    while (end >= 2 && points[end - 1].x > right && points[end - 2].x > right) --end;
    points.resize(end);
    size_t start = 0;
    while (start + 1 < points.size() && points[start].x < left && points[start + 1].x < left) ++start;
    if (start) points.erase(points.begin(), points.begin() + start);
}

}  // namespace ob7
