#pragma once
// Demo playback: a script of the demo file drives the real program step by step. Each
// step queues input events (pointer moves, clicks, keys, commands) with delays; the
// player's clock delivers them to the windows through the platform's input injection,
// so the user sees the program being worked. P or Pause pauses and resumes, Enter
// resumes, Esc stops: a stop runs a closing sequence (Esc, the open dialog cancelled)
// before the demo ends. The user's settings are saved when a demo starts and read
// back when it ends.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/demo_documents.h"
#include "app/demo_file.h"
#include "platform/geometry.h"

namespace platform {
class Dialog;
class Window;
}

namespace ob7 {

// One queued input event.
struct DemoEvent {
    enum Kind {
        MouseMove, LeftDown, LeftUp, RightDown, RightUp, Key, AltKey, Command, ClickItem, Close, MessageBox, ToolButton
    };
    Kind kind = MouseMove;
    platform::Window* window = nullptr;  // the target; null: the target window when delivered
    platform::Point point;               // client coordinates of the window
    int value = 0;                       // key code, command id or control id
    int delay = 0;                       // milliseconds before the event
    int bar = 0;                         // ToolButton: the frame bar's id; 0 the window's own bar
};

class DemoPlayer {
public:
    static constexpr int kRingSize = 2200;
    static constexpr int kMaxCalls = 30;
    static constexpr int kMaxEmbedding = 8;  // instructions inside instructions 8 and 68

    // Starts the demo of a Help-menu command (17820 to 17838), or the script's beginning
    // for -1, from the given file. Returns false when the demo could not start (the
    // reason was reported and the user's settings are back).
    bool Start(int command);
    bool Start(int command, const std::string& path);
    // Asks for the stop: the closing sequence runs before the demo ends.
    void RequestStop() { stopRequested_ = true; }
    // Ends at once; with restore the user's settings come back.
    void End(bool restore);

    bool Playing() const { return playing_; }
    bool Paused() const { return paused_; }
    bool StopRequested() const { return stopRequested_; }

    // A key the user pressed while the demo plays: P and Pause toggle the pause, Enter
    // resumes, Esc stops. True when the player took the key.
    bool OnKey(int key);
    // Advances the clock: delivers the events that are due and runs script steps while
    // nothing is queued. The program calls it from a timer.
    void Tick(int elapsedMs);

    // Where events go; the default injects them into the program's windows.
    std::function<void(const DemoEvent&)> deliver;
    // The recorded key-and-button word (MK_ bits) and Alt state that replace the live
    // ones while a demo plays.
    int RecordedKeyState() const { return keyState_; }
    bool RecordedAlt() const { return altDown_; }

private:
    void RunStep();
    void RunInstruction();
    void RunClosingStep();
    void Queue(DemoEvent event);
    void Wait(int n);
    void MoveTo(platform::Window* window, platform::Point target, int speed);
    void Press(DemoEvent::Kind kind, int wait);
    void Deliver(const DemoEvent& event);
    void Jump(int label);
    // Moves past one instruction and its operands without running it.
    void SkipInstruction(int nesting = 0);
    // The dialog that holds control id for the script: the window itself, for OK and
    // Cancel the first of the buttons 0 to 9, else the active page of an open sheet.
    // Null (and the demo ended) when none has it.
    platform::Dialog* FindControl(platform::Window* window, int& id);
    // The pointer to the control's centre, or 4 pixels into its left end; false when
    // the control is missing.
    bool MoveToControl(platform::Window* window, int id, bool centre);
    void ClickControl(platform::Window* window, int id, bool centre);
    // The top window's button of a command: its own bar's, else the first frame bar's
    // that has it; nothing when the window is already in that mode or no bar shows it.
    void ClickToolButton(int command);
    // Makes the component of that name in the first library current through its
    // component command; a name not there ends the demo.
    void ChooseComponent(const std::string& name);
    // Instructions 8 and 68: the embedded instruction runs only when the field does not
    // hold the text.
    void ExpectFieldText(bool combo);
    // Operands read in place; a read past the end ends the demo.
    int Byte();
    int Short();
    int Word();
    bool Condition();
    std::string Text(size_t size);

    DemoScript demo_;
    std::vector<SavedDocument> documents_;  // the user's, put aside while the demo plays
    size_t pos_ = 0;
    struct Call {
        size_t argument, back;
    };
    std::vector<Call> calls_;
    std::array<DemoEvent, kRingSize> ring_{};
    int read_ = 0, write_ = 0;
    int waited_ = 0;  // milliseconds spent on the event at the read index
    platform::Point pointer_;
    int keyState_ = 0;
    bool altDown_ = false;
    int speed_ = 2;
    bool fast_ = false;
    bool leftHeld_ = false, rightHeld_ = false;
    bool playing_ = false, paused_ = false, stopRequested_ = false, ended_ = false;
    bool statusShownForDemo_ = false;
    int closingStep_ = 0;
    int depth_ = 0;
    int embedding_ = 0;
};

DemoPlayer& Demo();

// The demo commands of the Help menu.
inline constexpr int kFirstDemoCommand = 17820, kLastDemoCommand = 17838;
// The main frame's timer that drives the player.
inline constexpr int kDemoTimer = 3, kDemoTickMs = 10;

}  // namespace ob7
