// Cost of one window request between threads over the socket folder: what
// each look for the front-end's window and each text set costs the
// automation. Prints figures only.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

#include "platform/winmsg.h"
#include "platform/winmsg_server.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    qputenv("QLM_WINMSG_DIR", QFile::encodeName(folder.path() + QStringLiteral("/w")));

    // The serving side runs its own event loop, as another program would.
    QThread thread;
    QString text = QStringLiteral("Sonex Lab Encoding / Decoding Program");
    QString box;
    qlm::WindowServer* server = new qlm::WindowServer;
    server->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, server, &QObject::deleteLater);
    thread.start();
    QMetaObject::invokeMethod(
        server,
        [&] {
            server->Listen();
            const qlm::WindowHandle main =
                server->Add(nullptr, 0, {QStringLiteral("ThunderRT6FormDC"), [&] { return text; }, {}, {}, {}});
            server->Add(
                nullptr, main,
                {QStringLiteral("ThunderRT6TextBox"), [&] { return box; }, [&](const QString& t) { box = t; }, {}, {}});
        },
        Qt::BlockingQueuedConnection);

    qlm::SocketWindowSystem windows;
    const int rounds = 2000;
    QElapsedTimer timer;
    timer.start();
    qlm::WindowHandle found = 0;
    for (int i = 0; i < rounds; ++i)
        found = windows.FindWindow(QString(), text);
    const double findUs = timer.nsecsElapsed() / 1000.0 / rounds;
    const qlm::WindowHandle child = windows.FindChildWindow(found, QStringLiteral("ThunderRT6TextBox"));
    timer.restart();
    QString back;
    for (int i = 0; i < rounds; ++i) {
        windows.SetWindowText(child, QStringLiteral("/tmp/qlm/temp/A2505143.527.Dat"));
        windows.GetWindowText(child, &back);
    }
    const double textUs = timer.nsecsElapsed() / 1000.0 / rounds;
    std::printf("find window by caption: %.1f us\nset text + read back:   %.1f us\n", findUs, textUs);

    thread.quit();
    thread.wait();
    return 0;
}
