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
#include "cli/callargs.h"
#include "cli/cli.h"
#include "cli/convertrun.h"
#include "platform/appfolder.h"
#include "platform/winmsg.h"

namespace qlm::cli {
namespace {

int Usage() {
    Err(QStringLiteral(
        "usage: qlmtool play CATALOGUE (FILE | DATE TIME) [--speed X] [--from SECONDS] [--output FILE.wav]\n"
        "  DATE TIME as the list shows them: MM/dd/yyyy hh:mm:ss; X from 0.5 to 2"));
    return kUsage;
}

// The call named at args[1]; false with the message on stderr.
bool FindCall(const QString& catalogue, const QStringList& args, CallRecord* call) {
    Error error;
    auto db = OpenCatalogueForCommand(catalogue, &error);
    if (!db) {
        ReportCatalogueError(catalogue, error);
        return false;
    }
    return ResolveCall(db.get(), catalogue, args, 1, call);
}

}  // namespace

int CmdPlay(const QStringList& arguments) {
    QStringList args = arguments;
    QString speedText, fromText, output;
    bool haveSpeed = false, haveFrom = false, haveOutput = false;
    if (!TakeOption(&args, QStringLiteral("--speed"), &speedText, &haveSpeed) ||
        !TakeOption(&args, QStringLiteral("--from"), &fromText, &haveFrom) ||
        !TakeOption(&args, QStringLiteral("--output"), &output, &haveOutput) || args.size() < 2 ||
        args.size() != 1 + CallArgCount(args, 1) || (haveOutput && output.isEmpty()))
        return Usage();
    bool speedOk = true, fromOk = true;
    const double speed = haveSpeed ? speedText.toDouble(&speedOk) : 1.0;
    const double from = haveFrom ? fromText.toDouble(&fromOk) : 0.0;
    if (!speedOk || !fromOk || speed < kPlayerSpeeds[0] || speed > kPlayerSpeeds[kPlayerSpeedCount - 1] || from < 0)
        return Usage();
    const QString catalogue = args[0];
    if (!LoadCallTexts())
        return kFailed;
    CallRecord call;
    if (!FindCall(catalogue, args, &call))
        return kFailed;
    const ConvertItem item{DateDisplayText(call.Date), TimeDisplayText(call.Time), call.File};
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
