// qlmtool convert CATALOGUE --dest DIR [--mp3] (--all | DATE TIME ...): the
// window's conversion for scripts. The recordings go through the same
// stages, with voxform driven through its window exactly as the window
// drives it (on the offscreen platform when there is no display).
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/convert/convertfiles.h"
#include "app/convert/stagelibs.h"
#include "app/strings/strlib.h"
#include "cli/cli.h"
#include "platform/appfolder.h"

namespace qlm::cli {
// The temp folder's intermediate files belong to one catalogue: the window
// empties the folder whenever it opens one. Ours are kept for the next run on
// the same catalogue, and dropped when another one comes, so that a
// recording of the same name on another card never reuses them.
void ClaimTempFolder(const QString& catalogue) {
    const QString temp = GetTempFolder();
    const QString marker = JoinPath(temp, QStringLiteral("qlmtool.catalogue"));
    const QByteArray owner = QFile::encodeName(QFileInfo(catalogue).absoluteFilePath());
    QFile file(marker);
    if (file.open(QIODevice::ReadOnly) && file.readAll() == owner)
        return;
    file.close();
    DeleteFilesIn(temp);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(owner);
}

namespace {

// The converter's lines on the terminal: every change of a line on stderr.
class TerminalProgress : public StringLines {
public:
    void ProcessEvents() { CurrentWindowSystem().ProcessEvents(); }
    void AddLine(const QString& text) override {
        StringLines::AddLine(text);
        Err(text);
    }
    void SetLineText(int index, const QString& text) override {
        if (index >= 0 && index < lines.size() && lines[index] == text)
            return;
        StringLines::SetLineText(index, text);
        Err(text);
    }
};

class CliProgress : public ConvertProgress {
public:
    int LineCount() const override { return lines_.LineCount(); }
    void AddLine(const QString& text) override { lines_.AddLine(text); }
    int SelectedLine() const override { return lines_.SelectedLine(); }
    void SelectLine(int index) override { lines_.SelectLine(index); }
    void SetLineText(int index, const QString& text) override { lines_.SetLineText(index, text); }
    void ProcessEvents() override { lines_.ProcessEvents(); }
    bool CancelRequested() override { return false; }
    const QStringList& Lines() const { return lines_.lines; }

private:
    TerminalProgress lines_;
};

int Usage() {
    Err(QStringLiteral("usage: qlmtool convert CATALOGUE --dest DIR [--mp3] (--all | DATE TIME ...)\n"
                       "  DATE TIME as the list shows them: MM/dd/yyyy hh:mm:ss"));
    return kUsage;
}

}  // namespace

int CmdConvert(const QStringList& arguments) {
    QStringList args = arguments;
    QString destination;
    bool haveDestination = false;
    if (!TakeOption(&args, QStringLiteral("--dest"), &destination, &haveDestination))
        return kUsage;
    const bool mp3 = TakeFlag(&args, QStringLiteral("--mp3"));
    const bool all = TakeFlag(&args, QStringLiteral("--all"));
    if (!haveDestination || destination.isEmpty() || args.isEmpty())
        return Usage();
    const QString catalogue = args.takeFirst();
    if (all == !args.isEmpty() || args.size() % 2 != 0)
        return Usage();
    if (!QFileInfo(destination).isDir()) {
        Err(QStringLiteral("%1: no such folder").arg(destination));
        return kFailed;
    }

    const QString library = JoinPath(ApplicationFolder(), QString::fromLatin1(kStringLibraryFile));
    if (LoadStringLibrary(library, QString::fromLatin1(kStringLibrarySection)) != StringLibraryStatus::Loaded) {
        Err(FatalNoStringsText());
        return kFailed;
    }
    Error error;
    QVector<ConvertItem> items;
    {
        auto db = Database::Open(catalogue, true, &error);
        auto rows = db ? db->OpenRecordset(QString::fromLatin1(kSelectAllCalls), &error) : nullptr;
        if (!rows) {
            Err(QStringLiteral("%1: %2 %3 (error %4: %5)")
                    .arg(catalogue, LibStr(82), LibStr(83))
                    .arg(error.number)
                    .arg(error.description));
            return kFailed;
        }
        QSet<QString> wanted;
        for (int i = 0; i < args.size(); i += 2)
            wanted.insert(args[i] + u' ' + args[i + 1]);
        QSet<QString> found;
        for (; !rows->AtEnd(); rows->MoveNext(&error)) {
            const QStringList texts = DisplayTexts(ReadCallRecord(*rows));
            const ConvertItem item{texts.value(0), texts.value(1)};
            const QString key = item.dateText + u' ' + item.timeText;
            if (all || (wanted.contains(key) && !found.contains(key))) {
                items << item;
                found.insert(key);
            }
        }
        if (error.IsSet()) {
            Err(QStringLiteral("%1: error %2: %3").arg(catalogue).arg(error.number).arg(error.description));
            return kFailed;
        }
        for (const QString& key : std::as_const(wanted))
            if (!found.contains(key))
                Err(QStringLiteral("%1: no such call in %2").arg(key, catalogue));
        if (found.size() != wanted.size() && !all)
            error = Error{1, QStringLiteral("calls not found")};
    }  // the catalogue is closed again before the long work

    ClaimTempFolder(catalogue);
    CliProgress progress;
    const ConvertResult result = ConvertRecordings(items, FolderOf(QFileInfo(catalogue).absoluteFilePath()),
                                                   JoinPath(QFileInfo(destination).absoluteFilePath(), QString()),
                                                   mp3 ? 1 : 0, progress);
    CloseFrontEnd();
    if (result.outcome == ConvertOutcome::RecordsNotFound || result.outcome == ConvertOutcome::ConverterMissing) {
        Err(result.message);
        return kFailed;
    }
    for (const QString& line : progress.Lines())
        Out(line);
    // A missing library fails every line alike; say which one.
    for (const char* lib : {kGainPassLibrary, kMpegPackLibrary})
        if (!StageLibraryError(lib).isEmpty())
            Err(StageLibraryError(lib));
    return result.Failed() > 0 || error.IsSet() ? kFailed : kOk;
}

}  // namespace qlm::cli
