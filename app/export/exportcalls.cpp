#include "app/export/exportcalls.h"

#include <QSet>

#include "app/card/recording.h"
#include "app/catalogue/store.h"
#include "app/export/exportsink.h"
#include "app/export/manifest.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "platform/appfolder.h"

namespace qlm {
namespace {

// "name.wav", then "name (2).wav": two calls of the same second (or names
// differing only in letter case) must not overwrite each other.
QString UniqueName(const CallRecord& record, const QString& extension, QSet<QString>* taken) {
    QString name = ReadableFileName(record, extension);
    const QString stem = name.chopped(extension.size() + 1);
    for (int n = 2; taken->contains(name.toCaseFolded()); ++n)
        name = QStringLiteral("%1 (%2).%3").arg(stem).arg(n).arg(extension);
    taken->insert(name.toCaseFolded());
    return name;
}

// The files and manifests into the sink, then Commit() with the share done
// on a line of its own; false with the error set.
bool WriteExport(const QVector<ExportedCall>& calls, const QStringList& sources, const QString& destination,
                 ConvertProgress& progress, Error* error) {
    auto sink = ExportSink::Open(destination, error);
    if (!sink)
        return false;
    for (int i = 0; i < calls.size(); ++i)
        if (!sink->AddFile(calls[i].file, sources[i], error))
            return false;
    if (!sink->AddData(QString::fromLatin1(kManifestCsv), ManifestCsv(calls), error) ||
        !sink->AddData(QString::fromLatin1(kManifestJson), ManifestJson(calls), error))
        return false;
    progress.AddLine(LibStr(str::Writing, QStringLiteral("Writing %1 ...")).arg(destination));
    const int line = progress.LineCount() - 1;
    progress.SelectLine(line);
    int shown = -1;
    return sink->Commit(
        [&](double done) {
            const int percent = static_cast<int>(done * 20) * 5;
            if (percent != shown) {
                shown = percent;
                progress.SetLineText(line, LibStr(str::Writing, QStringLiteral("Writing %1 ...")).arg(destination) +
                                               QStringLiteral(" %1%").arg(percent));
            }
            progress.ProcessEvents();
            return !progress.CancelRequested();
        },
        error);
}

}  // namespace

ExportResult ExportCalls(const ExportRequest& request, ConvertProgress& progress) {
    ExportResult result;
    QVector<ConvertItem> items;
    for (const CallRecord& record : request.calls)
        items << ConvertItem{DateDisplayText(record.Date), TimeDisplayText(record.Time), record.File};
    // Converted into the temp folder, where the conversion keeps its work
    // files: the levelled WAV (or the MP3 beside it) is what gets exported.
    const QString temp = GetTempFolder();
    const ConvertResult converted =
        ConvertRecordings(items, request.recordingsFolder, temp, request.mp3Option, progress);
    result.outcome = converted.outcome;
    result.message = converted.message;
    if (converted.outcome != ConvertOutcome::Finished)
        return result;

    const QString extension = request.mp3Option > 0 ? QStringLiteral("mp3") : QStringLiteral("wav");
    QVector<ExportedCall> calls;
    QStringList sources;
    QSet<QString> taken;
    for (int i = 0; i < converted.results.size() && i < request.calls.size(); ++i) {
        const QString& source = converted.results[i];
        if (source.isEmpty()) {
            result.failed << items[i].dateText + u' ' + items[i].timeText;
            continue;
        }
        ExportedCall call;
        call.record = request.calls[i];
        call.file = UniqueName(call.record, extension, &taken);
        // The levelled WAV is there for MP3 as well; an MP3's own length
        // differs from it only by the encoder's padding.
        const QString name = WorkNameOf(items[i].file, items[i].dateText, items[i].timeText, request.recordingsFolder);
        call.seconds = WavSeconds(PathsFor(name, temp, temp, request.mp3Option).levelled);
        calls << call;
        sources << source;
    }
    if (!result.failed.isEmpty())
        progress.AddLine(LibStr(str::LeftOutNotConverted, QStringLiteral("Left out, not converted: %1"))
                             .arg(result.failed.join(QStringLiteral(", "))));

    if (calls.isEmpty()) {
        result.error =
            Error{err::kFileNotFound,
                  LibStr(str::NoCallConverted, QStringLiteral("No call could be converted; nothing was exported."))};
    } else if (!WriteExport(calls, sources, request.destination, progress, &result.error)) {
        if (result.error.number == kCancelled) {
            result.outcome = ConvertOutcome::Cancelled;
            result.error.Clear();
            return result;
        }
    } else {
        result.exported = static_cast<int>(calls.size());
        result.calls = calls;
    }
    result.summary =
        result.error.IsSet()
            ? LibStr(str::NothingExported, QStringLiteral("Nothing was exported: %1")).arg(result.error.description)
            : LibStr(str::CallsExportedTo, QStringLiteral("%1 calls exported to %2"))
                  .arg(result.exported)
                  .arg(request.destination);
    progress.AddLine(result.summary);
    progress.SelectLine(progress.LineCount() - 1);
    return result;
}

}  // namespace qlm
