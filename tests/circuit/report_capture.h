#pragma once
// Test helper: collects every report instead of showing it. While it lives it is the
// batch log (so questions return 0 and no box appears); pass a different installer to
// capture as another sink.

#include <string>
#include <vector>

#include "foundation/report_sink.h"

namespace ob7 {

class ReportCapture : public ReportSink {
public:
    explicit ReportCapture(void (*install)(ReportSink*) = SetBatchLogSink) : install_(install) { install_(this); }
    ~ReportCapture() override { install_(nullptr); }
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;

    int Deliver(const ReportDelivery& report) override {
        reports.push_back(report);
        return 0;
    }
    const ReportDelivery& Last() const { return reports.back(); }
    // True when some report's text contains part.
    bool Contains(const std::string& part) const {
        for (const ReportDelivery& r : reports)
            if (r.text.find(part) != std::string::npos)
                return true;
        return false;
    }

    std::vector<ReportDelivery> reports;

private:
    void (*install_)(ReportSink*);
};

}  // namespace ob7
