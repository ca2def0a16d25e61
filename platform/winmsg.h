// Window messages between processes, as the automation of the codec
// front-end needs them: find top-level windows by class and caption, find a
// window's children by class in child order, set and read a window's text,
// post a close request, move a window, activate a process's window and send
// it keystrokes.
//
// A program that owns windows serves them with a WindowServer
// (winmsg_server.h); other programs reach them through a WindowSystem. The
// automation is written against the abstract WindowSystem, so tests can give
// it a fake; SocketWindowSystem is the real one.
#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QtGlobal>

namespace qlm {

// A window of any process: the owning process id in the high 32 bits, the
// owner's own number for the window in the low 32 bits. 0 is "no window".
using WindowHandle = quint64;

inline qint64 ProcessOfWindow(WindowHandle handle) { return static_cast<qint64>(handle >> 32); }

struct WindowInfo {
    WindowHandle handle = 0;
    QString windowClass;
    QString caption;
    qint64 processId = 0;
};

// A sent request that gets no answer within this time counts as failed.
inline constexpr int kWindowRequestLimitMs = 60000;
// Listing a program's windows and posting a close are answered at once by
// any program that serves windows; one that does not within this time is
// not asked again (see SocketWindowSystem). Room for a program just
// started on a loaded machine, short beside a whole conversion.
inline constexpr int kPeerAnswerLimitMs = 3000;

// What the automation needs from the platform: windows of other programs,
// starting a program, probing a file, and waiting.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Every top-level window of every reachable program of this user.
    virtual QList<WindowInfo> TopLevelWindows() = 0;
    // The children of a window with the given class, in child order.
    virtual QList<WindowHandle> ChildWindows(WindowHandle parent, const QString& windowClass) = 0;
    // Sets a window's text; waits until the owner has done it.
    virtual bool SetWindowText(WindowHandle window, const QString& text) = 0;
    // Reads a window's text; false when the window did not answer.
    virtual bool GetWindowText(WindowHandle window, QString* text) = 0;
    // Asks a window to close and returns at once.
    virtual bool PostClose(WindowHandle window) = 0;
    // Moves a window (size unchanged) and shows it, at the bottom of the
    // window order when toBottom is set.
    virtual bool SetWindowPosition(WindowHandle window, int x, int y, bool toBottom) = 0;
    // Brings the main window of a process to the foreground.
    virtual bool ActivateProcess(qint64 processId) = 0;
    // Sends keystrokes (SendKeys notation: "%D" is Alt+D, "{Enter}") to the
    // active window of a process and returns once they were handled, or once
    // the program waits for input again (a dialog it opened in answer).
    virtual bool SendKeys(qint64 processId, const QString& keys) = 0;

    // Starts a program in a working folder; its process id, 0 on failure.
    virtual qint64 StartProcess(const QString& program, const QString& workingFolder) = 0;
    // The working folder of a process of this user; "" when it is unknown.
    virtual QString WorkingFolderOf(qint64 processId) = 0;
    // Ends a process that still runs in workingFolder (in any, when empty: a
    // process id alone may have been reused): it gets a moment to end by
    // itself, then it is killed. True once it has ended or was not there.
    virtual bool EndProcess(qint64 processId, const QString& workingFolder) = 0;
    // True when the file can be opened for reading now.
    virtual bool CanOpenForReading(const QString& path) = 0;
    virtual void Sleep(int milliseconds) = 0;
    // Handles this program's own pending events (its windows keep painting).
    virtual void ProcessEvents() = 0;

    // The first top-level window with the caption (and the class, unless
    // windowClass is empty); 0 when there is none.
    WindowHandle FindWindow(const QString& windowClass, const QString& caption);
    // The first child of parent with the class that comes after `after` in
    // child order (0: the first such child); 0 when there is none.
    WindowHandle FindChildWindow(WindowHandle parent, const QString& windowClass, WindowHandle after = 0);
};

// The window system the program's routines use: the real one unless a test
// has set another. Passing nullptr restores the real one.
WindowSystem& CurrentWindowSystem();
void SetWindowSystem(WindowSystem* system);

// The variable that hands the folder to the programs started from here.
inline constexpr char kWindowFolderVariable[] = "QLM_WINMSG_DIR";

// The folder where programs serve their windows: private to the user (mode
// 0700). QLM_WINMSG_DIR names it when set; otherwise it lies under
// $XDG_RUNTIME_DIR, else it is /tmp/qlm-windows-<uid> ($TMPDIR when set).
// Creates it when missing; returns "" and sets *error when a named folder
// belongs to another user or is not a folder. The /tmp folder is used only
// when it is this user's own folder of mode 0700 (not a link): anyone may
// create that name first, so otherwise this process makes a fresh private
// folder of its own (/tmp/qlm-windows-<uid>-XXXXXX) and StartProcess hands
// it on.
QString WindowMessageFolder(QString* error = nullptr);

// The real window system: talks to the WindowServer of each program through
// its socket in WindowMessageFolder(). A program that does not answer a list
// request or take a posted close within kPeerAnswerLimitMs is left out from
// then on, so a hung or hostile peer costs one short wait, not one per call.
class SocketWindowSystem : public WindowSystem {
public:
    explicit SocketWindowSystem(int requestLimitMs = kWindowRequestLimitMs);

    QList<WindowInfo> TopLevelWindows() override;
    QList<WindowHandle> ChildWindows(WindowHandle parent, const QString& windowClass) override;
    bool SetWindowText(WindowHandle window, const QString& text) override;
    bool GetWindowText(WindowHandle window, QString* text) override;
    bool PostClose(WindowHandle window) override;
    bool SetWindowPosition(WindowHandle window, int x, int y, bool toBottom) override;
    bool ActivateProcess(qint64 processId) override;
    bool SendKeys(qint64 processId, const QString& keys) override;

    // Without a display (no DISPLAY or WAYLAND_DISPLAY) a program is started on
    // the offscreen platform, so the front-end runs on headless machines too.
    // The program gets the window folder in QLM_WINMSG_DIR and creates its
    // files owner-only (umask 077).
    qint64 StartProcess(const QString& program, const QString& workingFolder) override;
    QString WorkingFolderOf(qint64 processId) override;
    bool EndProcess(qint64 processId, const QString& workingFolder) override;
    bool CanOpenForReading(const QString& path) override;
    void Sleep(int milliseconds) override;
    void ProcessEvents() override;

    // The process ids of the programs that serve windows; sockets of programs
    // that have ended are removed on the way.
    QList<qint64> ServingProcesses();

private:
    int limitMs_;
    QSet<qint64> silent_;  // programs that did not answer in time
};

}  // namespace qlm
