#include "tests/support/cardfiles.h"

#include <QDir>
#include <QFileInfo>

#include "tests/support/testsupport.h"
#include "tools/recsim.h"

namespace qlm::test {

QStringList WriteCard(const QString& folder, int count, qint64 (*payloadBytes)(int)) {
    QDir().mkpath(folder);
    QStringList names;
    const QDateTime first(QDate(2024, 3, 1), QTime(10, 0, 0));
    for (int i = 0; i < count; ++i) {
        sim::Call call;
        call.start = first.addSecs(60 * i);
        call.number = QString::number(5550100 + i);
        call.flags = 0x20;
        call.payload = sim::FillerPayload(payloadBytes(i));
        // Each file's bytes differ, so a mixed-up copy shows.
        call.payload.append(QByteArray::number(i));
        Error error;
        const QString path = sim::WriteRecording(folder, call, &error);
        if (!path.isEmpty())
            names << QFileInfo(path).fileName();
    }
    return names;
}

bool WriteBenchCard(const QString& folder, int count, qsizetype payloadBytes, Error* error) {
    const QDateTime start(QDate(2024, 1, 1), QTime(8, 0, 0));
    const QByteArray payload = sim::FillerPayload(payloadBytes);
    for (int i = 0; i < count; ++i) {
        sim::Call call;
        call.start = start.addSecs(97LL * i);
        call.number = QString::number(5550000 + i);
        call.flags = 0x20 | (i % 4 == 0 ? 0x10 : 0) | (i % 3);
        call.payload = payload;
        if (sim::WriteRecording(folder, call, error).isEmpty())
            return false;
    }
    return true;
}

QMap<QString, FileState> Snapshot(const QString& folder) {
    QMap<QString, FileState> files;
    const QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        files.insert(info.fileName(), {ReadFile(info.filePath()), info.lastModified()});
    return files;
}

}  // namespace qlm::test
