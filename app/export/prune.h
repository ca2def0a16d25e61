// Deleting old calls by a rule: every call dated before a day, with its
// recording, through the journalled call deletion (app/card/calldeletion.h:
// the recording file, then the catalogue rows; a killed run completes at the
// next open). Calls marked saved stay unless they are asked for. The
// catalogue is read once, so a dialog can show the figures of any limit at
// once, before anything happens. The recordings are removed, not put in the
// trash: a prune is run to free the room it reports.
#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>

#include "platform/error.h"

namespace qlm {

class Database;

struct AgedCall {
    QDate date;
    QTime time;
    bool saved = false;
    qint64 bytes = 0;  // its recording's size; 0 when there is none
    qint64 id = 0;     // its row in qlm
    QString file;      // its recording's name in the folder (the one it would have when there is none)
};

// Every call of the catalogue with its recording's size, in the catalogue's
// order, once a deletion a kill interrupted is completed. False with the
// error set when the catalogue cannot be read.
bool ReadAgedCalls(Database* db, const QString& recordingsFolder, QVector<AgedCall>* calls, Error* error);

// The first day that is kept for a limit of so many days: calls of earlier
// days are older than the limit.
QDate PruneLimitDate(int days, const QDate& today = QDate::currentDate());

struct PrunePlan {
    QVector<AgedCall> calls;  // what would go
    qint64 bytes = 0;         // the size of their recordings
    int savedKept = 0;        // saved calls old enough that stay
};
PrunePlan PlanPrune(const QVector<AgedCall>& all, const QDate& keepFrom, bool includeSaved);

struct PruneResult {
    int deleted = 0;               // calls gone, recording and rows
    QVector<AgedCall> notDeleted;  // their recording could not be deleted: rows kept
    Error error;                   // the rows could not be deleted
};

// Deletes the planned calls: each recording file first; a call whose file
// exists but cannot be deleted keeps its rows and is reported; a call
// without a file loses its rows all the same, as the list's Delete does.
// Calls that share one recording go or stay together.
PruneResult RunPrune(Database* db, const QString& recordingsFolder, const PrunePlan& plan);

}  // namespace qlm
