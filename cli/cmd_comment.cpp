// qlmtool comment CATALOGUE (FILE | MM/dd/yyyy hh:mm:ss) TEXT: stores the
// comment on the call as the comment dialog does (an empty TEXT clears it).
#include "app/catalogue/callrecord.h"
#include "app/catalogue/comments.h"
#include "app/catalogue/engine.h"
#include "cli/callargs.h"
#include "cli/cli.h"

namespace qlm::cli {

int CmdComment(const QStringList& args) {
    if (args.size() < 3 || args.size() != 2 + CallArgCount(args, 1))
        return Usage("comment");
    const QString& path = args[0];
    if (!CallArgsReadable(args, 1)) {
        Err(
            QStringLiteral("qlmtool: the call is named by its recording file, or by its date as MM/dd/yyyy and its "
                           "time as hh:mm:ss"));
        return kUsage;
    }
    Error error;
    auto db = OpenCatalogueForCommand(path, &error);
    if (!db) {
        Err(QStringLiteral("%1: %2").arg(path, error.BoxText()));
        return kFailed;
    }
    CallRecord call;
    if (!ResolveCall(db.get(), path, args, 1, &call))
        return kFailed;
    int changed = 0;
    if (!WriteCatalogueComment(db.get(), DateDisplayText(call.Date), TimeDisplayText(call.Time), args.last(), &error,
                               &changed, call.Id)) {
        Err(QStringLiteral("%1: the comment was not stored: %2").arg(path, error.BoxText()));
        return kFailed;
    }
    if (changed == 0) {
        Err(QStringLiteral("%1: no call at %2").arg(path, args.mid(1, args.size() - 2).join(u' ')));
        return kFailed;
    }
    return kOk;
}

}  // namespace qlm::cli
