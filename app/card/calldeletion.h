// Deleting calls as the user asks for it: each call's recording file on the
// card folder (found whatever the letter case of its name), then its
// catalogue rows.
#pragma once

#include <QString>
#include <QVector>

#include "app/catalogue/deletion.h"
#include "platform/error.h"

namespace qlm {

class CallListModel;
class RecordingLookup;

// Deletes the call's recording file in the folder, found whatever the letter
// case of its name; *path (when given) gets the file found, else the usual
// name in the folder. False when there was no such file (error 53) or it
// could not be deleted; the caller goes on either way.
bool DeleteRecordingFileOf(RecordingLookup& recordings, const CallKey& call, QString* path = nullptr,
                           Error* error = nullptr);

// The whole deletion of the list's selected lines (rows in any order, each
// taken once): for each, first to last, its file is deleted and its line
// removed; then the catalogue rows of all of them. Returns the calls taken
// from the list; *error tells when their rows could not be deleted.
QVector<CallKey> DeleteListedCalls(Database* db, const QString& recordingsFolder, CallListModel* model,
                                   QVector<int> rows, Error* error);

}  // namespace qlm
