#pragma once
// The system services that non-UI code needs of the platform: message boxes, beeps and
// key polling. The headless implementation (no display) is installed by default; the
// Qt backend installs its own at start-up. Library code calls Services() and never
// knows which one runs.

#include <string>

namespace platform {

class SystemServices {
public:
    virtual ~SystemServices() = default;

    // Shows a modal message box; style is the box style word (button set in the low
    // 4 bits, icon in bits 4 to 7). Returns the id of the button that closed it
    // (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No). Headless: the text goes
    // to standard error and the default button's id is returned.
    virtual int ShowMessageBox(const std::string& text, const std::string& caption, int style) = 0;

    // Audible signal of the given message-box type. Headless: nothing.
    virtual void Beep(int type) = 0;

    // Drains queued input and returns the virtual-key code of the next key pressed
    // since the last poll, or 0. Long operations call it; headless returns 0.
    virtual int PollKey() = 0;
};

// The services in use; never null.
SystemServices& Services();

// Installs the services of a backend (nullptr restores the headless ones). The caller
// keeps ownership and must uninstall before destroying them.
void InstallServices(SystemServices* services);

}  // namespace platform
