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

CallKey KeyOf(const AgedCall& call) {
    return {DateDisplayText(call.date), TimeDisplayText(call.time), call.id, call.file};
}

}  // namespace

bool ReadAgedCalls(Database* db, const QString& recordingsFolder, QVector<AgedCall>* calls, Error* error) {
    calls->clear();
    QVector<CatalogueRow> rows;
    if (!FinishDeletions(db, recordingsFolder, error) || !ReadCatalogueRows(db, &rows, error))
        return false;
    // One listing of the folder instead of a look-up per call.
    QHash<QString, qint64> sizes;
    const QFileInfoList files = QDir(recordingsFolder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files)
        sizes.insert(file.fileName(), file.size());
    RecordingLookup lookup(recordingsFolder);
    calls->reserve(rows.size());
    for (const CatalogueRow& row : std::as_const(rows)) {
        AgedCall call;
        call.date = row.date;
        call.time = row.time;
        call.saved = row.saved;
        call.id = row.id;
        call.file = RecordingOfRow(lookup, row);
        call.bytes = sizes.value(call.file);
        calls->append(call);
    }
    return true;
}

QDate PruneLimitDate(int days, const QDate& today) { return today.addDays(-qMax(0, days)); }

PrunePlan PlanPrune(const QVector<AgedCall>& all, const QDate& keepFrom, bool includeSaved) {
    const auto old = [&keepFrom](const AgedCall& call) { return call.date.isValid() && call.date < keepFrom; };
    const auto goes = [&](const AgedCall& call) { return old(call) && (!call.saved || includeSaved); };
    // Calls of one recording go together: one that stays keeps the others,
    // as its recording would otherwise go with them.
    QSet<QString> keptFiles;
    for (const AgedCall& call : all)
        if (!goes(call))
            keptFiles.insert(call.file);
    PrunePlan plan;
    QSet<QString> counted;
    for (const AgedCall& call : all) {
        if (!old(call))
            continue;
        if (keptFiles.contains(call.file)) {
            plan.savedKept += call.saved ? 1 : 0;
            continue;
        }
        plan.calls << call;
        if (!counted.contains(call.file)) {
            counted.insert(call.file);
            plan.bytes += call.bytes;
        }
    }
    return plan;
}

PruneResult RunPrune(Database* db, const QString& recordingsFolder, const PrunePlan& plan) {
    PruneResult result;
    if (plan.calls.isEmpty())
        return result;
    QVector<CallKey> keys;
    keys.reserve(plan.calls.size());
    for (const AgedCall& call : plan.calls)
        keys << KeyOf(call);
    const DeletionResult done = DeleteCalls(db, recordingsFolder, keys, Disposal::Remove);
    result.error = done.error;
    for (qsizetype i = 0; i < plan.calls.size(); ++i) {
        if (done.calls[i].state == CallOutcome::Kept)
            result.notDeleted << plan.calls[i];
        else if (!done.error.IsSet())
            ++result.deleted;
    }
    return result;
}

}  // namespace qlm
