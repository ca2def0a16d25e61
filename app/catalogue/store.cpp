#include "app/catalogue/store.h"

#include <QDir>
#include <QFile>

#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "platform/appfolder.h"
#include "platform/userstate.h"

namespace qlm {

QString GetTempFolder() { return ProcessWorkFolder() + u'/'; }

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

namespace {

// Column positions of the call columns in a record set, looked up once.
struct CallColumns {
    int at[10];
    int id = -1;    // the row's identity, when the listing carries it
    int file = -1;  // its recording's file name, the same
    explicit CallColumns(const Recordset& rows) {
        const QStringList names = CatalogueColumns();
        for (int i = 0; i < 10; ++i)
            at[i] = rows.FieldIndex(names[i]);
        id = rows.FieldIndex(QStringLiteral("qlm_id"));
        file = rows.FieldIndex(QStringLiteral("qlm_file"));
    }
    CallRecord Read(const Recordset& rows) const {
        // Most numbers and comments are the single blank of an empty one:
        // one shared text for all of them keeps a large list small.
        static const QString blank = QStringLiteral(" ");
        const auto shared = [](QString text) { return text == blank ? blank : text; };
        CallRecord r;
        r.Date = rows.Value(at[0]).toDate();
        r.Time = rows.Value(at[1]).toTime();
        r.Duration = rows.Value(at[2]).toInt();
        r.CallerID = shared(rows.Value(at[3]).toString());
        r.DialString = shared(rows.Value(at[4]).toString());
        r.InorOut = qint16(rows.Value(at[5]).toInt());
        r.TelorMic = qint16(rows.Value(at[6]).toInt());
        r.Saved = qint16(rows.Value(at[7]).toInt());
        r.SampleRate = qint16(rows.Value(at[8]).toInt());
        r.Comment = shared(rows.Value(at[9]).toString());
        if (id >= 0)
            r.Id = rows.Value(id).toLongLong();
        if (file >= 0)
            r.File = rows.Value(file).toString();
        return r;
    }
};

}  // namespace

CallRecord ReadCallRecord(const Recordset& rows) { return CallColumns(rows).Read(rows); }

bool HasCatalogueColumns(const Recordset& rows, Error* error) {
    for (const QString& name : CatalogueColumns()) {
        if (rows.FieldIndex(name) < 0) {
            if (error)
                *error =
                    Error{dberr::kItemNotFound, QStringLiteral("Item not found in this collection: '%1'.").arg(name)};
            return false;
        }
    }
    return true;
}

int ListCatalogueRows(Recordset* rows, CallListModel* model, Error* error) {
    if (!rows || !HasCatalogueColumns(*rows, error) || rows->RecordCount() == 0)
        return 0;
    QVector<CallRecord> records;
    // The count is a full int: a catalogue of any size lists completely.
    Error failed;
    const CallColumns columns(*rows);
    if (rows->MoveFirst(&failed)) {
        while (!rows->AtEnd()) {
            records.push_back(columns.Read(*rows));
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

namespace {

// The rows of a statement as a source of calls for the model's steps; the
// record set lives as long as the source.
CallListModel::CallSource SourceOf(std::shared_ptr<Recordset> rows) {
    auto columns = std::make_shared<CallColumns>(*rows);
    return [rows, columns](QVector<CallRecord>* out, int most) {
        for (int taken = 0; taken < most; ++taken) {
            if (rows->AtEnd())
                return false;
            out->push_back(columns->Read(*rows));
            if (!rows->MoveNext())
                return false;
        }
        return !rows->AtEnd();
    };
}

}  // namespace

bool KeepsRecordingFiles(Database* db) {
    auto probe =
        db ? db->OpenRecordset(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '%1'")
                                   .arg(QLatin1String(kRecordingTable)),
                               nullptr)
           : nullptr;
    return probe && probe->RecordCount() > 0;
}

QString WithCallIdentity(Database* db, const QString& statement) {
    static const QString head = QStringLiteral("SELECT * FROM qlm");
    if (!db || !statement.startsWith(head, Qt::CaseInsensitive) ||
        (statement.size() > head.size() && !statement.at(head.size()).isSpace()))
        return statement;
    const bool recordings = KeepsRecordingFiles(db);
    QString columns = QStringLiteral("SELECT *, qlm.rowid AS qlm_id");
    if (recordings)
        columns += QStringLiteral(", (SELECT file FROM %1 WHERE call = qlm.rowid) AS qlm_file")
                       .arg(QLatin1String(kRecordingTable));
    return columns + QStringLiteral(" FROM qlm") + statement.mid(head.size());
}

int ListCatalogueStatement(Database* db, const QString& statement, CallListModel* model, Error* error) {
    Error failed;
    auto counted =
        db ? db->OpenRecordset(QStringLiteral("SELECT count(*) FROM (") + statement + u')', &failed) : nullptr;
    std::shared_ptr<Recordset> rows;
    if (counted) {
        // The rows with their identity where the statement allows it (a
        // table of rows, not a view): the same rows in the same order.
        const QString identified = WithCallIdentity(db, statement);
        if (identified != statement)
            rows = db->OpenRecordset(identified, nullptr);
        if (!rows)
            rows = db->OpenRecordset(statement, &failed);
    }
    if (!db)
        failed = Error{dberr::kObjectClosed, QStringLiteral("Object invalid or no longer set.")};
    if (!rows || !HasCatalogueColumns(*rows, &failed)) {
        if (error)
            *error = failed;
        return -1;
    }
    const int total = counted->Value(0).toInt();
    counted.reset();
    model->ListInSteps(SourceOf(std::move(rows)), total);
    return total;
}

void EnsureCatalogueIndexes(Database* db) {
    // Only on a table with the catalogue's columns: another program's table
    // named qlm is not ours to change.
    auto probe = db ? db->OpenRecordset(QStringLiteral("SELECT * FROM qlm WHERE 0"), nullptr) : nullptr;
    if (!probe || !HasCatalogueColumns(*probe, nullptr))
        return;
    probe.reset();
    db->Execute(QString::fromLatin1(kCreateDateIndex), nullptr);
}

OpenedCatalogue OpenCatalogueFile(const QString& path, CallListModel* model, Error* error,
                                  const std::function<void(Database*)>& prepare) {
    OpenedCatalogue opened;
    opened.path = path;
    opened.recordingsFolder = FolderOf(path);
    Error failed;
    opened.database = Database::Open(path, true, &failed);
    if (opened.database) {
        EnsureCatalogueIndexes(opened.database.get());
        if (prepare)
            prepare(opened.database.get());
        opened.listed =
            ListCatalogueStatement(opened.database.get(), QString::fromLatin1(kSelectAllCalls), model, &failed);
    }
    if (!opened && error)
        *error = failed;
    return opened;
}

}  // namespace qlm
