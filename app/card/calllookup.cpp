#include "app/card/calllookup.h"

#include <QDate>
#include <QTime>

#include "app/card/recording.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"

namespace qlm {
namespace {

QVector<CallRecord> CallsOf(Database* db, const QString& statement, Error* error) {
    QVector<CallRecord> calls;
    auto rows = db ? db->OpenRecordset(WithCallIdentity(db, statement), error) : nullptr;
    if (!rows || !HasCatalogueColumns(*rows, error) || rows->RecordCount() == 0)
        return calls;
    Error failed;
    if (rows->MoveFirst(&failed)) {
        while (!rows->AtEnd()) {
            calls << ReadCallRecord(*rows);
            if (!rows->MoveNext(&failed))
                break;
        }
    }
    if (failed.IsSet() && error)
        *error = failed;
    return calls;
}

}  // namespace

QVector<CallRecord> CallsAt(Database* db, const QString& dateText, const QString& timeText, Error* error) {
    // The texts go between # into the statement: only list texts may.
    if (!QDate::fromString(dateText, QStringLiteral("MM/dd/yyyy")).isValid() ||
        !QTime::fromString(timeText, QStringLiteral("hh:mm:ss")).isValid()) {
        if (error)
            *error =
                Error{dberr::kSyntax,
                      QStringLiteral("Syntax error in date in query expression '#%1# #%2#'.").arg(dateText, timeText)};
        return {};
    }
    return CallsOf(
        db, QStringLiteral("SELECT * FROM qlm WHERE Date =#%1# AND Time = #%2# ORDER BY rowid").arg(dateText, timeText),
        error);
}

QVector<CallRecord> CallsOfFile(Database* db, const QString& file, Error* error) {
    QString dateText, timeText;
    if (!db || !StampTextsOfName(file, &dateText, &timeText))
        return {};
    if (!KeepsRecordingFiles(db))
        return CallsAt(db, dateText, timeText, error);
    // A recording name is letters, digits, a dot and a dash: nothing to quote.
    return CallsOf(db,
                   QStringLiteral("SELECT * FROM qlm WHERE rowid IN (SELECT call FROM %1 WHERE file = '%2')")
                       .arg(QLatin1String(kRecordingTable), file),
                   error);
}

}  // namespace qlm
