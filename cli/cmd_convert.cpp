// qlmtool convert CATALOGUE --dest DIR [--mp3] (--all | DATE TIME ...): the
// window's conversion for scripts. The recordings go through the same
// stages, with voxform driven through its window exactly as the window
// drives it (on the offscreen platform when there is no display).
#include <QFile>
#include <QFileInfo>

#include "app/catalogue/callrecord.h"
#include "app/catalogue/store.h"
#include "app/convert/convertfiles.h"
#include "app/convert/stagelibs.h"
#include "app/strings/strlib.h"
#include "cli/cli.h"
#include "cli/convertrun.h"
#include "platform/appfolder.h"

namespace qlm::cli {

int CmdConvert(const QStringList& arguments) {
    QStringList args = arguments;
    QString destination;
    bool haveDestination = false;
    if (!TakeOption(&args, QStringLiteral("--dest"), &destination, &haveDestination))
        return kUsage;
    const bool mp3 = TakeFlag(&args, QStringLiteral("--mp3"));
    const bool all = TakeFlag(&args, QStringLiteral("--all"));
    if (!haveDestination || destination.isEmpty() || args.isEmpty())
        return Usage("convert");
    const QString catalogue = args.takeFirst();
    if (all == !args.isEmpty())
        return Usage("convert");
    if (!QFileInfo(destination).isDir()) {
        Err(QStringLiteral("%1: no such folder").arg(destination));
        return kFailed;
    }

    const QString library = JoinPath(ApplicationFolder(), QString::fromLatin1(kStringLibraryFile));
    if (LoadStringLibrary(library, QString::fromLatin1(kStringLibrarySection)) != StringLibraryStatus::Loaded) {
        Err(FatalNoStringsText());
        return kFailed;
    }
    QVector<CallRecord> calls;
    bool missing = false;
    if (!SelectCalls(catalogue, all, args, &calls, &missing))
        return kFailed;
    QVector<ConvertItem> items;
    for (const CallRecord& call : std::as_const(calls))
        items << ConvertItem{DateDisplayText(call.Date), TimeDisplayText(call.Time), call.File};

    ClaimTempFolder(catalogue);
    CliProgress progress;
    const ConvertResult result =
        ConvertRecordings(items, FolderOf(QFileInfo(catalogue).absoluteFilePath()),
                          JoinPath(QFileInfo(destination).absoluteFilePath(), QString()), mp3 ? 1 : 0, progress);
    CloseFrontEnd();
    if (result.outcome == ConvertOutcome::RecordsNotFound || result.outcome == ConvertOutcome::ConverterMissing) {
        Err(result.message);
        return kFailed;
    }
    for (const QString& line : progress.Lines())
        Out(line);
    // A missing library fails every line alike; say which one.
    for (const char* lib : {kGainPassLibrary, kMpegPackLibrary})
        if (!StageLibraryError(lib).isEmpty())
            Err(StageLibraryError(lib));
    return result.Failed() > 0 || missing ? kFailed : kOk;
}

}  // namespace qlm::cli
