// A program that serves windows for the window-message tests:
//   winmsg_peer CAPTION MARKER
// a top-level window "PeerMain" titled CAPTION with the children Box "first",
// Other, Box "second". Key "b" writes MARKER.start, keeps the program busy
// for 1.5 s and then writes MARKER; "x" ends it. A move shows in the caption; a close ends it.
// Prints "ready" once it serves.
//   winmsg_peer --silent COUNTFILE [CAPTION]
// a peer that takes connections and never answers: COUNTFILE holds how many
// it took. With CAPTION it publishes a top-level window of that caption,
// which no close request ever closes.
#include <QCborArray>
#include <QCborMap>
#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cstdio>

#include "platform/winmsg_protocol.h"
#include "platform/winmsg_server.h"

namespace {

int Silent(const QString& countFile, const QString& caption) {
    const QString folder = qlm::WindowMessageFolder();
    const qint64 pid = QCoreApplication::applicationPid();
    QLocalServer server;
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (folder.isEmpty() || !server.listen(qlm::winmsg::SocketPath(folder, pid)))
        return 1;
    if (!caption.isEmpty()) {
        QCborMap window;
        window.insert(qlm::winmsg::kWindow, static_cast<qint64>((static_cast<quint64>(pid) << 32) | 1));
        window.insert(qlm::winmsg::kClass, QStringLiteral("ThunderRT6FormDC"));
        window.insert(qlm::winmsg::kText, caption);
        QFile list(qlm::winmsg::ListPath(folder, pid));
        if (!list.open(QIODevice::WriteOnly) || list.write(QCborArray{window}.toCborValue().toCbor()) <= 0)
            return 1;
    }
    int taken = 0;
    QList<QLocalSocket*> held;  // kept open, never read
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            held.append(socket);
            QFile count(countFile);
            if (count.open(QIODevice::WriteOnly | QIODevice::Truncate))
                count.write(QByteArray::number(++taken));
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == u"--silent")
        return Silent(args.value(2), args.value(3));
    QString caption = args.value(1, QStringLiteral("Peer"));
    const QString marker = args.value(2);
    QString first = QStringLiteral("first");
    QString second = QStringLiteral("second");
    QString other = QStringLiteral("other");

    qlm::WindowServer server;
    QString error;
    if (!server.Listen(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    auto box = [](QString* text, const QString& cls) {
        return qlm::ServedWindow{cls, [text] { return *text; }, [text](const QString& t) { *text = t; }, {}, {}};
    };
    qlm::ServedWindow main{QStringLiteral("PeerMain"), [&caption] { return caption; },
                           [&caption](const QString& t) { caption = t; }, [] { QCoreApplication::quit(); },
                           [&caption](int x, int y, bool bottom) {
                               caption = QStringLiteral("moved %1 %2 %3").arg(x).arg(y).arg(bottom);
                           }};
    const qlm::WindowHandle top = server.Add(nullptr, 0, main);
    server.Add(nullptr, top, box(&first, QStringLiteral("Box")));
    server.Add(nullptr, top, box(&other, QStringLiteral("Other")));
    server.Add(nullptr, top, box(&second, QStringLiteral("Box")));
    server.SetActivateHandler([] { return true; });
    server.SetKeyHandler([&](const QList<qlm::KeyStroke>& keys) {
        for (const qlm::KeyStroke& k : keys) {
            if (k.text == u"b") {
                QFile start(marker + QStringLiteral(".start"));
                if (start.open(QIODevice::WriteOnly))
                    start.close();
                QThread::msleep(1500);
                QFile file(marker);
                if (file.open(QIODevice::WriteOnly))
                    file.write("done");
            } else if (k.text == u"x") {
                QCoreApplication::quit();
            }
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
