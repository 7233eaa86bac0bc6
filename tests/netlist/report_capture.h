#pragma once
// Captures every report while alive, as a batch log would.

#include <vector>

#include "foundation/report_sink.h"

struct ReportCapture : ob7::ReportSink {
    ReportCapture() { ob7::SetBatchLogSink(this); }
    ~ReportCapture() override { ob7::SetBatchLogSink(nullptr); }
    int Deliver(const ob7::ReportDelivery& report) override {
        reports.push_back(report);
        return 0;
    }
    std::vector<ob7::ReportDelivery> reports;
};
