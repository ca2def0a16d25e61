#include "app/card/calldeletion.h"

#include <unistd.h>

#include <algorithm>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include "app/card/cardwipe.h"
#include "app/card/recording.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "platform/appfolder.h"
#include "platform/durablefile.h"
#include "platform/filename.h"

namespace qlm {
namespace {

// One recording and the rows that go with it.
struct Group {
    QString file;
    QVector<RowRef> rows;
};

struct Journal {
    QString id;
    Disposal disposal = Disposal::Trash;
    QVector<Group> groups;
};

constexpr char kJournalHead[] = "qlm-deletion-journal 1";

QByteArray JournalText(const Journal& journal) {
    QByteArray text = QByteArray(kJournalHead) + ' ' + journal.id.toLatin1() + ' ' +
                      (journal.disposal == Disposal::Trash ? "trash" : "remove") + '\n';
    for (const Group& group : journal.groups) {
        text += "F " + group.file.toUtf8().toPercentEncoding() + '\n';
        for (const RowRef& row : group.rows)
            text += "R " + QByteArray::number(row.id) + ' ' + row.date.toString(Qt::ISODate).toLatin1() + ' ' +
                    row.time.toString(QStringLiteral("HH:mm:ss")).toLatin1() + '\n';
    }
    return text + "end\n";
}

// False for anything but a whole journal of ours; a journal is put in place
// by a rename, so a half one is never seen.
bool ParseJournal(const QByteArray& text, Journal* journal) {
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() < 3 || !lines.first().startsWith(kJournalHead) || lines.at(lines.size() - 2) != "end")
        return false;
    const QList<QByteArray> head = lines.first().split(' ');
    if (head.size() != 4 || (head[3] != "trash" && head[3] != "remove"))
        return false;
    journal->id = QString::fromLatin1(head[2]);
    journal->disposal = head[3] == "trash" ? Disposal::Trash : Disposal::Remove;
    for (qsizetype i = 1; i + 2 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.startsWith("F ")) {
            journal->groups.append({QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(2))), {}});
            continue;
        }
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 4 || parts[0] != "R" || journal->groups.isEmpty())
            return false;
        RowRef row{parts[1].toLongLong(), QDate::fromString(QString::fromLatin1(parts[2]), Qt::ISODate),
                   QTime::fromString(QString::fromLatin1(parts[3]), QStringLiteral("HH:mm:ss"))};
        if (row.id <= 0)
            return false;
        journal->groups.last().rows.append(row);
    }
    return true;
}

// The recording goes; only a regular file, or a link to one in the same
// folder (the link goes, never its target), and nothing is made writable.
CallOutcome::State RemoveRecording(const QString& folder, const QString& name, Disposal disposal, QString* reason) {
    if (name.isEmpty())
        return CallOutcome::NoFile;
    // A name from the catalogue is the catalogue's word only: a path, or a
    // name no recorder or library gives, is never touched.
    if (name.contains(u'/') || !IsRecordingName(name))
        return CallOutcome::Skipped;
    const QString path = JoinPath(folder, name);
    switch (RecordingEntryKind(folder, name)) {
    case EntryKind::Missing:
        return CallOutcome::NoFile;
    case EntryKind::Other:
        return CallOutcome::Skipped;
    case EntryKind::Regular:
        // The trash, where the file system has one, lets a slip be undone.
        if (disposal == Disposal::Trash && MoveToTrash(path))
            return CallOutcome::Deleted;
        [[fallthrough]];
    case EntryKind::Link:
        if (::unlink(EncodeName(path).constData()) == 0 || errno == ENOENT)
            return CallOutcome::Deleted;
        if (reason)
            *reason = qt_error_string(errno);
        return CallOutcome::Kept;
    }
    return CallOutcome::Kept;
}

bool RemoveJournal(Database* db, const QString& path, const QString& id) {
    const bool gone = QFile::remove(path) || !QFileInfo::exists(path);
    // With the file gone its record is of no more use; a journal left in
    // place keeps its own record, so a later open still knows it is done.
    ForgetJournalRecords(db, gone ? QString() : id);
    return gone;
}

// The recordings of a journal go and then its rows, in the transaction that
// records it as done. What became of each group in *outcomes.
int CarryOut(Database* db, const QString& folder, const Journal& journal, QVector<CallOutcome>* outcomes,
             Error* error) {
    QVector<RowRef> rows;
    outcomes->clear();
    for (const Group& group : journal.groups) {
        CallOutcome outcome;
        outcome.file = group.file;
        outcome.state = RemoveRecording(folder, group.file, journal.disposal, &outcome.reason);
        if (outcome.state != CallOutcome::Kept) {
            rows += group.rows;
            for (const RowRef& row : group.rows)
                outcome.rows << row.id;
        }
        outcomes->append(outcome);
    }
    const QString path = DeletionJournalPath(db->Path());
    const int deleted = rows.isEmpty() ? 0 : DeleteRowsOfJournal(db, rows, journal.id, error);
    if (deleted >= 0)
        RemoveJournal(db, path, journal.id);
    return deleted;
}

// The name of the recording a row without a file of its own, or a key,
// has: the file of its time stamp in any letter case, else the name it
// would have.
QString NameByMoment(RecordingLookup& lookup, const QDate& date, const QTime& time) {
    const QString name = RecordingNameFor(date, time);
    const QString found = name.isEmpty() ? QString() : lookup.PathOf(name);
    return found.isEmpty() ? name : QFileInfo(found).fileName();
}

struct Plan {
    QVector<Group> groups;
    QVector<int> groupOfKey;  // -1 for a key that names no call
};

bool PlanDeletion(Database* db, const QString& folder, const QVector<CallKey>& keys, Plan* plan, Error* error) {
    QVector<CatalogueRow> all;
    if (!ReadCatalogueRows(db, &all, error))
        return false;
    RecordingLookup lookup(folder);
    QHash<QString, QVector<RowRef>> rowsOf;
    QHash<qint64, QString> fileOfRow;
    for (const CatalogueRow& row : all) {
        const QString name = RecordingOfRow(lookup, row);
        rowsOf[name].append({row.id, row.date, row.time});
        fileOfRow.insert(row.id, name);
    }
    QHash<QString, int> groupOf;
    for (const CallKey& key : keys) {
        QString name = key.file;
        if (name.isEmpty() && key.id > 0)
            name = fileOfRow.value(key.id);
        if (name.isEmpty())
            name = NameByMoment(lookup, QDate::fromString(key.dateText, QStringLiteral("MM/dd/yyyy")),
                                QTime::fromString(key.timeText, QStringLiteral("hh:mm:ss")));
        if (name.isEmpty()) {
            plan->groupOfKey << -1;
            continue;
        }
        if (!groupOf.contains(name)) {
            groupOf.insert(name, int(plan->groups.size()));
            plan->groups.append({name, rowsOf.value(name)});
        }
        plan->groupOfKey << groupOf.value(name);
    }
    return true;
}

void KeepAll(DeletionResult* result, const QString& reason) {
    for (CallOutcome& outcome : result->calls) {
        outcome.state = CallOutcome::Kept;
        outcome.reason = reason;
    }
}

}  // namespace

QString RecordingOfRow(RecordingLookup& lookup, const CatalogueRow& row) {
    return row.file.isEmpty() ? NameByMoment(lookup, row.date, row.time) : row.file;
}

QString DeletionJournalPath(const QString& catalogue) {
    const QFileInfo info(catalogue);
    return JoinPath(FolderOf(info.absoluteFilePath()), u'.' + info.fileName() + QStringLiteral(".deleting"));
}

bool FinishDeletions(Database* db, const QString& folder, Error* error) {
    if (!db || !db->IsOpen()) {
        if (error)
            *error = Error{dberr::kObjectClosed, QStringLiteral("No catalogue is open.")};
        return false;
    }
    const QString path = DeletionJournalPath(db->Path());
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        ForgetJournalRecords(db);
        return true;
    }
    Journal journal;
    const bool whole = ParseJournal(file.read(16 << 20), &journal);
    file.close();
    // Not a journal of ours: nothing of it was begun.
    if (!whole || JournalRowsDeleted(db, journal.id)) {
        RemoveJournal(db, path, journal.id);
        return true;
    }
    QVector<CallOutcome> outcomes;
    return CarryOut(db, folder, journal, &outcomes, error) >= 0;
}

DeletionResult DeleteCalls(Database* db, const QString& folder, const QVector<CallKey>& keys, Disposal disposal) {
    DeletionResult result;
    result.calls.resize(keys.size());
    if (keys.isEmpty())
        return result;
    Plan plan;
    if (!FinishDeletions(db, folder, &result.error) || !PlanDeletion(db, folder, keys, &plan, &result.error)) {
        KeepAll(&result, result.error.description);
        return result;
    }
    Journal journal;
    journal.id = QString::number(QRandomGenerator::system()->generate64(), 16);
    journal.disposal = disposal;
    journal.groups = plan.groups;
    QVector<CallOutcome> outcomes;
    if (!journal.groups.isEmpty()) {
        // Nothing goes before the journal is on the disk.
        QString written;
        if (!WriteFileDurably(DeletionJournalPath(db->Path()), JournalText(journal), &written)) {
            result.error = FileError(err::kPathFileAccess, DeletionJournalPath(db->Path()), written);
            KeepAll(&result, written);
            return result;
        }
        result.rows = CarryOut(db, folder, journal, &outcomes, &result.error);
    }
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const int group = plan.groupOfKey[i];
        if (group >= 0)
            result.calls[i] = outcomes[group];
    }
    if (result.rows < 0)
        result.rows = 0;
    return result;
}

QStringList RecordingsOfMoment(Database* db, const QString& folder, const QString& dateText, const QString& timeText,
                               Error* error) {
    const QDate date = QDate::fromString(dateText, QStringLiteral("MM/dd/yyyy"));
    const QTime time = QTime::fromString(timeText, QStringLiteral("hh:mm:ss"));
    QVector<CatalogueRow> all;
    if (!ReadCatalogueRows(db, &all, error))
        return {};
    RecordingLookup lookup(folder);
    QStringList names;
    for (const CatalogueRow& row : all)
        if (row.date == date && row.time == time) {
            const QString name = RecordingOfRow(lookup, row);
            if (!names.contains(name))
                names << name;
        }
    names.sort();
    return names;
}

QVector<CallKey> DeleteListedCalls(Database* db, const QString& recordingsFolder, CallListModel* model,
                                   QVector<int> rows, Error* error) {
    QVector<CallKey> removed;
    if (!model)
        return removed;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(
        std::remove_if(rows.begin(), rows.end(), [model](int row) { return row < 0 || row >= model->rowCount(); }),
        rows.end());
    QVector<CallKey> keys;
    for (const int row : rows)
        keys << CallKey{model->Text(row, kColDate), model->Text(row, kColTime), model->Record(row).Id,
                        model->Record(row).File};
    if (keys.isEmpty())
        return removed;
    const DeletionResult result = DeleteCalls(db, recordingsFolder, keys, Disposal::Trash);
    if (error && result.error.IsSet())
        *error = result.error;
    // Every line of a call whose rows went leaves the list: a line of the
    // catalogue's rows by its id, a line without one (an older catalogue's)
    // as the selected line it was.
    QSet<qint64> goneIds;
    QSet<int> goneLines;
    const bool rowsWent = !result.error.IsSet();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (!rowsWent || result.calls[i].state == CallOutcome::Kept)
            continue;
        removed << keys[i];
        for (const qint64 id : result.calls[i].rows)
            goneIds.insert(id);
        goneLines.insert(rows[i]);
    }
    for (int line = model->rowCount() - 1; line >= 0; --line) {
        const qint64 id = model->Record(line).Id;
        if ((id > 0 && goneIds.contains(id)) || (id <= 0 && goneLines.contains(line)))
            model->RemoveLine(line);
    }
    return removed;
}

int SavedAmong(const CallListModel& model, const QVector<int>& rows) {
    int saved = 0;
    for (const int row : QSet<int>(rows.begin(), rows.end()))
        if (row >= 0 && row < model.rowCount() && model.Record(row).Saved != 0)
            ++saved;
    return saved;
}

}  // namespace qlm
