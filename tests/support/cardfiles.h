// Cards of recordings for the fault tests, and snapshots of folders to show
// that nothing changed.
#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

#include "platform/error.h"
#include "tests/support/testsupport.h"

namespace qlm::test {

// Writes count recordings into the folder, one a minute from 1 March 2024
// 10:00, recording i carrying payloadBytes(i) bytes after its header.
// Returns their names in order.
QStringList WriteCard(const QString& folder, int count, qint64 (*payloadBytes)(int));

// A large varied card for the benchmarks: count recordings 97 s apart from
// 1 January 2024 08:00, numbers from 5550000, every fourth saved, the three
// line kinds in turn, each with payloadBytes of filler. False (with *error)
// when one cannot be written.
bool WriteBenchCard(const QString& folder, int count, qsizetype payloadBytes, Error* error);

struct FileState {
    QByteArray bytes;
    QDateTime modified;
    bool operator==(const FileState&) const = default;
};
// Every file directly in the folder, hidden ones included, by name.
QMap<QString, FileState> Snapshot(const QString& folder);

// Runs qlmtool of the build; its folder has no password set, so the empty
// one signs in.
inline RunResult Qlmtool(const QStringList& args) {
    return Run(BuiltPath(QStringLiteral("qlmtool")), args + QStringList{QStringLiteral("--password-stdin")}, "\n");
}

}  // namespace qlm::test
