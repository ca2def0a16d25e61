// Deleting calls' catalogue rows, the call named by its list texts of date
// ("MM/dd/yyyy") and time ("hh:mm:ss"). Their recording files go first, by
// app/card/calldeletion.h.
#pragma once

#include <QString>
#include <QVector>

#include "platform/error.h"

namespace qlm {

class Database;

struct CallKey {
    QString dateText;
    QString timeText;
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
