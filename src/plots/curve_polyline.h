#pragma once
// The pixels of one run of a curve as one polyline: points that land on the pixel of the
// point before them, or continue a straight step of exactly the same slope, are merged,
// so that a long flat or straight stretch costs one segment.

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/geometry.h"
#include "plots/graph_record.h"

namespace ob7 {

// Reads the X and Y columns of a curve page by page, straight from resident pages.
class CurveReader {
public:
    CurveReader(PlotData& data, int curve);
    double X(int index) { return Read(0, index); }
    double Y(int index) { return Read(1, index); }

private:
    double Read(int which, int index);
    PointStore& store_;
    int column_[2];
    int page_[2] = {-1, -1};
    const double* block_[2] = {nullptr, nullptr};
};

// The progress of a long repaint: curves above 100,000 points report the percentage at
// their first point and then about every twentieth of their points.
struct PlotProgress {
    int points = 0;  // points of the curve
    int mark = 0;
    std::function<void(int index, int percent)> show;
    void Start(int pointCount) {
        points = pointCount;
        mark = std::max(pointCount / 100, 10000);
    }
    void At(int index) {
        if (!show || points <= 100000 || (index != 0 && index <= mark)) return;
        show(index, static_cast<int>(static_cast<double>(index + 1) / points * 100));
        mark += points / 20;
    }
};

// The pixel of stored point index of the curve (X and Y by ValueToPixel).
platform::Point StoredPointPixel(const GraphRecord& g, CurveReader& reader, int index);

// Appends the merged pixels of run `run` to out (many points of one pixel column are
// reduced as ReduceColumns says). With merge off every point is kept
// (digital, FFT and backward-going curves). `escape` (may be null) is asked every 1000
// points; true stops the build and the result is false.
bool BuildRunPolyline(PlotData& data, int curve, int run, bool merge, std::vector<platform::Point>& out,
                      const std::function<bool()>* escape = nullptr, PlotProgress* progress = nullptr);

// Reduces each run of more than four consecutive points in one pixel column (from index
// from on) to its entry, its two extremes in the order they came, and its exit: the line
// through them covers the same pixels of the column.
void ReduceColumns(std::vector<platform::Point>& points, size_t from = 0);

// Drops the leading points left of `left` and the trailing points right of `right`,
// keeping one point beyond each edge so that the line still reaches it.
void TrimPolylineToPane(std::vector<platform::Point>& points, int left, int right);

// The slope of a pixel step as the merging compares it.
double PixelStepSlope(platform::Point from, platform::Point to);

}  // namespace ob7
