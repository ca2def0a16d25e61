#include "platform/shellopen.h"

#include <QProcess>

namespace qlm {
namespace {

ShellOpener& Opener() {
    static ShellOpener opener;
    return opener;
}

bool XdgOpen(const QString& path, const QString& workingFolder) {
    QProcess process;
    process.setProgram(QStringLiteral("xdg-open"));
    process.setArguments({path});
    process.setWorkingDirectory(workingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

}  // namespace

bool ShellOpen(const QString& path, const QString& workingFolder) {
    const ShellOpener& opener = Opener();
    return opener ? opener(path, workingFolder) : XdgOpen(path, workingFolder);
}

void SetShellOpener(ShellOpener opener) { Opener() = std::move(opener); }

}  // namespace qlm
