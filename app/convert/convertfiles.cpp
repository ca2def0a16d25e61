#include "app/convert/convertfiles.h"
#include "app/strings/strnames.h"
#include "app/textnumber.h"

#include <QDirIterator>
#include <QFileInfo>

#include <cmath>
#include <limits>

#include "app/card/recording.h"
#include "app/catalogue/store.h"
#include "app/convert/stagelibs.h"
#include "app/strings/strlib.h"
#include "kvc/frames.h"
#include "platform/appfolder.h"
#include "platform/runfolder.h"

namespace qlm {
namespace {

constexpr qint16 kStageWaitMs = 2000;
// The reason on the line of a recording without audio.

bool Exists(const QString& path) { return QFileInfo(path).isFile(); }

// Codec data that does not hold one whole frame (a recording of its header
// alone) has no audio to decode; an unreadable file is left to the decode
// to report.
bool HoldsAudio(const QString& datPath) {
    QFile file(datPath);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    char first = 0;
    if (!file.getChar(&first))
        return false;
    return file.size() >= kvc::FrameLength(static_cast<uint8_t>(first));
}

bool FolderHasFile(const QString& folder) {
    if (folder.isEmpty())
        return false;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    return it.hasNext();
}

// One stage: its line text, a cancel point, then the work. False when the
// run was cancelled before the work.
template <typename Work>
bool RunStage(ConvertProgress& progress, int line, const QString& text, Work work) {
    progress.SetLineText(line, text);
    progress.ProcessEvents();
    if (progress.CancelRequested())
        return false;
    work();
    return true;
}

}  // namespace

ConvertPaths PathsFor(const QString& name, const QString& tempFolder, const QString& destination, int mp3Option) {
    ConvertPaths paths;
    paths.dat = JoinPath(tempFolder, name + QStringLiteral(".Dat"));
    paths.decoded = JoinPath(tempFolder, name + QStringLiteral(".qlm.wav"));
    if (mp3Option > 0) {
        paths.levelled = JoinPath(tempFolder, name + QStringLiteral(".wav"));
        paths.mp3 = JoinPath(destination, name + QStringLiteral(".mp3"));
        paths.result = paths.mp3;
    } else {
        paths.levelled = JoinPath(destination, name + QStringLiteral(".wav"));
        paths.result = paths.levelled;
    }
    return paths;
}

QString StatusPrefix(int index, int count, const ConvertItem& item) {
    return QStringLiteral("%1/%2 -  %3 %4 :  ").arg(index + 1).arg(count).arg(item.dateText, item.timeText);
}

qint16 Mp3OptionFor(int selectedOption, const QString& text) {
    switch (selectedOption) {
    case 1:
        return 1;
    case 2:
        return 10;
    case 3:
        return 20;
    case 4: {
        const double value = std::floor(ValOf(text) * 10);
        // A large factor still means MP3, and a large negative one WAV.
        if (value > std::numeric_limits<qint16>::max())
            return std::numeric_limits<qint16>::max();
        if (value < std::numeric_limits<qint16>::min())
            return std::numeric_limits<qint16>::min();
        return static_cast<qint16>(value);
    }
    default:
        return 0;
    }
}

QString RecordsNotFoundMessage(const QString& recordingsFolder) {
    if (FolderHasFile(recordingsFolder))
        return QString();
    return QStringLiteral("Records not found: ") + JoinPath(recordingsFolder, QString());
}

QString ConverterMissingMessage() {
    const QString app = ApplicationFolder();
    if (Exists(JoinPath(app, kFrontEndProgram.toString())) && Exists(JoinPath(app, QStringLiteral("libkvc.so"))))
        return QString();
    return QStringLiteral("SNXL Converter not found: voxform.exe");
}

ConvertResult ConvertRecordings(const QVector<ConvertItem>& items, const QString& recordingsFolder,
                                const QString& destination, int mp3Option, ConvertProgress& progress) {
    ConvertResult result;
    result.message = RecordsNotFoundMessage(recordingsFolder);
    if (!result.message.isEmpty()) {
        result.outcome = ConvertOutcome::RecordsNotFound;
        return result;
    }
    result.message = ConverterMissingMessage();
    if (!result.message.isEmpty()) {
        result.outcome = ConvertOutcome::ConverterMissing;
        return result;
    }

    CloseFrontEnd();
    progress.RunStarted();
    const QString temp = GetTempFolder();
    RecordingLookup recordings(recordingsFolder);
    const int count = static_cast<int>(items.size());
    for (int i = 0; i < count; ++i) {
        const ConvertItem& item = items[i];
        const QString prefix = StatusPrefix(i, count, item);
        progress.AddLine(prefix);
        const int line = progress.LineCount() - 1;
        progress.SelectLine(line);

        // A line whose date or time cannot be read names no file; it must not
        // run the stages on files called ".Dat", ".wav", ... that every such
        // line would share.
        const QString name = WorkNameOf(item.file, item.dateText, item.timeText, recordingsFolder);
        const bool named = !name.isEmpty();
        const ConvertPaths paths = PathsFor(name, temp, destination, mp3Option);
        bool cancelled = false;
        if (named && !Exists(paths.dat)) {
            cancelled = !RunStage(progress, line, prefix + QStringLiteral("Converting to Dat ..."), [&] {
                // The card's name may differ in letter case; the work files
                // keep the usual name.
                const QString source = recordings.PathOfCall(item.file, item.dateText, item.timeText);
                CallSkipCopy(RecordingHeaderSize, source.isEmpty() ? JoinPath(recordingsFolder, name) : source,
                             paths.dat);
                WaitForFile(paths.dat, kStageWaitMs);
                KeepToOwner(paths.dat);
            });
        }
        // Nothing to hear: the front-end is not asked (it would only fail),
        // and no later stage runs.
        const bool silent = named && !Exists(paths.decoded) && Exists(paths.dat) && !HoldsAudio(paths.dat);
        if (!cancelled && named && !silent && !Exists(paths.decoded)) {
            cancelled = !RunStage(progress, line, prefix + QStringLiteral("Converting to Wav ..."), [&] {
                DecodeWithFrontEnd(paths.dat, paths.decoded, progress);
                KeepToOwner(paths.decoded);
            });
        }
        if (!cancelled && named && !silent && !Exists(paths.levelled)) {
            cancelled = !RunStage(progress, line, prefix + QStringLiteral("Processing HQGC..."), [&] {
                CallGainPass(paths.decoded, paths.levelled, kGainLevel);
                WaitForFile(paths.levelled, kStageWaitMs);
                KeepToOwner(paths.levelled);
            });
        }
        if (!cancelled && named && !silent && mp3Option > 0 && !Exists(paths.mp3)) {
            cancelled = !RunStage(progress, line, prefix + QStringLiteral("Converting to MP3..."), [&] {
                CallMpegPack(paths.levelled, paths.mp3, mp3Option);
                WaitForFile(paths.mp3, kStageWaitMs);
                KeepToOwner(paths.mp3);
            });
        }
        if (cancelled) {
            result.outcome = ConvertOutcome::Cancelled;
            return result;
        }
        const bool made = named && !silent && Exists(paths.result);
        const QString reason =
            silent ? LibStr(str::NoAudioInRecording, QStringLiteral("No audio in the recording")) : QString();
        progress.SetLineText(line, prefix + (made ? paths.result : reason + kFailedMark.toString()));
        result.results << (made ? paths.result : QString());
        progress.ProcessEvents();
        if (progress.CancelRequested()) {
            result.outcome = ConvertOutcome::Cancelled;
            return result;
        }
    }
    result.outcome = ConvertOutcome::Finished;
    return result;
}

}  // namespace qlm
