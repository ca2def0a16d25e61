// Helpers shared by the tests: temporary folders, an application folder of
// our own, running the project's programs.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace qlm::test {

// The source tree's data folder (strLib.ini and friends).
QString SourcePath(const QString& relative);
// A program or library of the build's application folder.
QString BuiltPath(const QString& name);

// A temporary application folder with the English string library in it; it
// becomes the process's application folder for its lifetime and the
// string library is loaded from it.
class AppFolder {
public:
    AppFolder();
    ~AppFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const;

private:
    QTemporaryDir dir_;
};

void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

struct RunResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs a program to its end (at most timeoutMs), feeding stdin.
RunResult Run(const QString& program, const QStringList& args, const QByteArray& input = QByteArray(),
              int timeoutMs = 120000);

}  // namespace qlm::test

#include <ostream>
// Readable QString values in GoogleTest's failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
