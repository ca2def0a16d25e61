// qlmtool list [--json] CATALOGUE: every call of a catalogue with the texts
// the list view shows, in the catalogue's order. The printing of the calls
// is shared with qlmtool search.
#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "cli/callargs.h"
#include "cli/cli.h"
#include "platform/appfolder.h"

namespace qlm::cli {

bool LoadCallTexts() {
    // The In/Out, Tel/Mic, Saved and rate texts come from the library.
    const QString library = JoinPath(ApplicationFolder(), QString::fromLatin1(kStringLibraryFile));
    if (LoadStringLibrary(library, QString::fromLatin1(kStringLibrarySection)) != StringLibraryStatus::Loaded) {
        Err(FatalNoStringsText());
        return false;
    }
    return true;
}

void ReportCatalogueError(const QString& catalogue, const Error& error) {
    Err(QStringLiteral("%1: %2 %3 (error %4: %5)")
            .arg(catalogue, LibStr(str::OpenFailed), LibStr(str::OpenFailedReasons))
            .arg(error.number)
            .arg(error.description));
}

bool PrintCallRows(const QString& catalogue, Recordset* rows, bool json) {
    static const char* const kKeys[] = {"date",  "time",   "duration", "callerId",   "dialString",
                                        "inOut", "telMic", "saved",    "sampleRate", "comment"};
    Error error;
    // A table qlm of another program is refused, not printed as blank calls.
    if (!HasCatalogueColumns(*rows, &error)) {
        ReportCatalogueError(catalogue, error);
        return false;
    }
    for (; !rows->AtEnd(); rows->MoveNext(&error)) {
        const CallRecord record = ReadCallRecord(*rows);
        QStringList texts = DisplayTexts(record);
        if (json) {
            QJsonObject object;
            for (int i = 0; i < texts.size(); ++i)
                object.insert(QString::fromLatin1(kKeys[i]), texts[i]);
            // The recording names the call where a time stamp may not.
            if (!record.File.isEmpty())
                object.insert(QStringLiteral("file"), record.File);
            Out(JsonLine(object));
        } else {
            if (!record.File.isEmpty())
                texts << record.File;
            Out(PlainLine(texts));
        }
    }
    if (error.IsSet()) {
        Err(QStringLiteral("%1: error %2: %3").arg(catalogue).arg(error.number).arg(error.description));
        return false;
    }
    return true;
}

int CmdList(const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = TakeFlag(&args, QStringLiteral("--json"));
    if (args.size() != 1)
        return Usage("list");
    if (!LoadCallTexts())
        return kFailed;
    Error error;
    auto db = OpenCatalogueForCommand(args[0], &error);
    auto rows =
        db ? db->OpenRecordset(WithCallIdentity(db.get(), QString::fromLatin1(kSelectAllCalls)), &error) : nullptr;
    if (!rows) {
        ReportCatalogueError(args[0], error);
        return kFailed;
    }
    return PrintCallRows(args[0], rows.get(), json) ? kOk : kFailed;
}

}  // namespace qlm::cli
