// qlmtool play CATALOGUE DATE TIME [--speed X] [--from SECONDS] [--output FILE]:
// plays a call through the default sound output, at a speed with the pitch
// kept, or writes exactly what would be heard to a WAV file. The levelled
// WAV comes from the conversion into the temp folder, as in the window.
#include <QCoreApplication>
#include <QFileInfo>

#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/player/playercore.h"
#include "app/player/playerout.h"
#include "app/player/playfile.h"
#include "app/player/wavfile.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "cli/cli.h"
#include "cli/convertrun.h"
#include "platform/appfolder.h"
#include "platform/winmsg.h"

namespace qlm::cli {
namespace {

int Usage() {
    Err(
        QStringLiteral("usage: qlmtool play CATALOGUE DATE TIME [--speed X] [--from SECONDS] [--output FILE.wav]\n"
                       "  DATE TIME as the list shows them: MM/dd/yyyy hh:mm:ss; X from 0.5 to 2"));
    return kUsage;
}

// The call's row in the catalogue; false with the message on stderr.
bool FindCall(const QString& catalogue, const QString& date, const QString& time) {
    Error error;
    auto db = Database::Open(catalogue, true, &error);
    auto rows = db ? db->OpenRecordset(QString::fromLatin1(kSelectAllCalls), &error) : nullptr;
    if (!rows) {
        ReportCatalogueError(catalogue, error);
        return false;
    }
    for (; !rows->AtEnd() && !error.IsSet(); rows->MoveNext(&error)) {
        const QStringList texts = DisplayTexts(ReadCallRecord(*rows));
        if (texts.value(0) == date && texts.value(1) == time)
            return true;
    }
    if (error.IsSet())
        Err(QStringLiteral("%1: error %2: %3").arg(catalogue).arg(error.number).arg(error.description));
    else
        Err(QStringLiteral("%1 %2: no such call in %3").arg(date, time, catalogue));
    return false;
}

}  // namespace

int CmdPlay(const QStringList& arguments) {
    QStringList args = arguments;
    QString speedText, fromText, output;
    bool haveSpeed = false, haveFrom = false, haveOutput = false;
    if (!TakeOption(&args, QStringLiteral("--speed"), &speedText, &haveSpeed) ||
        !TakeOption(&args, QStringLiteral("--from"), &fromText, &haveFrom) ||
        !TakeOption(&args, QStringLiteral("--output"), &output, &haveOutput) || args.size() != 3 ||
        (haveOutput && output.isEmpty()))
        return Usage();
    bool speedOk = true, fromOk = true;
    const double speed = haveSpeed ? speedText.toDouble(&speedOk) : 1.0;
    const double from = haveFrom ? fromText.toDouble(&fromOk) : 0.0;
    if (!speedOk || !fromOk || speed < kPlayerSpeeds[0] || speed > kPlayerSpeeds[kPlayerSpeedCount - 1] || from < 0)
        return Usage();
    const QString catalogue = args[0];
    const ConvertItem item{args[1], args[2]};

    if (!LoadCallTexts())
        return kFailed;
    if (!FindCall(catalogue, item.dateText, item.timeText))
        return kFailed;
    // Without a sound output there is nothing to wait for: say so before the
    // conversion's work.
    if (!haveOutput && !PlayerOutput::HasDevice()) {
        Err(LibStr(str::NoSoundOutput,
                   QStringLiteral("No sound output on this computer: calls cannot be played here.")));
        return kFailed;
    }

    ClaimTempFolder(catalogue);
    PlayFileHooks hooks;
    hooks.stage = [](const QString& stage) { Err(stage); };
    hooks.processEvents = [] { CurrentWindowSystem().ProcessEvents(); };
    QString path, error;
    PlayerCore core;
    if (!PreparePlayFile(item, FolderOf(QFileInfo(catalogue).absoluteFilePath()), hooks, &path, &error) ||
        !core.Load(path, &error)) {
        Err(LibStr(str::CannotPlay, QStringLiteral("This call cannot be played:")) + u' ' + error);
        return kFailed;
    }
    core.SetSpeed(speed);
    core.Seek(static_cast<qint64>(from * 1000));

    if (haveOutput) {
        if (!WritePlayerWav(output, core.RenderAll(), &error)) {
            Err(error);
            return kFailed;
        }
        return kOk;
    }
    PlayerOutput sound(core);
    QObject::connect(&sound, &PlayerOutput::Finished, qApp, &QCoreApplication::quit);
    if (!sound.Play()) {
        Err(LibStr(str::NoSoundOutput,
                   QStringLiteral("No sound output on this computer: calls cannot be played here.")));
        return kFailed;
    }
    return QCoreApplication::exec() == 0 ? kOk : kFailed;
}

}  // namespace qlm::cli
