// A program that serves windows for the window-message tests:
//   winmsg_peer CAPTION MARKER
// a top-level window "PeerMain" titled CAPTION with the children Box "first",
// Other, Box "second". Key "b" writes MARKER.start, keeps the program busy
// for 1.5 s and then writes MARKER; "x" ends it. A move shows in the caption; a close ends it.
// Prints "ready" once it serves.
#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cstdio>

#include "platform/winmsg_server.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
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
