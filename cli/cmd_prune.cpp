// qlmtool prune CATALOGUE --older-than DAYS [--include-saved] [--dry-run]
// [--json]: the window's Delete Old Calls for scripts. One line a call (date,
// time, recording, size, and what became of it); the totals on stderr.
#include <QFileInfo>
#include <QSet>

#include "app/card/recording.h"
#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/export/prune.h"
#include "cli/cli.h"

namespace qlm::cli {
namespace {

void PrintCall(const AgedCall& call, const QString& state, bool json) {
    const QString date = DateDisplayText(call.date), time = TimeDisplayText(call.time);
    const QString file = call.file.isEmpty() ? RecordingNameFor(call.date, call.time) : call.file;
    if (json)
        Out(JsonLine({{QStringLiteral("date"), date},
                      {QStringLiteral("time"), time},
                      {QStringLiteral("file"), file},
                      {QStringLiteral("bytes"), call.bytes},
                      {QStringLiteral("saved"), call.saved},
                      {QStringLiteral("state"), state}}));
    else
        Out(PlainLine({date, time, file, QString::number(call.bytes), state}));
}

QString Megabytes(qint64 bytes) { return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1); }

}  // namespace

int CmdPrune(const QStringList& arguments) {
    QStringList args = arguments;
    QString daysText;
    bool haveDays = false;
    if (!TakeOption(&args, QStringLiteral("--older-than"), &daysText, &haveDays))
        return kUsage;
    const bool includeSaved = TakeFlag(&args, QStringLiteral("--include-saved"));
    const bool dryRun = TakeFlag(&args, QStringLiteral("--dry-run"));
    const bool json = TakeFlag(&args, QStringLiteral("--json"));
    bool number = false;
    const int days = daysText.toInt(&number);
    if (!haveDays || !number || days < 0 || args.size() != 1)
        return Usage("prune");
    const QString catalogue = args[0];
    if (!LoadCallTexts())
        return kFailed;
    Error error;
    auto db = Database::Open(catalogue, true, &error);
    const QString folder = FolderOf(QFileInfo(catalogue).absoluteFilePath());
    QVector<AgedCall> calls;
    if (!db || !ReadAgedCalls(db.get(), folder, &calls, &error)) {
        ReportCatalogueError(catalogue, error);
        return kFailed;
    }
    const PrunePlan plan = PlanPrune(calls, PruneLimitDate(days), includeSaved);
    if (dryRun) {
        for (const AgedCall& call : plan.calls)
            PrintCall(call, QStringLiteral("would go"), json);
        Err(QStringLiteral("%1 calls, %2 MB of recordings would be deleted; %3 saved calls kept")
                .arg(plan.calls.size())
                .arg(Megabytes(plan.bytes))
                .arg(plan.savedKept));
        return kOk;
    }
    const PruneResult result = RunPrune(db.get(), folder, plan);
    QSet<qint64> kept;
    for (const AgedCall& call : result.notDeleted)
        kept.insert(call.id);
    for (const AgedCall& call : plan.calls) {
        const bool stays = kept.contains(call.id);
        if (stays)
            Err(QStringLiteral("%1 %2: the recording could not be deleted; the call is kept")
                    .arg(DateDisplayText(call.date), TimeDisplayText(call.time)));
        PrintCall(call,
                  stays                  ? QStringLiteral("kept")
                  : result.error.IsSet() ? QStringLiteral("file deleted")
                                         : QStringLiteral("deleted"),
                  json);
    }
    if (result.error.IsSet())
        Err(QStringLiteral("%1: the catalogue rows were not deleted: %2").arg(catalogue, result.error.description));
    Err(QStringLiteral("%1 calls deleted, %2 could not be deleted; %3 saved calls kept")
            .arg(result.deleted)
            .arg(result.notDeleted.size())
            .arg(plan.savedKept));
    return result.error.IsSet() || !result.notDeleted.isEmpty() ? kFailed : kOk;
}

}  // namespace qlm::cli
