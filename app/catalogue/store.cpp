#include "app/catalogue/store.h"

#include <QDir>
#include <QFile>

#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/prjpublic.h"
#include "platform/appfolder.h"

namespace qlm {

QString GetTempFolder() {
    const QString folder = JoinPath(ApplicationFolder(), QStringLiteral("temp"));
    QDir().mkpath(folder);
    return folder + u'/';
}

void DeleteFilesIn(const QString& folder) {
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        QFile::remove(JoinPath(folder, name));
}

QString FolderOf(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return cut < 0 ? QString() : path.left(cut + 1);
}

CallRecord ReadCallRecord(const Recordset& rows) {
    CallRecord r;
    r.Date = rows.Field(QStringLiteral("Date")).toDate();
    r.Time = rows.Field(QStringLiteral("Time")).toTime();
    r.Duration = rows.Field(QStringLiteral("Duration")).toInt();
    r.CallerID = rows.Field(QStringLiteral("CallerID")).toString();
    r.DialString = rows.Field(QStringLiteral("DialString")).toString();
    r.InorOut = qint16(rows.Field(QStringLiteral("InorOut")).toInt());
    r.TelorMic = qint16(rows.Field(QStringLiteral("TelorMic")).toInt());
    r.Saved = qint16(rows.Field(QStringLiteral("Saved")).toInt());
    r.SampleRate = qint16(rows.Field(QStringLiteral("SampleRate")).toInt());
    r.Comment = rows.Field(QStringLiteral("Comment")).toString();
    return r;
}

int ListCatalogueRows(Recordset* rows, CallListModel* model, Error* error) {
    if (!rows || rows->RecordCount() == 0)
        return 0;
    QVector<CallRecord> records;
    // The count is a full int: a catalogue of any size lists completely.
    Error failed;
    if (rows->MoveFirst(&failed)) {
        while (!rows->AtEnd()) {
            records.push_back(ReadCallRecord(*rows));
            if (!rows->MoveNext(&failed))
                break;
        }
    }
    if (failed.IsSet() && error)
        *error = failed;
    const int count = int(records.size());
    model->Append(std::move(records));
    return count;
}

bool OpenCatalogueFile(const QString& path, CallListModel* model, int* listed, Error* error) {
    PrjPublicState& state = PrjPublicM();
    state.CataloguePath = path;
    state.CloseCatalogue();
    state.RecordingsFolder = FolderOf(path);
    if (listed)
        *listed = 0;
    Error failed;
    state.CatalogueDatabase = Database::Open(path, true, &failed);
    if (!state.CatalogueDatabase) {
        if (error)
            *error = failed;
        return false;
    }
    auto rows = state.CatalogueDatabase->OpenRecordset(QString::fromLatin1(kSelectAllCalls), &failed);
    if (!rows) {
        if (error)
            *error = failed;
        return false;
    }
    const int count = ListCatalogueRows(rows.get(), model, &failed);
    if (listed)
        *listed = count;
    if (failed.IsSet()) {
        if (error)
            *error = failed;
        return false;
    }
    return true;
}

}  // namespace qlm
