#include "app/catalogue/deletion.h"

#include <algorithm>

#include <QFile>
#include <QSet>

#include "app/card/recording.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"
#include "platform/appfolder.h"

namespace qlm {

namespace {

// "2024-3-7 9:5:0": the form rows and calls are compared in.
QString WrittenKey(const QDate& date, const QTime& time) {
    return DateWriteText(date) + u' ' + TimeWriteText(time);
}

}  // namespace

bool DeleteRecordingFileOf(RecordingLookup& recordings, const CallKey& call, QString* path, Error* error) {
    const QString name = RecordingNameFor(call.dateText, call.timeText);
    const QString found = recordings.PathOf(name);
    if (path)
        *path = found.isEmpty() ? JoinPath(recordings.Folder(), name) : found;
    if (found.isEmpty()) {
        if (error)
            *error = FileError(err::kFileNotFound, JoinPath(recordings.Folder(), name),
                               QStringLiteral("recording not found"));
        return false;
    }
    QFile file(found);
    if (file.remove())
        return true;
    if (error)
        *error = FileError(err::kPathFileAccess, found, file.errorString());
    return false;
}

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
            const QString key = WrittenKey(rows->Field(QStringLiteral("Date")).toDate(),
                                           rows->Field(QStringLiteral("Time")).toTime());
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

QVector<CallKey> DeleteListedCalls(Database* db, const QString& recordingsFolder, CallListModel* model,
                                   QVector<int> rows, Error* error) {
    QVector<CallKey> removed;
    if (!model)
        return removed;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Lines shift up as earlier ones go; the offset keeps every selected line
    // taken exactly once.
    int gone = 0;
    RecordingLookup recordings(recordingsFolder);
    for (const int original : rows) {
        const int row = original - gone;
        if (row < 0 || row >= model->rowCount())
            continue;
        const CallKey call{model->Text(row, kColDate), model->Text(row, kColTime)};
        DeleteRecordingFileOf(recordings, call);
        model->RemoveLine(row);
        removed << call;
        ++gone;
    }
    if (!removed.isEmpty())
        DeleteCatalogueRows(db, removed, error);
    return removed;
}

}  // namespace qlm
