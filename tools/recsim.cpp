#include "tools/recsim.h"

#include <QDir>
#include <QFile>

#include "app/card/recording.h"
#include "platform/appfolder.h"

namespace qlm::sim {

QByteArray FillerPayload(qint64 bytes) {
    return QByteArray(bytes, '\0');
}

QString WriteRecording(const QString& folder, const Call& call, Error* error) {
    const QString path = JoinPath(folder, RecordingNameFor(call.start.date(), call.start.time()));
    QFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = FileError(err::kPathFileAccess, path, file.errorString());
        return QString();
    }
    const QByteArray header = MakeRecordingHeader(call.number, call.flags);
    if (file.write(header) != header.size() || file.write(call.payload) != call.payload.size() ||
        !file.flush()) {
        if (error)
            *error = FileError(err::kDiskFull, path, file.errorString());
        file.remove();
        return QString();
    }
    return path;
}

int WriteDemoCard(const QString& folder, Error* error) {
    struct Row {
        const char* start;
        const char* number;
        int flags;
        int seconds;
    };
    // Incoming and outgoing line calls, microphone and voice-activated
    // recordings, saved and not, at the three rates.
    static const Row kRows[] = {
        {"2024-01-15T09:05:07", "5551234", 0x20, 12},
        {"2024-01-15T11:30:00", "02079460000", 0x30, 45},
        {"2024-02-29T14:35:27", "", 0x00, 20},
        {"2024-03-07T08:00:59", "5559876", 0x28, 90},
        {"2024-05-17T17:45:12", "18005550199", 0x31, 33},
        {"2024-06-01T23:59:59", "5551234", 0x21, 8},
        {"2024-07-04T12:00:00", "911", 0x32, 15},
        {"2024-08-19T06:15:30", "", 0x08, 60},
        {"2024-10-25T14:35:27", "4420", 0x10, 25},
        {"2024-11-11T10:10:10", "5550000", 0x22, 5},
        {"2024-12-24T19:20:00", "0044123456789", 0x38, 120},
        {"2025-01-02T07:07:07", "5551234", 0x20, 3},
    };
    int written = 0;
    for (const Row& row : kRows) {
        Call call;
        call.start = QDateTime::fromString(QString::fromLatin1(row.start), Qt::ISODate);
        call.number = QString::fromLatin1(row.number);
        call.flags = row.flags;
        const double kbPerSecond = (row.flags & 1) ? 0.9 : (row.flags & 2) ? 0.55 : 1.2;
        call.payload = FillerPayload(static_cast<qint64>(row.seconds * kbPerSecond * 1024));
        if (WriteRecording(folder, call, error).isEmpty())
            return written;
        ++written;
    }
    return written;
}

}  // namespace qlm::sim
