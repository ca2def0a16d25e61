#include "platform/shellopen.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QSet>

namespace qlm {
namespace {

ShellOpener& Opener() {
    static ShellOpener opener;
    return opener;
}

// Openers still running. Never freed at exit: destroying a QProcess kills
// its program, and on a desktop where xdg-open waits for the player that
// would end the playback with our program.
QSet<QProcess*>& Running() {
    static auto* running = new QSet<QProcess*>;
    return *running;
}

// Calls done with the outcome from the event loop, if context still lives.
void Report(QObject* context, const ShellOpenDone& done, bool opened) {
    if (!done)
        return;
    QObject* target = context ? context : QCoreApplication::instance();
    if (!target)
        return;
    QMetaObject::invokeMethod(
        target, [done, opened] { done(opened); }, Qt::QueuedConnection);
}

bool XdgOpen(const QString& path, const QString& workingFolder, QObject* context, const ShellOpenDone& done) {
    auto* process = new QProcess;
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({path});
    process->setWorkingDirectory(workingFolder);
    process->setStandardInputFile(QProcess::nullDevice());
    // Its messages ("no method available for opening ...") go where ours go;
    // no pipe ties it to us.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    Running().insert(process);

    const QPointer<QObject> watched(context);
    const bool watching = context != nullptr;
    auto finish = [process, watched, watching, done](bool opened) {
        if (!Running().remove(process))
            return;  // already reported (a failed start also ends in finished)
        process->deleteLater();
        if (!watching || watched)
            Report(watched.data(), done, opened);
    };
    QObject::connect(process, &QProcess::finished, process, [finish](int code, QProcess::ExitStatus status) {
        finish(status == QProcess::NormalExit && code == 0);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(false);
    });
    process->start();
    return process->state() != QProcess::NotRunning || Running().contains(process);
}

}  // namespace

bool ShellOpen(const QString& path, const QString& workingFolder, QObject* context, ShellOpenDone done) {
    const ShellOpener& opener = Opener();
    if (!opener)
        return XdgOpen(path, workingFolder, context, done);
    const bool opened = opener(path, workingFolder);
    Report(context, done, opened);
    return opened;
}

void SetShellOpener(ShellOpener opener) { Opener() = std::move(opener); }

}  // namespace qlm
