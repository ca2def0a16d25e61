// qlmtool verify [--json] CATALOGUE: reads every call's recording again and
// compares it with the SHA-256 taken when it was copied off the card. Prints
// each call that is not unchanged; exit 0 only when all are.
#include <QFileInfo>

#include "app/card/verify.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "cli/callargs.h"
#include "cli/cli.h"

namespace qlm::cli {

int CmdVerify(const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = TakeFlag(&args, QStringLiteral("--json"));
    if (args.size() != 1)
        return Usage("verify");
    if (!LoadCallTexts())
        return kFailed;
    const QString& catalogue = args[0];
    Error error;
    auto db = OpenCatalogueForCommand(catalogue, &error);
    if (!db) {
        ReportCatalogueError(catalogue, error);
        return kFailed;
    }
    static const char* const kStates[] = {"unchanged", "changed", "missing", "unreadable", "no-checksum"};
    const VerifyResult result = VerifyRecordings(db.get(), FolderOf(QFileInfo(catalogue).absoluteFilePath()));
    if (result.error.IsSet()) {
        ReportCatalogueError(catalogue, result.error);
        return kFailed;
    }
    for (const CheckedCall& call : result.calls) {
        if (json) {
            Out(JsonLine({{QStringLiteral("file"), call.file},
                          {QStringLiteral("date"), call.dateText},
                          {QStringLiteral("time"), call.timeText},
                          {QStringLiteral("state"), QString::fromLatin1(kStates[int(call.state)])}}));
        } else if (call.state != RecordingCheck::Unchanged) {
            Out(PlainLine({call.file, call.dateText, call.timeText, CheckText(call.state)}));
        }
    }
    Err(VerifySummaryText(result));
    return result.AllMatch() ? kOk : kFailed;
}

}  // namespace qlm::cli
