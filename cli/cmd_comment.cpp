// qlmtool comment CATALOGUE MM/dd/yyyy hh:mm:ss TEXT: stores the comment on
// the call as the comment dialog does (an empty TEXT clears it).
#include <QDate>
#include <QTime>

#include "app/catalogue/comments.h"
#include "app/catalogue/engine.h"
#include "cli/cli.h"

namespace qlm::cli {

int CmdComment(const QStringList& args) {
    if (args.size() != 4)
        return Usage("comment");
    const QString& path = args[0];
    const QString& date = args[1];
    const QString& time = args[2];
    if (!QDate::fromString(date, QStringLiteral("MM/dd/yyyy")).isValid() ||
        !QTime::fromString(time, QStringLiteral("hh:mm:ss")).isValid()) {
        Err(QStringLiteral("qlmtool: the call is named by its date as MM/dd/yyyy and its time as hh:mm:ss"));
        return kUsage;
    }
    Error error;
    auto db = Database::Open(path, true, &error);
    if (!db) {
        Err(QStringLiteral("%1: %2").arg(path, error.BoxText()));
        return kFailed;
    }
    int changed = 0;
    if (!WriteCatalogueComment(db.get(), date, time, args[3], &error, &changed)) {
        Err(QStringLiteral("%1: the comment was not stored: %2").arg(path, error.BoxText()));
        return kFailed;
    }
    if (changed == 0) {
        Err(QStringLiteral("%1: no call at %2 %3").arg(path, date, time));
        return kFailed;
    }
    return kOk;
}

}  // namespace qlm::cli
