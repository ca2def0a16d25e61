// The serving side of window messages: a program registers its windows here
// and answers other programs' requests about them from its event loop. A
// program busy in a long handler therefore answers late, as a window does;
// only its list of top-level windows is published in a file, so it can be
// found meanwhile.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

#include "platform/sendkeys.h"
#include "platform/winmsg.h"

class QCborArray;
class QLocalServer;
class QLocalSocket;

namespace qlm {

// What the server may do with one window. Missing functions make the request
// fail for that window.
struct ServedWindow {
    QString windowClass;
    std::function<QString()> text;
    std::function<void(const QString&)> setText;
    std::function<void()> close;
    std::function<void(int x, int y, bool toBottom)> setPosition;
};

class WindowServer : public QObject {
    Q_OBJECT
public:
    explicit WindowServer(QObject* parent = nullptr);
    ~WindowServer() override;

    // Opens this process's socket in the private folder, removing sockets
    // left by programs that have ended. False (and *error) when the folder is
    // unsafe or the socket cannot be opened.
    bool Listen(QString* error = nullptr);
    QString SocketPath() const;

    // Registers a window; it is removed again when `lifetime` is destroyed.
    // parent 0 makes a top-level window. Children keep the order in which
    // they were added.
    WindowHandle Add(QObject* lifetime, WindowHandle parent, ServedWindow window);
    void Remove(WindowHandle window);

    // Delivers keystrokes to the program's active window. Runs inside the
    // request; the reply goes out when it returns, or earlier when the
    // program waits for input again meanwhile (a dialog it opened).
    void SetKeyHandler(std::function<void(const QList<KeyStroke>&)> handler);
    // Brings the program's main window to the foreground.
    void SetActivateHandler(std::function<bool()> handler);

    // Writes the list of top-level windows beside the socket, where others
    // read it without asking (a busy or hung program is still found, as
    // windows are). Runs on its own when windows come and go or a caption is
    // set by request; call it after changing a caption in code.
    void Publish();

private:
    struct Entry {
        WindowHandle parent = 0;
        ServedWindow window;
    };
    QCborArray TopLevelList() const;
    void Accept();
    void Read(QLocalSocket* socket);
    // Runs one request; false when the answer is sent later or not at all.
    bool Handle(const QCborMap& request, QLocalSocket* socket, QCborMap* reply);
    void HandleKeys(const QString& keys, QLocalSocket* socket);

    QLocalServer* server_ = nullptr;
    QString listPath_;
    QList<WindowHandle> order_;
    QHash<WindowHandle, Entry> windows_;
    quint32 next_ = 1;
    std::function<void(const QList<KeyStroke>&)> keyHandler_;
    std::function<bool()> activateHandler_;
};

}  // namespace qlm
