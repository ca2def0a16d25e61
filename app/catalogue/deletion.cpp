#include "app/catalogue/deletion.h"

#include <QFile>
#include <QSet>

#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"

namespace qlm {

namespace {

// "2024-3-7 9:5:0": the form rows and calls are compared in.
QString WrittenKey(const QDate& date, const QTime& time) { return DateWriteText(date) + u' ' + TimeWriteText(time); }

}  // namespace

int DeleteCatalogueRows(Database* db, const QVector<CallKey>& calls, Error* error) {
    QSet<QString> wanted;
    for (const CallKey& call : calls) {
        const QDate date = QDate::fromString(call.dateText, QStringLiteral("MM/dd/yyyy"));
        const QTime time = QTime::fromString(call.timeText, QStringLiteral("hh:mm:ss"));
        if (date.isValid() && time.isValid())
            wanted.insert(WrittenKey(date, time));
    }
    if (wanted.isEmpty())
        return 0;
    if (!db || !db->IsOpen()) {
        if (error)
            *error = Error{dberr::kObjectClosed, QStringLiteral("No catalogue is open.")};
        return -1;
    }
    Error failed;
    ScopedTransaction transaction(db, &failed);
    if (!transaction.Active()) {
        if (error)
            *error = failed;
        return -1;
    }
    auto rows = db->OpenRecordset(QStringLiteral("SELECT * FROM qlm"), &failed);
    if (!rows) {
        if (error)
            *error = failed;
        return -1;
    }
    int deleted = 0;
    if (rows->RecordCount() != 0 && rows->MoveFirst(&failed)) {
        while (!rows->AtEnd()) {
            const QString key =
                WrittenKey(rows->Field(QStringLiteral("Date")).toDate(), rows->Field(QStringLiteral("Time")).toTime());
            // A row that cannot be deleted is passed over; the others go.
            if (wanted.contains(key) && rows->Delete(&failed))
                ++deleted;
            Error moved;
            if (!rows->MoveNext(&moved)) {
                failed = moved;
                break;
            }
        }
    }
    rows->Close();
    Error committed;
    if (!transaction.Commit(&committed)) {
        if (error)
            *error = committed;
        return -1;
    }
    if (failed.IsSet() && error)
        *error = failed;
    return deleted;
}

}  // namespace qlm
