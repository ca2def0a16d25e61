// Writes recorder files: the name from the start time, the 512-byte header
// from number and flag byte, then the payload.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "app/error.h"

namespace qlm::sim {

struct Call {
    QDateTime start;
    QString number;
    int flags = 0;           // flag byte, see qlm::flag
    QByteArray payload;      // codec data after the header
};

// Writes the call into the folder; returns the file's path, or "" with the
// error set.
QString WriteRecording(const QString& folder, const Call& call, Error* error = nullptr);

// Placeholder codec data of the given length (frames of the 11-byte class).
QByteArray FillerPayload(qint64 bytes);

// The demo card: about a dozen calls with varied dates, numbers, directions,
// sources, saved marks and rates. Returns the number of files written.
int WriteDemoCard(const QString& folder, Error* error = nullptr);

}  // namespace qlm::sim
