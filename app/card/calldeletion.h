// Deleting calls as the user asks for it: each call's recording file in the
// library folder, then its catalogue rows, under a journal.
//
// A call is its recording: a key with a file name acts on that file and the
// rows that have it; a key without one finds its recording by its time stamp
// (whatever the letter case) as catalogues of older versions name calls.
// Rows without a file of their own that find the same recording go with it:
// a recording never leaves a row behind.
//
// The journal (".<catalogue name>.deleting" beside the catalogue) lists every
// row and recording about to go before anything goes. The rows are deleted in
// the transaction that records the journal as done, then the journal file is
// removed. A run killed at any point is completed by FinishDeletions at the
// next open: recordings still there go, then the rows. So a kill leaves
// either the call or neither part of it, and a deleted call never comes back
// at the next build (its recording is gone before its row).
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include "app/catalogue/deletion.h"
#include "platform/error.h"

namespace qlm {

class CallListModel;
class Database;
class RecordingLookup;

// What becomes of a deleted recording: the desktop's trash (where the file
// system has one, else it is removed), or removed for good.
enum class Disposal { Trash, Remove };

struct CallOutcome {
    enum State {
        Deleted,  // recording and rows gone
        NoFile,   // there was no recording; the rows went
        Kept,     // the recording could not be deleted: it and its rows stay
        Skipped,  // not a regular file (a FIFO, a link out of the folder): left as it is, the rows went
    };
    State state = NoFile;
    QString file;          // the recording's name in the folder (the one expected when there is none)
    QString reason;        // why it was kept
    QVector<qint64> rows;  // the catalogue rows that went with it
};

struct DeletionResult {
    QVector<CallOutcome> calls;  // one per key, in the keys' order
    int rows = 0;                // catalogue rows deleted
    Error error;                 // set when the rows could not be deleted (the journal stays for the next open)
};

// Deletes the calls: journal, recordings, rows. A pending journal of the
// catalogue is completed first. Keys naming the same recording count once.
DeletionResult DeleteCalls(Database* db, const QString& folder, const QVector<CallKey>& keys, Disposal disposal);

// Completes a deletion of this catalogue that a kill interrupted (see
// above). True when there was none or it was completed; false with the error
// set when its rows could not be deleted (the journal stays).
bool FinishDeletions(Database* db, const QString& folder, Error* error = nullptr);

// The journal's path for a catalogue.
QString DeletionJournalPath(const QString& catalogue);

// The recordings of the calls at that moment ("MM/dd/yyyy", "hh:mm:ss"):
// more than one when the moment names several calls (two recorders, letter
// case, a clock reset). Empty when the catalogue has no call then.
QStringList RecordingsOfMoment(Database* db, const QString& folder, const QString& dateText, const QString& timeText,
                               Error* error);

// The whole deletion of the list's selected lines (rows in any order, each
// taken once), to the trash: the calls go as DeleteCalls does, then every
// line of a call that went is removed. Returns the calls that went; *error
// tells when their rows could not be deleted.
QVector<CallKey> DeleteListedCalls(Database* db, const QString& recordingsFolder, CallListModel* model,
                                   QVector<int> rows, Error* error);

// The name of a row's recording in the folder: its own file, else the file
// of its time stamp in any letter case, else the name that file would have.
QString RecordingOfRow(RecordingLookup& lookup, const CatalogueRow& row);

// How many of the lines are of calls marked saved.
int SavedAmong(const CallListModel& model, const QVector<int>& rows);

}  // namespace qlm
