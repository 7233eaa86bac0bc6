#pragma once
// The application object: the native application, the message loop with idle
// processing, posted work, key pre-translation and the one pump that long operations
// and PollKey drain queued input through. No thread is ever started.

#include <functional>
#include <string>
#include <vector>

#include "platform/command.h"
#include "platform/input.h"

namespace platform {

class Window;
struct ApplicationImpl;

class Application : public CommandTarget {
public:
    // Starts the native application and installs its system services; one at a time.
    Application(int& argc, char** argv);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application* Instance();

    // The message loop; returns the code given to Quit. Closing windows never ends it:
    // the program quits itself (when its main frame is destroyed).
    int Run();
    void Quit(int code = 0);

    // The one pump: dispatches every event already queued and returns; never waits.
    static void PumpMessages();
    // Pumps until the predicate holds or the time runs out (waiting for events
    // meanwhile); true when the predicate held. For timers in tests and busy-waits.
    static bool PumpUntil(const std::function<bool()>& done, int timeoutMs);
    // While set, every key press reaches the watch first, ahead of pre-translation,
    // whichever window has the focus; true eats the key. Null removes it.
    static void SetKeyWatch(std::function<bool(const KeyEvent&)> watch);

    // Idle processing: called with 0, 1, 2 ... while it returns true, once the queue is
    // empty after input; not called while a modal loop of the layer runs.
    virtual bool OnIdle(int count) { return false; }

    // Key pre-translation ahead of the windows: the default walks from the target
    // window up to its top-level window through Window::PreTranslateKey. True eats the
    // key.
    virtual bool PreTranslateKey(Window* target, const KeyEvent& event);

    void SetMainWindow(Window* window) { main_ = window; }
    Window* MainWindow() const { return main_; }

    // Commands reach the main window's chain first, then the application's own map.
    bool DispatchCommand(int id);
    void PostCommand(int id);
    void Post(std::function<void()> work);

    // Number of modal loops of the layer running now (dialogs, message boxes).
    static int ModalLoopDepth();
    // Milliseconds since the application started.
    static unsigned TickCount();

    // The single-instance rule: true when this process holds the named lock. A second
    // process gets false after handing the message (its files, say) to the first one
    // through a local socket; the first is told (OnSecondInstanceMessage) and the
    // second should then end.
    static bool AcquireSingleInstance(const std::string& name, const std::string& message = {});
    // The desktop session is about to end: false refuses (the user kept a document
    // open); the default agrees.
    virtual bool OnQueryEndSession() { return true; }

    // Another start of the program was refused: by default the main window is
    // restored when minimised and brought to the front.
    virtual void OnSecondInstance();
    // The message a refused start handed over; by default OnSecondInstance.
    virtual void OnSecondInstanceMessage(const std::string& message);

    ApplicationImpl& Impl() { return *impl_; }

protected:
    CommandTarget* CommandDelegate() override;

private:
    ApplicationImpl* impl_;
    Window* main_ = nullptr;
};

}  // namespace platform
