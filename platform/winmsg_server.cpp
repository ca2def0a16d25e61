#include "platform/winmsg_server.h"

#include <QAbstractEventDispatcher>
#include <QCborArray>
#include <QCborMap>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QSaveFile>

#include "platform/winmsg_protocol.h"

namespace qlm {

using namespace winmsg;

namespace {
const char* const kBufferProperty = "qlmWinmsgBuffer";
}

WindowServer::WindowServer(QObject* parent) : QObject(parent) {}

WindowServer::~WindowServer() {
    if (server_) {
        server_->close();  // removes the socket file
        QFile::remove(listPath_);
    }
}

bool WindowServer::Listen(QString* error) {
    QString folderError;
    const QString folder = WindowMessageFolder(&folderError);
    if (folder.isEmpty()) {
        if (error)
            *error = folderError;
        return false;
    }
    // Sockets and lists of ended programs, including an earlier one with our id.
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.sock"), QStringLiteral("*.windows")}, QDir::System | QDir::Files);
    for (const QString& name : names) {
        const qint64 pid = ProcessOfFileName(name);
        if (pid == QCoreApplication::applicationPid() || (pid > 0 && !ProcessAlive(pid)))
            QFile::remove(QDir(folder).filePath(name));
    }
    delete server_;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    listPath_ = ListPath(folder, QCoreApplication::applicationPid());
    if (!server_->listen(winmsg::SocketPath(folder, QCoreApplication::applicationPid()))) {
        if (error)
            *error = server_->errorString();
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &WindowServer::Accept);
    Publish();
    return true;
}

QString WindowServer::SocketPath() const { return server_ ? server_->fullServerName() : QString(); }

WindowHandle WindowServer::Add(QObject* lifetime, WindowHandle parent, ServedWindow window) {
    const WindowHandle handle = (static_cast<quint64>(QCoreApplication::applicationPid()) << 32) | next_++;
    windows_.insert(handle, Entry{parent, std::move(window)});
    order_.append(handle);
    if (parent == 0)
        Publish();
    if (lifetime)
        connect(lifetime, &QObject::destroyed, this, [this, handle] { Remove(handle); });
    return handle;
}

void WindowServer::Remove(WindowHandle window) {
    const bool topLevel = windows_.value(window).parent == 0;
    if (windows_.remove(window) == 0)
        return;
    order_.removeAll(window);
    if (topLevel)
        Publish();
}

QCborArray WindowServer::TopLevelList() const {
    QCborArray list;
    for (WindowHandle h : order_) {
        const Entry& e = windows_[h];
        if (e.parent != 0)
            continue;
        QCborMap item;
        item.insert(kWindow, static_cast<qint64>(h));
        item.insert(kClass, e.window.windowClass);
        item.insert(kText, e.window.text ? e.window.text() : QString());
        list.append(item);
    }
    return list;
}

void WindowServer::Publish() {
    if (!server_)
        return;
    // Replaced whole, so a reader never sees half a list.
    QSaveFile file(listPath_);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(TopLevelList().toCborValue().toCbor());
        file.commit();
    }
}

void WindowServer::SetKeyHandler(std::function<void(const QList<KeyStroke>&)> handler) {
    keyHandler_ = std::move(handler);
}

void WindowServer::SetActivateHandler(std::function<bool()> handler) { activateHandler_ = std::move(handler); }

void WindowServer::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!PeerIsSameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            Read(socket);
    }
}

void WindowServer::Read(QLocalSocket* socket) {
    // A handler may run a nested event loop that reads this socket again;
    // the buffer lives on the socket so every level sees the same bytes.
    QPointer<QLocalSocket> guard(socket);
    QByteArray buffer = socket->property(kBufferProperty).toByteArray() + socket->readAll();
    for (;;) {
        QCborMap request;
        const FrameResult result = TakeFrame(buffer, &request);
        guard->setProperty(kBufferProperty, buffer);
        if (result == FrameResult::Incomplete)
            return;
        if (result == FrameResult::Damaged) {
            guard->abort();
            return;
        }
        QCborMap reply;
        if (Handle(request, socket, &reply) && guard)
            guard->write(EncodeFrame(reply));
        if (!guard)
            return;
        buffer = guard->property(kBufferProperty).toByteArray() + guard->readAll();
    }
}

bool WindowServer::Handle(const QCborMap& request, QLocalSocket* socket, QCborMap* reply) {
    const QString op = request.value(kOp).toString();
    const WindowHandle handle = static_cast<WindowHandle>(request.value(kWindow).toInteger());
    const auto entry = windows_.constFind(handle);
    const bool known = entry != windows_.constEnd();
    bool ok = false;
    if (op == kOpList) {
        reply->insert(kWindows, TopLevelList());
        ok = true;
    } else if (op == kOpChildren) {
        const QString windowClass = request.value(kClass).toString();
        QCborArray list;
        for (WindowHandle h : std::as_const(order_)) {
            const Entry& e = windows_[h];
            if (e.parent == handle && handle != 0 && e.window.windowClass == windowClass)
                list.append(static_cast<qint64>(h));
        }
        reply->insert(kWindows, list);
        ok = known;
    } else if (op == kOpSetText) {
        if (known && entry->window.setText) {
            const auto setText = entry->window.setText;  // the entry may go while it runs
            setText(request.value(kText).toString());
            if (windows_.value(handle).parent == 0)
                Publish();  // a caption changed
            ok = true;
        }
    } else if (op == kOpGetText) {
        if (known && entry->window.text) {
            reply->insert(kText, entry->window.text());
            ok = true;
        }
    } else if (op == kOpClose) {
        // Posted: nobody waits, and the window closes from the event loop.
        if (known && entry->window.close)
            QMetaObject::invokeMethod(this, entry->window.close, Qt::QueuedConnection);
        return false;
    } else if (op == kOpMove) {
        if (known && entry->window.setPosition) {
            entry->window.setPosition(static_cast<int>(request.value(kX).toInteger()),
                                      static_cast<int>(request.value(kY).toInteger()), request.value(kBottom).toBool());
            ok = true;
        }
    } else if (op == kOpActivate) {
        ok = activateHandler_ && activateHandler_();
    } else if (op == kOpKeys) {
        HandleKeys(request.value(kKeys).toString(), socket);
        return false;
    }
    reply->insert(kOk, ok);
    return true;
}

void WindowServer::HandleKeys(const QString& text, QLocalSocket* socket) {
    QList<KeyStroke> keys;
    const bool ok = ParseKeys(text, &keys) && keyHandler_;
    QPointer<QLocalSocket> guard(socket);
    bool replied = false;
    auto reply = [guard, ok, &replied] {
        if (replied)
            return;
        replied = true;
        if (guard) {
            QCborMap answer;
            answer.insert(kOk, ok);
            guard->write(EncodeFrame(answer));
            guard->flush();
        }
    };
    // A key that opens a modal dialog leaves the handler running while the
    // program waits for input: the keys count as handled from then on.
    QMetaObject::Connection waiting;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        waiting = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, reply);
    if (ok)
        keyHandler_(keys);
    disconnect(waiting);
    reply();
}

}  // namespace qlm
