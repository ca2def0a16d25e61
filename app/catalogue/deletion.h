// Deleting calls' catalogue rows. A call is named by its list texts of date
// ("MM/dd/yyyy") and time ("hh:mm:ss") and, where the catalogue knows it, by
// its identity (qlm's rowid and its recording's exact file name). Their
// recording files go first, by app/card/calldeletion.h, which also keeps the
// journal that makes a killed deletion complete at the next run.
#pragma once

#include <utility>

#include <QDate>
#include <QString>
#include <QTime>
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

// Deletes catalogue rows without touching files: a key with an id deletes
// that row alone; a key without one deletes every row whose date and time
// equal its own (compared as written, without leading zeros), as catalogues
// of older versions name their calls. Keys with an empty date or time and
// no id delete nothing. One transaction; a row that cannot be deleted is
// passed over (its error reported) and the rest still go. Returns the
// number of rows deleted, or -1 with the error set when nothing could be
// changed at all.
int DeleteCatalogueRows(Database* db, const QVector<CallKey>& calls, Error* error);

// One row of qlm with what tells its recording: its own file name from
// qlm_recording, "" where the catalogue does not record one.
struct CatalogueRow {
    qint64 id = 0;
    QDate date;
    QTime time;
    bool saved = false;
    QString file;
};

// True when the catalogue has the recordings table beside qlm.
bool HasRecordingTable(Database* db);

// Every row of qlm, in the table's order, in one pass. False with the error
// set when the catalogue cannot be read or qlm lacks Date, Time or Saved.
bool ReadCatalogueRows(Database* db, QVector<CatalogueRow>* rows, Error* error);

// A row as a deletion names it: the id and the moment it had when the
// deletion was planned, so that a replay never takes a row that has changed.
struct RowRef {
    qint64 id = 0;
    QDate date;
    QTime time;
};

// In one transaction: deletes the rows (those whose date and time still
// match), their qlm_recording rows, and records the journal id as done
// (table qlm_deletion), so a replay knows the rows went. Returns the rows
// deleted, or -1 with the error set (nothing changed).
int DeleteRowsOfJournal(Database* db, const QVector<RowRef>& rows, const QString& journalId, Error* error);

// Whether DeleteRowsOfJournal committed for the journal id.
bool JournalRowsDeleted(Database* db, const QString& journalId);

// Forgets every recorded journal id but the one given (empty: all): once
// a journal file is gone its record tells nothing more.
void ForgetJournalRecords(Database* db, const QString& keep = {});

}  // namespace qlm
