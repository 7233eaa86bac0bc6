#pragma once
// What the program asks of the desktop: screen and work area, metrics of window
// parts, system colours and the modifier keys held now.

#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/image.h"

namespace platform::desktop {

Size ScreenSize();
Rect WorkArea();  // the screen less panels and docks
int ScrollBarWidth();
int CaptionHeight();
int MenuHeight();
int LogicalDpi();

enum class SystemColor {
    Window, WindowText, ButtonFace, ButtonShadow, ButtonHighlight, ButtonText, Highlight, HighlightText,
    GrayText, ToolTip, ToolTipText, AppWorkspace
};
Color GetSystemColor(SystemColor which);

// Modifier bits (Shift, Ctrl, Alt) held at this moment.
int ModifierKeys();

// The desktop's message icons (hand, question, exclamation, asterisk) at a size in
// pixels, on the window colour.
enum class MessageIcon { Hand, Question, Exclamation, Asterisk };
Image StandardIcon(MessageIcon icon, int size);

// The font families installed, sorted by name.
struct FontFace {
    std::string name;
    bool fixedPitch = false;
    bool scalable = true;  // outline fonts; bitmap faces offer their own sizes only
    std::vector<int> bitmapSizes;  // points, for faces that are not scalable
};
std::vector<FontFace> FontFaces();

}  // namespace platform::desktop
