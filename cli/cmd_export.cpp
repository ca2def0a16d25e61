// qlmtool export CATALOGUE --dest FOLDER|FILE.zip [--mp3] (--all | DATE TIME ...)
// [--from DATE] [--to DATE]: the window's Export for scripts. The calls are
// converted as `convert` converts them and written with readable names and
// calls.csv / calls.json into the folder or the archive; Ctrl+C stops the
// run and leaves nothing behind.
#include <QDate>
#include <QFileInfo>

#include "app/catalogue/store.h"
#include "app/export/exportcalls.h"
#include "app/export/exportsink.h"
#include "cli/cli.h"
#include "cli/convertrun.h"

namespace qlm::cli {
namespace {

int Usage(const QString& message = QString()) {
    if (!message.isEmpty())
        Err(QStringLiteral("qlmtool export: ") + message);
    return cli::Usage("export");
}

// 2024-3-7, 2024-03-07 or 03/07/2024.
QDate ParseDay(const QString& text) {
    QDate day = QDate::fromString(text, QStringLiteral("yyyy-M-d"));
    return day.isValid() ? day : QDate::fromString(text, QStringLiteral("MM/dd/yyyy"));
}

}  // namespace

int CmdExport(const QStringList& arguments) {
    QStringList args = arguments;
    QString destination, fromText, toText;
    bool haveDestination = false, haveFrom = false, haveTo = false;
    if (!TakeOption(&args, QStringLiteral("--dest"), &destination, &haveDestination) ||
        !TakeOption(&args, QStringLiteral("--from"), &fromText, &haveFrom) ||
        !TakeOption(&args, QStringLiteral("--to"), &toText, &haveTo))
        return kUsage;
    const bool mp3 = TakeFlag(&args, QStringLiteral("--mp3"));
    bool all = TakeFlag(&args, QStringLiteral("--all"));
    if (!haveDestination || destination.isEmpty() || args.isEmpty())
        return Usage();
    const QString catalogue = args.takeFirst();
    // A date range alone means every call in it.
    if (args.isEmpty() && (haveFrom || haveTo))
        all = true;
    if (all == !args.isEmpty())
        return Usage();
    const QDate from = haveFrom ? ParseDay(fromText) : QDate(1, 1, 1);
    const QDate to = haveTo ? ParseDay(toText) : QDate(9999, 12, 31);
    if (!from.isValid() || !to.isValid())
        return Usage(QStringLiteral("give dates as YYYY-M-D or MM/dd/yyyy"));
    Error error;
    if (!CheckExportDestination(destination, &error)) {
        Err(error.description);
        return kFailed;
    }
    if (!LoadCallTexts())
        return kFailed;

    ExportRequest request;
    bool missing = false;
    if (!SelectCalls(catalogue, all, args, &request.calls, &missing))
        return kFailed;
    request.calls.removeIf([&](const CallRecord& call) { return call.Date < from || call.Date > to; });
    if (request.calls.isEmpty()) {
        Err(QStringLiteral("%1: no calls to export").arg(catalogue));
        return kFailed;
    }
    request.recordingsFolder = FolderOf(QFileInfo(catalogue).absoluteFilePath());
    request.destination = QFileInfo(destination).absoluteFilePath();
    request.mp3Option = mp3 ? 1 : 0;

    ClaimTempFolder(catalogue);
    CliProgress progress(true);
    const ExportResult result = ExportCalls(request, progress);
    CloseFrontEnd();
    switch (result.outcome) {
    case ConvertOutcome::RecordsNotFound:
    case ConvertOutcome::ConverterMissing:
        Err(result.message);
        return kFailed;
    case ConvertOutcome::Cancelled:
        Err(QStringLiteral("qlmtool export: cancelled; nothing was exported"));
        return kFailed;
    case ConvertOutcome::Finished:
        break;
    }
    for (const ExportedCall& call : result.calls)
        Out(QStringList{DateDisplayText(call.record.Date), TimeDisplayText(call.record.Time), call.file}.join(u'\t'));
    return result.error.IsSet() || !result.failed.isEmpty() || missing ? kFailed : kOk;
}

}  // namespace qlm::cli
