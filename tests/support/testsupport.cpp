#include "tests/support/testsupport.h"

#include <QFile>
#include <QProcess>

#include "app/strings/strlib.h"
#include "platform/appfolder.h"

namespace qlm::test {

QString SourcePath(const QString& relative) { return JoinPath(QStringLiteral(QLM_SOURCE_DIR), relative); }

QString BuiltPath(const QString& name) { return JoinPath(QStringLiteral(QLM_APP_DIR), name); }

AppFolder::AppFolder() {
    QFile::copy(SourcePath(QStringLiteral("data/strLib.ini")), file(QStringLiteral("strLib.ini")));
    SetApplicationFolder(dir_.path());
    LoadStringLibrary(file(QStringLiteral("strLib.ini")), QStringLiteral("QLM6200"));
}

AppFolder::~AppFolder() { SetApplicationFolder(QString()); }

QString AppFolder::file(const QString& name) const { return JoinPath(dir_.path(), name); }

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

RunResult Run(const QString& program, const QStringList& args, const QByteArray& input, int timeoutMs) {
    QProcess process;
    process.start(program, args);
    RunResult result;
    if (!process.waitForStarted())
        return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

}  // namespace qlm::test
