// Checking that a catalogue's recordings are still what was imported: each
// is read again and its SHA-256 compared with the one taken off the card.
#pragma once

#include <functional>

#include <QString>
#include <QVector>

#include "platform/error.h"

namespace qlm {

class Database;

enum class RecordingCheck { Unchanged, Changed, Missing, Unreadable, NoChecksum };

struct CheckedCall {
    QString file;      // the recording's name ("" when the catalogue names none)
    QString dateText;  // MM/dd/yyyy
    QString timeText;  // hh:mm:ss
    RecordingCheck state = RecordingCheck::Unchanged;
};

struct VerifyResult {
    QVector<CheckedCall> calls;  // every call, in the catalogue's order
    int count[5] = {};           // by RecordingCheck
    Error error;                 // the catalogue could not be read
    // True when every call's recording is there and unchanged.
    bool AllMatch() const { return !error.IsSet() && count[0] == int(calls.size()); }
};

// Reads every call's recording in the folder. A call without a checksum
// (built from files that no copy of ours brought) is still looked for:
// missing or unreadable win over having no checksum. tick lets the caller
// repaint.
VerifyResult VerifyRecordings(Database* db, const QString& folder, const std::function<void()>& tick = {});

// The result's one-line summary and a state's text, in the user's language.
QString VerifySummaryText(const VerifyResult& result);
QString CheckText(RecordingCheck state);

}  // namespace qlm
