#pragma once
// The program's own accelerator tables and the accelerator step of the message loop:
// table 515 always (even over a modal dialog); while no modal dialog runs, table 507
// without an analysis or 506 with one, then table 500.

#include "platform/input.h"

namespace ob7 {

inline constexpr int kAlwaysTable = 515, kNoAnalysisTable = 507, kAnalysisTable = 506, kProgramTable = 500;

// Registers the four tables (once).
void RegisterProgramAccelerators();
// The command the key stands for in the present state, or 0.
int TranslateProgramAccelerators(const platform::KeyEvent& event);

}  // namespace ob7
