#include "app/catalogue/deletion.h"

#include <QSet>

#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"

namespace qlm {

namespace {

// "2024-3-7 9:5:0": the form rows and calls are compared in.
QString WrittenKey(const QDate& date, const QTime& time) { return DateWriteText(date) + u' ' + TimeWriteText(time); }

void SetError(Error* error, const Error& value) {
    if (error)
        *error = value;
}

// A statement per slice of ids: one statement for tens of thousands of ids
// would be a long text to translate and parse; slices keep it short.
constexpr qsizetype kIdsPerStatement = 500;

bool RunForIds(Database* db, const QString& head, const QVector<qint64>& ids, int* changed, Error* error) {
    for (qsizetype at = 0; at < ids.size(); at += kIdsPerStatement) {
        QStringList slice;
        for (qsizetype i = at; i < qMin(ids.size(), at + kIdsPerStatement); ++i)
            slice << QString::number(ids[i]);
        if (!db->Execute(head + u'(' + slice.join(u',') + u')', error))
            return false;
        if (changed)
            *changed += db->RecordsAffected();
    }
    return true;
}

bool TableExists(Database* db, const char* name) {
    auto probe =
        db && db->IsOpen()
            ? db->OpenRecordset(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '%1'")
                                    .arg(QLatin1String(name)),
                                nullptr)
            : nullptr;
    return probe && probe->RecordCount() > 0;
}

constexpr char kJournalTable[] = "qlm_deletion";

// A journal id is hex digits we made; anything else never reaches a statement.
bool IsJournalId(const QString& id) {
    if (id.isEmpty() || id.size() > 64)
        return false;
    for (const QChar c : id)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    return true;
}

}  // namespace

int DeleteCatalogueRows(Database* db, const QVector<CallKey>& calls, Error* error) {
    QSet<QString> moments;
    QSet<qint64> ids;
    for (const CallKey& call : calls) {
        if (call.id > 0) {
            ids.insert(call.id);
            continue;
        }
        const QDate date = QDate::fromString(call.dateText, QStringLiteral("MM/dd/yyyy"));
        const QTime time = QTime::fromString(call.timeText, QStringLiteral("hh:mm:ss"));
        if (date.isValid() && time.isValid())
            moments.insert(WrittenKey(date, time));
    }
    if (moments.isEmpty() && ids.isEmpty())
        return 0;
    if (!db || !db->IsOpen()) {
        SetError(error, Error{dberr::kObjectClosed, QStringLiteral("No catalogue is open.")});
        return -1;
    }
    Error failed;
    ScopedTransaction transaction(db, &failed);
    if (!transaction.Active()) {
        SetError(error, failed);
        return -1;
    }
    QVector<qint64> doomed(ids.begin(), ids.end());
    if (!moments.isEmpty()) {
        auto rows = db->OpenRecordset(QStringLiteral("SELECT rowid AS qlm_id, Date, Time FROM qlm"), &failed);
        if (!rows) {
            SetError(error, failed);
            return -1;
        }
        for (; !rows->AtEnd(); rows->MoveNext(&failed))
            if (moments.contains(WrittenKey(rows->Value(1).toDate(), rows->Value(2).toTime())) &&
                !ids.contains(rows->Value(0).toLongLong()))
                doomed << rows->Value(0).toLongLong();
    }
    int deleted = 0;
    Error statement;
    if (!RunForIds(db, QStringLiteral("DELETE FROM qlm WHERE rowid IN "), doomed, &deleted, &statement)) {
        SetError(error, statement);
        return -1;
    }
    if (HasRecordingTable(db))
        RunForIds(db, QStringLiteral("DELETE FROM qlm_recording WHERE call IN "), doomed, nullptr, nullptr);
    Error committed;
    if (!transaction.Commit(&committed)) {
        SetError(error, committed);
        return -1;
    }
    if (failed.IsSet())
        SetError(error, failed);
    return deleted;
}

bool HasRecordingTable(Database* db) { return TableExists(db, kRecordingTable); }

bool ReadCatalogueRows(Database* db, QVector<CatalogueRow>* rows, Error* error) {
    rows->clear();
    if (!db || !db->IsOpen()) {
        SetError(error, Error{dberr::kObjectClosed, QStringLiteral("No catalogue is open.")});
        return false;
    }
    const QString statement = HasRecordingTable(db)
                                  ? QStringLiteral(
                                        "SELECT q.rowid, q.Date, q.Time, q.Saved, r.file FROM qlm AS q "
                                        "LEFT JOIN qlm_recording AS r ON r.call = q.rowid")
                                  : QStringLiteral("SELECT rowid, Date, Time, Saved, NULL FROM qlm");
    Error failed;
    auto set = db->OpenRecordset(statement, &failed);
    if (!set) {
        SetError(error, failed);
        return false;
    }
    for (; !set->AtEnd(); set->MoveNext(&failed)) {
        CatalogueRow row;
        row.id = set->Value(0).toLongLong();
        row.date = set->Value(1).toDate();
        row.time = set->Value(2).toTime();
        row.saved = set->Value(3).toInt() != 0;
        row.file = set->Value(4).toString();
        rows->append(row);
    }
    if (failed.IsSet()) {
        SetError(error, failed);
        return false;
    }
    return true;
}

int DeleteRowsOfJournal(Database* db, const QVector<RowRef>& rows, const QString& journalId, Error* error) {
    if (!db || !db->IsOpen()) {
        SetError(error, Error{dberr::kObjectClosed, QStringLiteral("No catalogue is open.")});
        return -1;
    }
    if (!IsJournalId(journalId)) {
        SetError(error, Error{dberr::kSyntax, QStringLiteral("Not a journal: '%1'.").arg(journalId)});
        return -1;
    }
    Error failed;
    ScopedTransaction transaction(db, &failed);
    if (!transaction.Active()) {
        SetError(error, failed);
        return -1;
    }
    // Only rows that still are what the plan saw: a row id may be given
    // again to a new row once its row is gone.
    QHash<qint64, QString> planned;
    QVector<qint64> ids;
    for (const RowRef& row : rows) {
        planned.insert(row.id, WrittenKey(row.date, row.time));
        ids << row.id;
    }
    QVector<qint64> doomed;
    for (qsizetype at = 0; at < ids.size(); at += kIdsPerStatement) {
        QStringList slice;
        for (qsizetype i = at; i < qMin(ids.size(), at + kIdsPerStatement); ++i)
            slice << QString::number(ids[i]);
        auto set = db->OpenRecordset(
            QStringLiteral("SELECT rowid AS qlm_id, Date, Time FROM qlm WHERE rowid IN (%1)").arg(slice.join(u',')),
            &failed);
        if (!set) {
            SetError(error, failed);
            return -1;
        }
        for (; !set->AtEnd(); set->MoveNext(&failed))
            if (planned.value(set->Value(0).toLongLong()) == WrittenKey(set->Value(1).toDate(), set->Value(2).toTime()))
                doomed << set->Value(0).toLongLong();
    }
    int deleted = 0;
    const bool ok = !failed.IsSet() &&
                    RunForIds(db, QStringLiteral("DELETE FROM qlm WHERE rowid IN "), doomed, &deleted, &failed) &&
                    (!HasRecordingTable(db) || RunForIds(db, QStringLiteral("DELETE FROM qlm_recording WHERE call IN "),
                                                         doomed, nullptr, &failed)) &&
                    db->Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (journal TEXT PRIMARY KEY)")
                                    .arg(QLatin1String(kJournalTable)),
                                &failed) &&
                    db->Execute(QStringLiteral("INSERT OR REPLACE INTO %1 (journal) VALUES ('%2')")
                                    .arg(QLatin1String(kJournalTable), journalId),
                                &failed) &&
                    transaction.Commit(&failed);
    if (!ok) {
        SetError(error, failed);
        return -1;
    }
    return deleted;
}

bool JournalRowsDeleted(Database* db, const QString& journalId) {
    if (!IsJournalId(journalId) || !TableExists(db, kJournalTable))
        return false;
    auto set = db->OpenRecordset(
        QStringLiteral("SELECT 1 FROM %1 WHERE journal = '%2'").arg(QLatin1String(kJournalTable), journalId), nullptr);
    return set && set->RecordCount() > 0;
}

void ForgetJournalRecords(Database* db, const QString& keep) {
    if (!TableExists(db, kJournalTable))
        return;
    if (keep.isEmpty())
        db->Execute(QStringLiteral("DELETE FROM %1").arg(QLatin1String(kJournalTable)), nullptr);
    else if (IsJournalId(keep))
        db->Execute(QStringLiteral("DELETE FROM %1 WHERE journal <> '%2'").arg(QLatin1String(kJournalTable), keep),
                    nullptr);
}

}  // namespace qlm
