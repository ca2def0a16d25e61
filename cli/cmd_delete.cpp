// qlmtool delete CATALOGUE CALL [CALL ...], a call named by its recording
// file (B1124101.010) or by its date and time (MM/dd/yyyy hh:mm:ss): deletes
// calls as the list's Delete does: each call's recording file beside the
// catalogue goes to the trash (where the file system has one), then its
// catalogue rows, under the deletion journal. A date and time that several
// calls share names none of them: the command refuses and lists their files.
// Prints one line a call; a recording that is missing or stays is also told
// on stderr.
#include <QDate>
#include <QFileInfo>
#include <QTime>

#include "app/card/calldeletion.h"
#include "app/card/recording.h"
#include "app/catalogue/callrecord.h"
#include "app/catalogue/deletion.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "cli/cli.h"

namespace qlm::cli {
namespace {

bool IsMoment(const QString& date, const QString& time) {
    return QDate::fromString(date, QStringLiteral("MM/dd/yyyy")).isValid() &&
           QTime::fromString(time, QStringLiteral("hh:mm:ss")).isValid();
}

// The calls the arguments name, before the catalogue is read: a recording
// name or a date and time pair each. False (with the message) on others.
bool ParseCalls(const QStringList& args, QVector<CallKey>* calls) {
    for (qsizetype i = 0; i < args.size();) {
        if (IsRecordingName(args[i])) {
            calls->append(CallKey{QString(), QString(), 0, args[i++]});
            continue;
        }
        if (i + 1 < args.size() && IsMoment(args[i], args[i + 1])) {
            calls->append(CallKey{args[i], args[i + 1]});
            i += 2;
            continue;
        }
        Err(QStringLiteral("qlmtool: %1: name a call by its recording file, or by its date as MM/dd/yyyy and its "
                           "time as hh:mm:ss")
                .arg(PlainField(args[i])));
        return false;
    }
    return true;
}

// A date and time becomes the one call it names, with its file; one that
// several calls share is refused with their files listed.
bool NameOneCall(Database* db, const QString& folder, CallKey* call) {
    // A file names its call; its moment is for the printed line.
    if (!call->file.isEmpty()) {
        StampTextsOfName(call->file, &call->dateText, &call->timeText);
        return true;
    }
    Error error;
    const QStringList files = RecordingsOfMoment(db, folder, call->dateText, call->timeText, &error);
    if (error.IsSet()) {
        Err(QStringLiteral("qlmtool: %1 %2: %3").arg(call->dateText, call->timeText, error.BoxText()));
        return false;
    }
    if (files.size() > 1) {
        Err(QStringLiteral("qlmtool: %1 %2 names %3 calls; name the one to delete by its recording file: %4")
                .arg(call->dateText, call->timeText)
                .arg(files.size())
                .arg(PlainField(files.join(u' '))));
        return false;
    }
    if (files.size() == 1)
        call->file = files.first();
    return true;
}

}  // namespace

int CmdDelete(const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = TakeFlag(&args, QStringLiteral("--json"));
    if (args.size() < 2)
        return Usage("delete");
    QString path = args.takeFirst();
    if (!ReachablePath(&path))
        return kFailed;
    QVector<CallKey> calls;
    if (!ParseCalls(args, &calls))
        return kUsage;
    Error error;
    auto db = Database::Open(path, true, &error);
    if (!db) {
        Err(QStringLiteral("%1: %2").arg(path, error.BoxText()));
        return kFailed;
    }
    const QString folder = FolderOf(QFileInfo(path).absoluteFilePath());
    // A run killed before is completed first, so the calls are read as they are.
    if (!FinishDeletions(db.get(), folder, &error)) {
        Err(QStringLiteral("%1: an interrupted deletion could not be completed: %2").arg(path, error.BoxText()));
        return kFailed;
    }
    for (CallKey& call : calls)
        if (!NameOneCall(db.get(), folder, &call))
            return kFailed;
    const DeletionResult result = DeleteCalls(db.get(), folder, calls, Disposal::Trash);
    bool failed = false;
    for (qsizetype i = 0; i < calls.size(); ++i) {
        const CallKey& call = calls[i];
        const CallOutcome& outcome = result.calls[i];
        const QString named = call.dateText.isEmpty() ? outcome.file : call.dateText + u' ' + call.timeText;
        const bool fileGone = outcome.state == CallOutcome::Deleted;
        const bool missing = outcome.state == CallOutcome::NoFile;
        // The rows go all the same; the user learns what became of the file.
        if (outcome.state == CallOutcome::Kept) {
            failed = true;
            Err(QStringLiteral("%1: recording not deleted, the call is kept: %2").arg(named, outcome.reason));
        } else if (missing) {
            Err(QStringLiteral("%1: recording not found").arg(named));
        } else if (outcome.state == CallOutcome::Skipped) {
            Err(QStringLiteral("%1: %2 is not a regular file; left as it is").arg(named, PlainField(outcome.file)));
        }
        if (json)
            Out(JsonLine({{QStringLiteral("date"), call.dateText},
                          {QStringLiteral("time"), call.timeText},
                          {QStringLiteral("file"), outcome.file},
                          {QStringLiteral("fileDeleted"), fileGone}}));
        else
            Out(PlainLine({call.dateText, call.timeText, outcome.file,
                           fileGone                                ? QStringLiteral("deleted")
                           : missing                               ? QStringLiteral("no file")
                           : outcome.state == CallOutcome::Skipped ? QStringLiteral("not a file")
                                                                   : QStringLiteral("not deleted")}));
    }
    if (result.error.IsSet()) {
        Err(QStringLiteral("%1: the catalogue rows were not deleted: %2").arg(path, result.error.BoxText()));
        return kFailed;
    }
    Err(QStringLiteral("%1 catalogue row(s) deleted").arg(result.rows));
    return failed ? kFailed : kOk;
}

}  // namespace qlm::cli
