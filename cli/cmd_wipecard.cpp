// qlmtool wipe-card FOLDER [--yes] [--json]: deletes the card's recordings as
// the Delete CF command does. Without --yes it asks on a terminal and refuses
// when nobody can answer.
#include <cstdio>
#include <unistd.h>

#include "app/card/cardwipe.h"
#include "cli/cli.h"

namespace qlm::cli {

namespace {

bool Confirmed(const QString& folder, int count) {
    if (!::isatty(STDIN_FILENO)) {
        Err(QStringLiteral("qlmtool: wipe-card deletes for good; give --yes to run without a terminal"));
        return false;
    }
    std::fprintf(stderr, "Delete %d recording(s) in %s? This cannot be undone. [y/N] ", count,
                 folder.toLocal8Bit().constData());
    std::fflush(stderr);
    char line[64] = {};
    if (!std::fgets(line, sizeof line, stdin))
        return false;
    const QString answer = QString::fromLocal8Bit(line).trimmed().toLower();
    return answer == u"y" || answer == u"yes";
}

}  // namespace

int CmdWipeCard(const QStringList& arguments) {
    QStringList args = arguments;
    const bool yes = TakeFlag(&args, QStringLiteral("--yes"));
    const bool json = TakeFlag(&args, QStringLiteral("--json"));
    if (args.size() != 1)
        return Usage("wipe-card");
    const QString folder = args.first();
    Error error;
    const QStringList names = CardRecordingNames(folder, &error);
    if (error.IsSet()) {
        Err(QStringLiteral("%1: %2").arg(folder, error.description));
        return kFailed;
    }
    if (names.isEmpty())
        return kOk;
    if (!yes && !Confirmed(folder, int(names.size())))
        return kFailed;
    const CardWipeResult result = DeleteCardRecordingsIn(folder);
    for (const QString& name : result.deleted)
        Out(json ? JsonLine({{QStringLiteral("file"), name}, {QStringLiteral("deleted"), true}}) : name);
    for (const QString& name : result.failed)
        Err(QStringLiteral("%1: could not be deleted").arg(name));
    if (result.error.IsSet())
        Err(QStringLiteral("%1: %2").arg(folder, result.error.description));
    return result.failed.isEmpty() && !result.error.IsSet() ? kOk : kFailed;
}

}  // namespace qlm::cli
