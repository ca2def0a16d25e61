#include "app/export/prune.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include "app/card/calldeletion.h"
#include "app/card/recording.h"
#include "app/catalogue/callrecord.h"
#include "app/catalogue/deletion.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "platform/appfolder.h"

namespace qlm {
namespace {

CallKey KeyOf(const AgedCall& call) { return {DateDisplayText(call.date), TimeDisplayText(call.time)}; }

}  // namespace

bool ReadAgedCalls(Database* db, const QString& recordingsFolder, QVector<AgedCall>* calls, Error* error) {
    calls->clear();
    auto rows = db ? db->OpenRecordset(QString::fromLatin1(kSelectAllCalls), error) : nullptr;
    if (!rows || !HasCatalogueColumns(*rows, error))
        return false;
    // One listing of the folder instead of a look-up per call; names in any
    // letter case, as copies from other systems may have them.
    QHash<QString, qint64> sizes;
    const QFileInfoList files = QDir(recordingsFolder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files)
        sizes.insert(file.fileName().toUpper(), file.size());
    const int date = rows->FieldIndex(QStringLiteral("Date"));
    const int time = rows->FieldIndex(QStringLiteral("Time"));
    const int saved = rows->FieldIndex(QStringLiteral("Saved"));
    Error failed;
    for (; !rows->AtEnd(); rows->MoveNext(&failed)) {
        AgedCall call;
        call.date = rows->Value(date).toDate();
        call.time = rows->Value(time).toTime();
        call.saved = rows->Value(saved).toInt() != 0;
        call.bytes = sizes.value(RecordingNameFor(call.date, call.time).toUpper());
        calls->append(call);
    }
    if (failed.IsSet()) {
        if (error)
            *error = failed;
        return false;
    }
    return true;
}

QDate PruneLimitDate(int days, const QDate& today) { return today.addDays(-qMax(0, days)); }

PrunePlan PlanPrune(const QVector<AgedCall>& all, const QDate& keepFrom, bool includeSaved) {
    const auto old = [&keepFrom](const AgedCall& call) { return call.date.isValid() && call.date < keepFrom; };
    // Rows are deleted by date and time: a call that shares both with a
    // saved call that stays would take the saved one's row (and file) along.
    QSet<QString> keptNames;
    for (const AgedCall& call : all)
        if (old(call) && call.saved && !includeSaved)
            keptNames.insert(RecordingNameFor(call.date, call.time));
    PrunePlan plan;
    QSet<QString> counted;  // calls of the same second share one file
    for (const AgedCall& call : all) {
        if (!old(call))
            continue;
        const QString name = RecordingNameFor(call.date, call.time);
        if (keptNames.contains(name)) {
            plan.savedKept += call.saved ? 1 : 0;
            continue;
        }
        plan.calls << call;
        if (!counted.contains(name)) {
            counted.insert(name);
            plan.bytes += call.bytes;
        }
    }
    return plan;
}

PruneResult RunPrune(Database* db, const QString& recordingsFolder, const PrunePlan& plan) {
    PruneResult result;
    QVector<CallKey> gone;
    RecordingLookup recordings(recordingsFolder);
    for (const AgedCall& call : plan.calls) {
        const CallKey key = KeyOf(call);
        QString file;
        if (!DeleteRecordingFileOf(recordings, key, &file) && QFileInfo::exists(file)) {
            result.notDeleted << call;
            continue;
        }
        gone << key;
    }
    if (gone.isEmpty())
        return result;
    if (DeleteCatalogueRows(db, gone, &result.error) >= 0)
        result.deleted = static_cast<int>(gone.size());
    return result;
}

}  // namespace qlm
