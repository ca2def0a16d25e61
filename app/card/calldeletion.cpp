#include "app/card/calldeletion.h"

#include <algorithm>

#include <QFile>

#include "app/card/recording.h"
#include "app/catalogue/calllistmodel.h"
#include "platform/appfolder.h"

namespace qlm {

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
        const CallKey call{model->Text(row, kColDate), model->Text(row, kColTime), model->Record(row).Id,
                           model->Record(row).File};
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
