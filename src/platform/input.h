#pragma once
// Keyboard and mouse input as the windows receive it. Key codes are the virtual-key
// codes the program's tables are written in (Esc 27, Pause 19, F1 112 ...), letters
// and digits as their upper-case ASCII codes.

#include "platform/geometry.h"

namespace platform {

namespace key {
constexpr int kBack = 8, kTab = 9, kReturn = 13, kShift = 16, kControl = 17, kMenu = 18,
              kPause = 19, kEscape = 27, kSpace = 32, kPrior = 33, kNext = 34, kEnd = 35,
              kHome = 36, kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kInsert = 45,
              kDelete = 46, kAdd = 107, kSubtract = 109, kF1 = 112;
constexpr int F(int n) { return kF1 + n - 1; }
}  // namespace key

// Modifier bits of key events and accelerators.
enum Modifier : int { kShiftDown = 1, kCtrlDown = 2, kAltDown = 4 };

// Button and modifier bits of mouse events (the MK_ values).
enum MouseFlag : int {
    kLeftButton = 0x1, kRightButton = 0x2, kMouseShift = 0x4, kMouseCtrl = 0x8, kMiddleButton = 0x10
};

enum class MouseAction {
    Move, LeftDown, LeftUp, LeftDouble, RightDown, RightUp, RightDouble, MiddleDown, MiddleUp, Wheel
};

struct MouseEvent {
    MouseAction action = MouseAction::Move;
    Point point;         // client coordinates
    int flags = 0;       // MouseFlag bits held during the event
    int wheelDelta = 0;  // multiples of 120 per notch, positive away from the user
};

struct KeyEvent {
    int key = 0;        // virtual-key code
    int modifiers = 0;  // Modifier bits
    bool autoRepeat = false;
};

}  // namespace platform
