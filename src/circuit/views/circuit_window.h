#pragma once
// The schematic frame (CCirFrame) and the window paths of opening circuits: the one entry
// every visible open goes through, reusing a window that already shows the file.

#include "circuit/views/cct_draw.h"

#include <string>

namespace ob7 {

class CCirFrame : public CCTFrame {
public:
    CCirFrame();
    CCTDraw view;
};

// A new visible schematic frame titled with the path, its view holding an empty
// document; null when the window cannot be made. The frame lives until it is closed.
CCirFrame* CreateCircuitWindow(const std::string& path);

// The last step of every open: a loaded view's changed-since-run flags are cleared; with
// flag 0x40 (or 0x400 when loaded) the frame takes the top frame's placement; a loaded
// view enters Select mode.
void FinishOpenedCircuit(CCTDraw& view, bool loaded, int flags);

// Opens a circuit (kind 1) or text (kind 2) file in a window, or brings forward the
// window that shows it. Null with `code` set on failure: reported (then 15055) unless the
// flags hold 0x80. Hidden documents without a window are opened by OpenCircuitDocument.
CCTFrame* OpenCircuitFile(const std::string& name, int kind, int flags, int& code);
CCTFrame* OpenCircuit(const std::string& name, int flags, int* code);

}  // namespace ob7
