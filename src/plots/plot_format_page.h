#pragma once
// The "Scales and Formats" page of the 2-D plot properties: per curve and axis the range
// ends, grid and bold grid spacings, log scale, scale and value formats and a one-shot
// auto scale; the slope method; and the Same Y Scales and Save Range Edits boxes.

#include "plots/graph_record.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

class CG2DPropSheet;

// Control ids, X then Y where there are two.
enum PlotFormatControl : int {
    kFmtCurveList = 20211, kFmtLowX = 20212, kFmtLowY = 20213, kFmtHighX = 20214, kFmtHighY = 20215,
    kFmtAutoX = 20216, kFmtAutoY = 20217, kFmtSameY = 20218, kFmtCommonFormats = 20219, kFmtSaveRanges = 20220,
    kFmtLogX = 20221, kFmtLogY = 20222, kFmtSlope = 20223, kFmtGridX = 20225, kFmtGridY = 20226,
    kFmtBoldX = 20227, kFmtBoldY = 20228, kFmtScaleFormatX = 19736, kFmtScaleFormatY = 19737,
    kFmtValueFormatX = 19739, kFmtValueFormatY = 19740, kFmtScaleSampleX = 19748, kFmtScaleSampleY = 19749,
    kFmtValueSampleX = 19752, kFmtValueSampleY = 19753
};

class CG2DFormatPage : public CPropertyPage2 {
public:
    explicit CG2DFormatPage(CG2DPropSheet& sheet);
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    void OnControlNotify(int id, platform::Notify code) override;
    // The list and the controls of the selected curve, from the working copies.
    void Refresh();
    // OK on an analysis plot: the curve's slope, formats and (with Save Range Edits) its
    // ranges, grid spacings and log flags go into its row.
    void WriteRow(const GraphRecord& g, CurveRowRecord& row, int kind) const;

    int sameY = 0, oldSameY = 0;
    int saveRanges = 0, oldSaveRanges = 0;

private:
    void ShowSelected();
    void ReadRangeEnd(int axis, bool high);
    void ReadSpacing(int axis, bool bold);
    void SetLog(int axis, bool log);
    void AutoScaleAxis(int axis);
    void EditFormat(int axis, bool value);
    void ApplyGraphs(const std::vector<GraphRecord>& graphs, int sameYScales, int saveRangeEdits);
    GraphRecord* Selected();
    CG2DPropSheet& sheet_;
};

}  // namespace ob7
