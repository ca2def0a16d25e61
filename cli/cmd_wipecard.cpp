// qlmtool wipe-card FOLDER --library FOLDER [--yes] [--json]: deletes the
// card's recordings as the Delete CF command does: only those the library
// folder holds a copy of (same bytes); the others stay and are listed.
// Without --yes it asks on a terminal and refuses when nobody can answer.
#include <cstdio>
#include <unistd.h>

#include "app/card/cardwipe.h"
#include "cli/cli.h"
#include "platform/filename.h"

namespace qlm::cli {

namespace {

bool Confirmed(const QString& folder, int count) {
    if (!::isatty(STDIN_FILENO)) {
        Err(QStringLiteral("qlmtool: wipe-card deletes for good; give --yes to run without a terminal"));
        return false;
    }
    std::fprintf(stderr, "Delete the recordings in %s that the library holds (%d on the card)? [y/N] ",
                 ShownName(UnaliasPaths(folder)).toUtf8().constData(), count);
    std::fflush(stderr);
    char line[64] = {};
    if (!std::fgets(line, sizeof line, stdin))
        return false;
    const QString answer = QString::fromLocal8Bit(line).trimmed().toLower();
    return answer == u"y" || answer == u"yes";
}

void PrintName(const QString& name, const char* state, bool json) {
    Out(json ? JsonLine({{QStringLiteral("file"), name},
                         {QStringLiteral("deleted"), qstrcmp(state, "deleted") == 0},
                         {QStringLiteral("state"), QString::fromLatin1(state)}})
             : PlainLine({name, QString::fromLatin1(state)}));
}

}  // namespace

int CmdWipeCard(const QStringList& arguments) {
    QStringList args = arguments;
    const bool yes = TakeFlag(&args, QStringLiteral("--yes"));
    const bool json = TakeFlag(&args, QStringLiteral("--json"));
    QString library;
    bool haveLibrary = false;
    if (!TakeOption(&args, QStringLiteral("--library"), &library, &haveLibrary))
        return kUsage;
    if (args.size() != 1)
        return Usage("wipe-card");
    if (!haveLibrary || library.isEmpty()) {
        Err(
            QStringLiteral("qlmtool: wipe-card needs --library FOLDER, the folder the recordings were copied to: "
                           "a recording leaves the card only when the library holds a copy of it"));
        return kUsage;
    }
    QString folder = args.first();
    if (!ReachablePath(&folder) || !ReachablePath(&library))
        return kFailed;
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
    const CardWipeResult result = DeleteCardRecordingsIn(folder, library);
    for (const QString& name : result.deleted)
        PrintName(name, "deleted", json);
    for (const QString& name : result.notInLibrary)
        PrintName(name, "not in library", json);
    for (const QString& name : result.skipped)
        PrintName(name, "not a file", json);
    for (const QString& name : result.failed)
        Err(QStringLiteral("%1: could not be deleted").arg(PlainField(name)));
    if (!result.notInLibrary.isEmpty())
        Err(QStringLiteral("%1 recordings were not deleted because they are not in the library")
                .arg(result.notInLibrary.size()));
    if (!result.skipped.isEmpty())
        Err(QStringLiteral("%1 entries were skipped because they are not regular files").arg(result.skipped.size()));
    if (result.error.IsSet())
        Err(QStringLiteral("%1: %2").arg(folder, result.error.description));
    return result.failed.isEmpty() && result.notInLibrary.isEmpty() && !result.error.IsSet() ? kOk : kFailed;
}

}  // namespace qlm::cli
