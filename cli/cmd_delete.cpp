// qlmtool delete CATALOGUE MM/dd/yyyy hh:mm:ss [MM/dd/yyyy hh:mm:ss ...]:
// deletes calls as the list's Delete does: each call's recording file beside
// the catalogue (its name in any letter case), then the catalogue rows of them
// all. Prints one line a call; a recording that is missing or stays is also
// told on stderr.
#include <QDate>
#include <QFileInfo>
#include <QTime>

#include "app/card/recording.h"
#include "app/card/calldeletion.h"
#include "app/catalogue/deletion.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "cli/cli.h"

namespace qlm::cli {

int CmdDelete(const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = TakeFlag(&args, QStringLiteral("--json"));
    if (args.size() < 3 || args.size() % 2 != 1)
        return Usage("delete");
    QString path = args.takeFirst();
    if (!ReachablePath(&path))
        return kFailed;
    QVector<CallKey> calls;
    for (qsizetype i = 0; i < args.size(); i += 2) {
        const CallKey call{args[i], args[i + 1]};
        if (!QDate::fromString(call.dateText, QStringLiteral("MM/dd/yyyy")).isValid() ||
            !QTime::fromString(call.timeText, QStringLiteral("hh:mm:ss")).isValid()) {
            Err(QStringLiteral("qlmtool: %1 %2: give the date as MM/dd/yyyy and the time as hh:mm:ss")
                    .arg(call.dateText, call.timeText));
            return kUsage;
        }
        calls << call;
    }
    Error error;
    auto db = Database::Open(path, true, &error);
    if (!db) {
        Err(QStringLiteral("%1: %2").arg(path, error.BoxText()));
        return kFailed;
    }
    RecordingLookup recordings(FolderOf(QFileInfo(path).absoluteFilePath()));
    bool failed = false;
    for (const CallKey& call : calls) {
        QString file;
        Error fileError;
        const bool fileGone = DeleteRecordingFileOf(recordings, call, &file, &fileError);
        const bool missing = fileError.number == err::kFileNotFound;
        // The rows go all the same; the user learns what became of the file.
        if (!fileGone) {
            failed = failed || !missing;
            Err(missing ? QStringLiteral("%1 %2: recording not found").arg(call.dateText, call.timeText)
                        : QStringLiteral("%1 %2: recording not deleted: %3")
                              .arg(call.dateText, call.timeText, fileError.description));
        }
        file = QFileInfo(file).fileName();
        if (json)
            Out(JsonLine({{QStringLiteral("date"), call.dateText},
                          {QStringLiteral("time"), call.timeText},
                          {QStringLiteral("file"), file},
                          {QStringLiteral("fileDeleted"), fileGone}}));
        else
            Out(PlainLine({call.dateText, call.timeText, file,
                           fileGone  ? QStringLiteral("deleted")
                           : missing ? QStringLiteral("no file")
                                     : QStringLiteral("not deleted")}));
    }
    const int rows = DeleteCatalogueRows(db.get(), calls, &error);
    if (rows < 0) {
        Err(QStringLiteral("%1: the catalogue rows were not deleted: %2").arg(path, error.BoxText()));
        return kFailed;
    }
    Err(QStringLiteral("%1 catalogue row(s) deleted").arg(rows));
    return failed ? kFailed : kOk;
}

}  // namespace qlm::cli
