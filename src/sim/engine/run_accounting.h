#pragma once
// Where a run's time goes: seconds spent loading the matrix, factoring it (ordering
// included), solving it and estimating truncation error. Kept only while `enabled` is
// set (benchmarks and profiling runs); otherwise the timers cost one test each.

#include <chrono>

namespace ob7 {

struct RunAccountingRecord {
    bool enabled = false;
    double load_seconds = 0;
    double factor_seconds = 0;
    double solve_seconds = 0;
    double truncation_seconds = 0;
};
extern RunAccountingRecord RunAccounting;

// Clears the sums; `enabled` is kept.
void ResetRunAccounting();

// Adds the time of its scope to *slot when accounting is enabled.
class AccountedScope {
public:
    explicit AccountedScope(double RunAccountingRecord::*slot)
        : slot_(RunAccounting.enabled ? &(RunAccounting.*slot) : nullptr) {
        if (slot_) start_ = std::chrono::steady_clock::now();
    }
    ~AccountedScope() {
        if (slot_) *slot_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    AccountedScope(const AccountedScope&) = delete;
    AccountedScope& operator=(const AccountedScope&) = delete;

private:
    double* slot_;
    std::chrono::steady_clock::time_point start_{};
};

}  // namespace ob7
