// Deleting calls: the recording file of each call and its catalogue rows,
// the call named by its list texts of date ("MM/dd/yyyy") and time
// ("hh:mm:ss").
#pragma once

#include <QString>
#include <QVector>

#include "app/error.h"

namespace qlm {

class CallListModel;
class Database;
class RecordingLookup;

struct CallKey {
    QString dateText;
    QString timeText;
};

// Deletes the call's recording file in the folder, found whatever the letter
// case of its name; *path (when given) gets the file found, else the usual
// name in the folder. False when there was no such file (error 53) or it
// could not be deleted; the caller goes on either way.
bool DeleteRecordingFileOf(RecordingLookup& recordings, const CallKey& call, QString* path = nullptr,
                           Error* error = nullptr);

// Reads every row of the catalogue and deletes those whose date and time
// equal one of the calls' (compared as written, without leading zeros).
// Calls with an empty date or time delete nothing. One transaction, so a
// large catalogue is read and changed in one pass; a row that cannot be
// deleted is passed over (its error reported) and the rest still go.
// Returns the number of rows deleted, or -1 with the error set when nothing
// could be changed at all.
int DeleteCatalogueRows(Database* db, const QVector<CallKey>& calls, Error* error);

// The whole deletion of the list's selected lines (rows in any order, each
// taken once): for each, first to last, its file is deleted and its line
// removed; then the catalogue rows of all of them. Returns the calls taken
// from the list; *error tells when their rows could not be deleted.
QVector<CallKey> DeleteListedCalls(Database* db, const QString& recordingsFolder, CallListModel* model,
                                   QVector<int> rows, Error* error);

}  // namespace qlm
