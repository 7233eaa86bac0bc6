#include "sim/engine/run_accounting.h"

namespace ob7 {

RunAccountingRecord RunAccounting;

void ResetRunAccounting() {
    const bool enabled = RunAccounting.enabled;
    RunAccounting = {};
    RunAccounting.enabled = enabled;
}

}  // namespace ob7
