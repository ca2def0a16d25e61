// Deleting calls' catalogue rows, the call named by its list texts of date
// ("MM/dd/yyyy") and time ("hh:mm:ss"). Their recording files go first, by
// app/card/calldeletion.h.
#pragma once

#include <utility>

#include <QString>
#include <QVector>

#include "platform/error.h"

namespace qlm {

class Database;

struct CallKey {
    CallKey() = default;
    CallKey(QString date, QString time, qint64 callId = 0, QString fileName = {})
        : dateText(std::move(date)), timeText(std::move(time)), id(callId), file(std::move(fileName)) {}
    QString dateText;
    QString timeText;
    // The call's identity when known (CallRecord::Id and ::File): a call is
    // its recording, so a key with an id or a file acts on that call alone.
    qint64 id = 0;
    QString file;
};

// Reads every row of the catalogue and deletes those whose date and time
// equal one of the calls' (compared as written, without leading zeros).
// Calls with an empty date or time delete nothing. One transaction, so a
// large catalogue is read and changed in one pass; a row that cannot be
// deleted is passed over (its error reported) and the rest still go.
// Returns the number of rows deleted, or -1 with the error set when nothing
// could be changed at all.
int DeleteCatalogueRows(Database* db, const QVector<CallKey>& calls, Error* error);

}  // namespace qlm
