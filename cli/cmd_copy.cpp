// qlmtool copy SOURCE DEST: the card's recordings into a folder, as Copy RECs
// copies them.
#include <unistd.h>

#include <cstdio>

#include <QDir>

#include "app/card/copy.h"
#include "app/card/library.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "cli/cli.h"
#include "platform/appfolder.h"
#include "platform/filename.h"

namespace qlm::cli {

int CmdCopy(const QStringList& arguments) {
    if (arguments.size() != 2)
        return Usage("copy");
    QString source = arguments[0];
    QString destination = arguments[1];
    if (!LoadCallTexts())
        return kFailed;
    // A catalogue built on the card would lose its recordings to the next
    // wipe of the card.
    if (IsSameOrInside(destination, source)) {
        Err(LibStr(str::DestinationOnCard));
        return kUsage;
    }
    // Scripts name a destination to be made, as cp -r would; by its bytes,
    // which QDir would not keep.
    if (!MakeFolders(destination)) {
        Err(QStringLiteral("%1: cannot create the folder").arg(destination));
        return kFailed;
    }
    if (!ReachablePath(&source) || !ReachablePath(&destination))
        return kFailed;
    const bool progress = ::isatty(STDERR_FILENO) == 1;
    CopyHooks hooks;
    hooks.copiedFile = [&](int copied, const QString& name) {
        Out(JoinPath(destination, name));
        if (progress)
            std::fprintf(stderr, "\r%d copied", copied);
    };
    hooks.failedFile = [&](const QString& name, const Error& error) {
        if (progress)
            std::fputc('\n', stderr);
        Err(QStringLiteral("%1: not copied (error %2): %3").arg(name).arg(error.number).arg(error.description));
    };
    const CopyResult result = CopyRecordings(source, destination, hooks);
    if (progress && result.copied > 0)
        std::fputc('\n', stderr);
    if (result.listError.IsSet()) {
        Err(QStringLiteral("%1: cannot read the folder").arg(source));
        return kFailed;
    }
    if (result.copied > 0 || result.alreadyThere > 0)
        RememberLibraryFolder(destination);
    for (const QString& line : CopyNoticeLines(result))
        Err(line);
    // Something under a recording's name stayed on the card.
    if (result.notRegular > 0 && result.failed.isEmpty())
        return kFailed;
    if (!result.failed.isEmpty()) {
        Err(QStringLiteral("%1 of %2 files could not be copied")
                .arg(result.failed.size())
                .arg(result.failed.size() + result.copied));
        return kFailed;
    }
    return kOk;
}

}  // namespace qlm::cli
