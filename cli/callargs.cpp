#include "cli/callargs.h"

#include <QDate>
#include <QTime>

#include <QFileInfo>

#include "app/card/calldeletion.h"
#include "app/card/calllookup.h"
#include "app/card/recording.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "cli/cli.h"
#include "platform/error.h"

namespace qlm::cli {

std::unique_ptr<Database> OpenCatalogueForCommand(const QString& path, Error* error) {
    auto db = Database::Open(path, true, error);
    if (db)
        FinishDeletions(db.get(), FolderOf(QFileInfo(path).absoluteFilePath()));
    return db;
}

qsizetype CallArgCount(const QStringList& args, qsizetype at) {
    return at < args.size() && IsRecordingName(args[at]) ? 1 : 2;
}

bool CallArgsReadable(const QStringList& args, qsizetype at) {
    if (CallArgCount(args, at) == 1)
        return true;
    return at + 1 < args.size() && QDate::fromString(args[at], QStringLiteral("MM/dd/yyyy")).isValid() &&
           QTime::fromString(args[at + 1], QStringLiteral("hh:mm:ss")).isValid();
}

bool ResolveCall(Database* db, const QString& catalogue, const QStringList& args, qsizetype at, CallRecord* call) {
    const bool byFile = CallArgCount(args, at) == 1;
    if (!byFile && at + 1 >= args.size()) {
        Err(
            QStringLiteral("qlmtool: a call is named by its recording file, or by its date as MM/dd/yyyy and its "
                           "time as hh:mm:ss"));
        return false;
    }
    const QString named = byFile ? args[at] : args[at] + u' ' + args[at + 1];
    Error error;
    const QVector<CallRecord> calls =
        byFile ? CallsOfFile(db, args[at], &error) : CallsAt(db, args[at], args[at + 1], &error);
    if (error.IsSet()) {
        Err(QStringLiteral("%1: %2: %3").arg(catalogue, named, error.BoxText()));
        return false;
    }
    if (calls.isEmpty()) {
        Err(QStringLiteral("%1: no such call in %2").arg(named, catalogue));
        return false;
    }
    if (calls.size() > 1) {
        QStringList files;
        for (const CallRecord& each : calls)
            files << (each.File.isEmpty() ? QStringLiteral("(row %1)").arg(each.Id) : each.File);
        Err(QStringLiteral("%1: %2 calls at %3; name one by its recording file: %4")
                .arg(catalogue)
                .arg(calls.size())
                .arg(named, files.join(QStringLiteral(", "))));
        return false;
    }
    *call = calls.first();
    return true;
}

}  // namespace qlm::cli
