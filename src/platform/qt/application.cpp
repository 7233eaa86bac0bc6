// The application, its message loop, the pump, key pre-translation, the system
// services of the Qt backend and the scripted answers of automation.

#include "platform/application.h"

#include <QSessionManager>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <deque>

#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/system_services.h"
#include "platform/window.h"
#include "platform/qt/native.h"

namespace platform {
namespace {

Application* theApp = nullptr;
int modalDepth = 0;
bool idlePending = false;

// PollKey state: while polling, the first key press is taken and later ones wait for
// the next pump.
bool polling = false;
int polledKey = 0;
std::vector<std::pair<QPointer<QObject>, QEvent*>> deferredKeys;
std::function<bool(const KeyEvent&)> keyWatch;

struct Answers {
    std::deque<std::function<int(Dialog&)>> modal;
    std::deque<int> messageBox;
    std::vector<std::string> messageTexts;
    std::deque<int> popup;
    std::deque<std::pair<std::vector<std::string>, int>> files;
    std::deque<std::function<bool(PrintSettings&)>> print;
    std::deque<std::function<bool(Color&)>> color;
    std::deque<std::function<bool(Font&)>> font;
};
Answers& TheAnswers() {
    static Answers answers;
    return answers;
}

template <class T>
bool TakeFront(std::deque<T>& queue, T& out) {
    if (queue.empty()) return false;
    out = std::move(queue.front());
    queue.pop_front();
    return true;
}

bool IsInputEvent(QEvent::Type t) {
    switch (t) {
    case QEvent::KeyPress: case QEvent::KeyRelease: case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: case QEvent::MouseButtonDblClick: case QEvent::MouseMove:
    case QEvent::Wheel: return true;
    default: return false;
    }
}

// notify sees every event once, before it propagates: the place for pre-translation.
class NativeApp final : public QApplication {
public:
    NativeApp(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override {
        if (IsInputEvent(event->type())) idlePending = true;
        if (event->type() == QEvent::KeyPress && receiver->isWidgetType()) {
            auto* key = static_cast<QKeyEvent*>(event);
            KeyEvent ev{VirtualKeyFromQt(key->key(), key->modifiers()), ModifiersFromQt(key->modifiers()),
                        key->isAutoRepeat()};
            if (polling) {
                if (polledKey == 0 && ev.key != 0) {
                    polledKey = ev.key;
                } else {
                    deferredKeys.emplace_back(receiver, event->clone());
                }
                return true;
            }
            if (ev.key != 0 && keyWatch && keyWatch(ev)) return true;
            if (ev.key != 0 && backend::PreTranslate(static_cast<QWidget*>(receiver), ev)) return true;
        }
        return QApplication::notify(receiver, event);
    }
};

class QtServices final : public SystemServices {
public:
    int ShowMessageBox(const std::string& text, const std::string& caption, int style) override {
        int answer = 0;
        if (backend::TakeMessageBoxAnswer(text, answer)) return answer;
        QMessageBox box;
        box.setWindowTitle(ToQString(caption));
        box.setText(ToQString(text));
        switch (style & 0xF0) {
        case 0x10: box.setIcon(QMessageBox::Critical); break;
        case 0x20: box.setIcon(QMessageBox::Question); break;
        case 0x30: box.setIcon(QMessageBox::Warning); break;
        case 0x40: box.setIcon(QMessageBox::Information); break;
        default: break;
        }
        struct B { QMessageBox::StandardButton qt; int id; };
        std::vector<B> buttons;
        switch (style & 0xF) {
        case 1: buttons = {{QMessageBox::Ok, 1}, {QMessageBox::Cancel, 2}}; break;
        case 2: buttons = {{QMessageBox::Abort, 3}, {QMessageBox::Retry, 4}, {QMessageBox::Ignore, 5}}; break;
        case 3: buttons = {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}, {QMessageBox::Cancel, 2}}; break;
        case 4: buttons = {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}}; break;
        case 5: buttons = {{QMessageBox::Retry, 4}, {QMessageBox::Cancel, 2}}; break;
        default: buttons = {{QMessageBox::Ok, 1}}; break;
        }
        QMessageBox::StandardButtons set;
        for (const B& b : buttons) set |= b.qt;
        box.setStandardButtons(set);
        // The default button is chosen by bits 8 and 9 of the style.
        int def = (style >> 8) & 0x3;
        if (def < static_cast<int>(buttons.size())) box.setDefaultButton(buttons[def].qt);
        backend::EnterModal();
        int pressed = box.exec();
        backend::LeaveModal();
        for (const B& b : buttons)
            if (b.qt == pressed) return b.id;
        return (style & 0xF) == 4 ? 7 : ((style & 0xF) == 0 ? 1 : 2);
    }

    void Beep(int) override { QApplication::beep(); }

    int PollKey() override {
        polling = true;
        polledKey = 0;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        polling = false;
        auto waiting = std::move(deferredKeys);
        deferredKeys.clear();
        for (auto& [receiver, event] : waiting) {
            if (receiver) QCoreApplication::postEvent(receiver, event);
            else delete event;
        }
        return polledKey;
    }
};

}  // namespace

struct ApplicationImpl {
    std::unique_ptr<NativeApp> native;
    QtServices services;
    QElapsedTimer clock;
    int lockFd = -1;
    pid_t lockPid = 0;  // a forked child does not hold its parent's lock
    int wakeFd = -1;    // the local socket a second start hands its message to
    std::string wakePath;
    std::unique_ptr<QSocketNotifier> wake;
};

Application::Application(int& argc, char** argv) : impl_(new ApplicationImpl) {
    impl_->native = std::make_unique<NativeApp>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // the loop ends by Quit alone
    impl_->clock.start();
    theApp = this;
    InstallServices(&impl_->services);
    // Idle work runs when the loop is about to wait, after input was handled.
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     impl_->native.get(), [this] {
                         if (!idlePending || modalDepth > 0) return;
                         idlePending = false;
                         for (int count = 0; OnIdle(count); ++count) {}
                     });
    // The desktop session is ending: the program may refuse (unsaved documents).
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, impl_->native.get(), [this](QSessionManager& manager) {
        if (manager.allowsInteraction() && !OnQueryEndSession()) manager.cancel();
    });
}

Application::~Application() {
    InstallServices(nullptr);
    impl_->wake.reset();
    if (impl_->wakeFd >= 0) {
        close(impl_->wakeFd);
        unlink(impl_->wakePath.c_str());
    }
    if (impl_->lockFd >= 0) close(impl_->lockFd);
    theApp = nullptr;
    delete impl_;
}

Application* Application::Instance() { return theApp; }

int Application::Run() {
    idlePending = true;
    return QApplication::exec();
}

void Application::Quit(int code) { QCoreApplication::exit(code); }

void Application::PumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool Application::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    QTimer wake;  // bounds each wait, so the predicate and the time are checked again
    wake.setSingleShot(true);
    while (!done()) {
        qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0) return false;
        wake.start(static_cast<int>(std::min<qint64>(left, 20)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void Application::SetKeyWatch(std::function<bool(const KeyEvent&)> watch) { keyWatch = std::move(watch); }

bool Application::PreTranslateKey(Window* target, const KeyEvent& event) {
    for (Window* w = target; w; w = w->Parent())
        if (w->PreTranslateKey(event)) return true;
    return false;
}

bool Application::DispatchCommand(int id) { return ExecuteCommand(id); }

void Application::PostCommand(int id) {
    Post([this, id] { DispatchCommand(id); });
}

void Application::Post(std::function<void()> work) {
    idlePending = true;
    QTimer::singleShot(0, impl_->native.get(), std::move(work));
}

CommandTarget* Application::CommandDelegate() { return main_; }

int Application::ModalLoopDepth() { return modalDepth; }

unsigned Application::TickCount() {
    return theApp ? static_cast<unsigned>(theApp->impl_->clock.elapsed()) : 0;
}

namespace {

// The whole message of one connection of a second start (it writes and closes at once).
std::string ReadHandOver(int listenFd) {
    int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return {};
    timeval timeout{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string message;
    char buffer[4096];
    for (ssize_t n; message.size() < (1u << 20) && (n = read(fd, buffer, sizeof buffer)) > 0;) message.append(buffer, n);
    close(fd);
    return message;
}

sockaddr_un SocketAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    return address;
}

}  // namespace

bool Application::AcquireSingleInstance(const std::string& name, const std::string& message) {
    if (!theApp) return false;
    ApplicationImpl& d = *theApp->impl_;
    if (d.lockFd >= 0 && d.lockPid == getpid()) return true;
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    std::string base = std::string(dir && *dir ? dir : "/tmp") + "/" + name;
    int fd = open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const std::string socketPath = base + ".sock";
    const sockaddr_un address = SocketAddress(socketPath);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        // Hand the message to the running instance; it may have no socket yet, then
        // nobody hears.
        int client = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (client >= 0 && connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            for (size_t sent = 0; sent < message.size();) {
                ssize_t n = write(client, message.data() + sent, message.size() - sent);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
        }
        if (client >= 0) close(client);
        return false;
    }
    d.lockFd = fd;
    d.lockPid = getpid();
    unlink(socketPath.c_str());
    int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (server >= 0 && bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        listen(server, 8) == 0) {
        d.wakeFd = server;
        d.wakePath = socketPath;
        d.wake = std::make_unique<QSocketNotifier>(d.wakeFd, QSocketNotifier::Read);
        QObject::connect(d.wake.get(), &QSocketNotifier::activated, d.native.get(), [] {
            theApp->OnSecondInstanceMessage(ReadHandOver(theApp->impl_->wakeFd));
        });
    } else if (server >= 0) {
        close(server);
    }
    return true;
}

void Application::OnSecondInstanceMessage(const std::string&) { OnSecondInstance(); }

void Application::OnSecondInstance() {
    if (!main_ || !main_->Peer() || !main_->Peer()->widget) return;
    QWidget* w = main_->Peer()->widget;
    if (w->isMinimized()) w->showNormal();
    w->raise();
    w->activateWindow();
}

namespace backend {

bool PreTranslate(QWidget* target, const KeyEvent& event) {
    return theApp && theApp->PreTranslateKey(WindowOfWidget(target), event);
}

void EnterModal() { ++modalDepth; }
void LeaveModal() { --modalDepth; }

bool TakeModalScript(std::function<int(Dialog&)>& script) { return TakeFront(TheAnswers().modal, script); }

bool TakeMessageBoxAnswer(const std::string& text, int& button) {
    if (!TakeFront(TheAnswers().messageBox, button)) return false;
    TheAnswers().messageTexts.push_back(text);
    return true;
}

bool TakePopupMenuAnswer(int& command) { return TakeFront(TheAnswers().popup, command); }
bool TakeFileDialogAnswer(std::vector<std::string>& paths, int& filterIndex) {
    std::pair<std::vector<std::string>, int> answer;
    if (!TakeFront(TheAnswers().files, answer)) return false;
    paths = std::move(answer.first);
    filterIndex = answer.second;
    return true;
}
bool TakePrintDialogAnswer(std::function<bool(PrintSettings&)>& answer) { return TakeFront(TheAnswers().print, answer); }
bool TakeColorDialogAnswer(std::function<bool(Color&)>& answer) { return TakeFront(TheAnswers().color, answer); }
bool TakeFontDialogAnswer(std::function<bool(Font&)>& answer) { return TakeFront(TheAnswers().font, answer); }

}  // namespace backend

namespace automation {

void QueueModalScript(std::function<int(Dialog&)> script) { TheAnswers().modal.push_back(std::move(script)); }
void QueueMessageBoxAnswer(int button) { TheAnswers().messageBox.push_back(button); }
const std::vector<std::string>& MessageBoxTexts() { return TheAnswers().messageTexts; }
void QueuePopupMenuAnswer(int command) { TheAnswers().popup.push_back(command); }
void QueueFileDialogAnswer(std::vector<std::string> paths, int filterIndex) {
    TheAnswers().files.push_back({std::move(paths), filterIndex});
}
void QueuePrintDialogAnswer(std::function<bool(PrintSettings&)> a) { TheAnswers().print.push_back(std::move(a)); }
void QueueColorDialogAnswer(std::function<bool(Color&)> a) { TheAnswers().color.push_back(std::move(a)); }
void QueueFontDialogAnswer(std::function<bool(Font&)> a) { TheAnswers().font.push_back(std::move(a)); }

int PendingAnswers() {
    const Answers& a = TheAnswers();
    return static_cast<int>(a.modal.size() + a.messageBox.size() + a.popup.size() + a.files.size() +
                            a.print.size() + a.color.size() + a.font.size());
}

void ClearAnswers() {
    Answers& a = TheAnswers();
    a = Answers{};
}

}  // namespace automation
}  // namespace platform
