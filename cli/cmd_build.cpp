// qlmtool build [--json] FOLDER: a new catalogue of the folder's recordings,
// as Make DB builds it; prints its path and row count.
#include "app/card/build.h"
#include "app/catalogue/engine.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "cli/cli.h"

namespace qlm::cli {

int CmdBuild(const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = TakeFlag(&args, QStringLiteral("--json"));
    if (args.size() != 1)
        return Usage("build");
    if (!ReachablePath(&args[0]) || !LoadCallTexts())
        return kFailed;
    BuildHooks hooks;
    hooks.unreadable = [](const QString& path, const Error& error) {
        Err(QStringLiteral("%1: skipped, header not readable (error %2): %3")
                .arg(path)
                .arg(error.number)
                .arg(error.description));
    };
    PrjPublicM().CloseCatalogue();
    const BuildResult result = BuildCatalogueIn(args[0], nullptr, hooks);
    // Released before the path is printed: whoever reads it may open the file at once.
    if (result.database)
        result.database->Close();
    if (result.error.IsSet()) {
        Err(QStringLiteral("%1: the catalogue could not be built (error %2): %3")
                .arg(result.path.isEmpty() ? args[0] : result.path)
                .arg(result.error.number)
                .arg(result.error.description));
        return kFailed;
    }
    if (const QString carried = CarryNoticeText(result.carried); !carried.isEmpty())
        Err(carried);
    if (result.notRegular > 0)
        Err(LibStr(str::CopyNotRegular).arg(result.notRegular));
    if (json) {
        Out(JsonLine({{QStringLiteral("path"), result.path},
                      {QStringLiteral("rows"), result.rows},
                      {QStringLiteral("skipped"), result.skipped},
                      {QStringLiteral("commentsCarried"), result.carried.comments}}));
    } else {
        Out(result.path + u'\t' + QString::number(result.rows));
    }
    // The catalogue is usable, but not every recording is in it.
    return result.skipped > 0 || result.notRegular > 0 ? kFailed : kOk;
}

}  // namespace qlm::cli
