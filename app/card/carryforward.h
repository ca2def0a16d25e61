// What the user and the imports wrote about calls outlives a catalogue: a
// new build in a folder that holds earlier catalogues takes, for each call
// whose recording is still there, its comment and its import checksum from
// the newest earlier catalogue that has them.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include "platform/error.h"

namespace qlm {

class Database;

struct CarryResult {
    int comments = 0;        // calls that got a comment
    QStringList from;        // catalogues that gave one, newest first
    QStringList unreadable;  // earlier catalogues that could not be read (damaged, locked, foreign)
};

// Carries into db (inside the caller's transaction) from the folder's other
// catalogues, newest (by modification time) first. callsByFile maps each new
// call's recording file to its rowid. A catalogue that cannot be read is
// named in the result and passed over; false only when db itself refuses a
// change (error set).
bool CarryForward(Database* db, const QString& folder, const QStringList& catalogues,
                  const QHash<QString, qint64>& callsByFile, CarryResult* result, Error* error);

// The status text of what was carried and what could not be read; "" when
// nothing.
QString CarryNoticeText(const CarryResult& result);

}  // namespace qlm
