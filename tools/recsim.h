// Writes recorder files: the name from the start time, the 512-byte header
// from number and flag byte, then the payload.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "platform/error.h"

namespace qlm::sim {

struct Call {
    QDateTime start;
    QString number;
    int flags = 0;       // flag byte, see qlm::flag
    QByteArray payload;  // codec data after the header
};

// Writes the call into the folder; returns the file's path, or "" with the
// error set.
QString WriteRecording(const QString& folder, const Call& call, Error* error = nullptr);

// Placeholder codec data of the given length: frames of the class of the
// codec rate (0 = 11-byte, 1 = 18-byte, 2 = 24-byte frames) with zero bits.
QByteArray FillerPayload(qint64 bytes, int codecRate = 0);

struct DemoCardOptions {
    QString codecPath;   // libkvc.so to encode with; empty: the application folder's
    bool speech = true;  // false: placeholder payloads only
};

// The demo card: about a dozen calls with varied dates, numbers, directions,
// sources, saved marks and rates, each a spoken sentence encoded at the rate
// its header names. Without espeak-ng or sox, or when the codec fails, the
// calls get placeholder payloads and *warning says why. Returns the number
// of files written.
int WriteDemoCard(const QString& folder, Error* error = nullptr, const DemoCardOptions& options = DemoCardOptions(),
                  QString* warning = nullptr);

}  // namespace qlm::sim
