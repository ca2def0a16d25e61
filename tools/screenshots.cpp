// qlmshots FOLDER: renders every form of QLM6200 to PNG files, offscreen, so
// the program can be looked at without a display.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>

#include "app/card/build.h"
#include "app/player/playfile.h"
#include "app/catalogue/calllistmodel.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/ui/commands.h"
#include "app/ui/frmAbout.h"
#include "app/ui/frmChangepwd.h"
#include "app/ui/frmConverter.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "app/ui/frmSignin.h"
#include "app/ui/frmWriteCom.h"
#include "app/ui/playerpanel.h"
#include "app/ui/startup.h"
#include "platform/appfolder.h"
#include "tools/recsim.h"
#include "tools/speech.h"

namespace {

QString g_folder;

void Save(QWidget* widget, const QString& name) {
    widget->show();
    QApplication::processEvents();
    const QString path = QDir(g_folder).filePath(name + QStringLiteral(".png"));
    if (!widget->grab().save(path))
        std::fprintf(stderr, "qlmshots: cannot write %s\n", path.toLocal8Bit().constData());
    else
        std::printf("%s\n", path.toLocal8Bit().constData());
}

// The player panel on the second call, 1.5 s into it at 1.5x. Its levelled
// WAV is spoken into temp, where the conversion would have put it.
void SavePlayer(qlm::frmMain& main) {
    const qlm::ConvertItem item{main.lvDataModel->Text(1, qlm::kColDate), main.lvDataModel->Text(1, qlm::kColTime)};
    const QString wav = qlm::PlayFileFor(item);
    if (!QFileInfo::exists(wav))
        qlm::sim::SpeakToWav(QStringLiteral("Hello, this is Miller and Sons. We moved the meeting to Thursday."), wav);
    main.playerPanel->SetSignedIn(true);
    main.Layout();
    main.lvData->setCurrentIndex(main.lvDataModel->index(1, qlm::kColDate));
    main.playerPanel->SeekMs(1500);
    main.playerPanel->StepSpeed(2);
    Save(&main, QStringLiteral("main-5-player"));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: qlmshots FOLDER\n");
        return 64;
    }
    g_folder = args[1];
    QDir().mkpath(g_folder);
    if (const int status = qlm::LoadStringLibraryOrFail())
        return status;

    qlm::frmMain main;
    main.resize(1100, 700);
    main.Load(false);
    Save(&main, QStringLiteral("main-1-signed-out"));
    qlm::EnableCommands(main, true);
    Save(&main, QStringLiteral("main-2-signed-in"));
    // A listed catalogue: the demo card's calls, built as Make DB builds them.
    QTemporaryDir card;
    qlm::sim::WriteDemoCard(card.path());
    qlm::BuildHooks hooks;
    const qlm::BuildResult built = qlm::BuildCatalogueIn(card.path(), main.lvDataModel, hooks);
    main.SetPanelText(1, qlm::PrjPublicM().CataloguePath);
    main.SetPanelText(2, qlm::LibStr(75) + u' ' + QString::number(built.listed) + u' ' + qlm::LibStr(76));
    qlm::EnableCatalogueCommands(main, true);
    qlm::EnableConvert(main, false);
    Save(&main, QStringLiteral("main-3-catalogue"));
    for (int row : {1, 3, 4})
        main.lvDataModel->SetChecked(row, true);
    Save(&main, QStringLiteral("main-4-checked"));
    SavePlayer(main);

    qlm::frmAbout about(&main);
    Save(&about, QStringLiteral("frmAbout"));
    qlm::frmSignin signin(&main);
    Save(&signin, QStringLiteral("frmSignin"));
    qlm::frmChangepwd changepwd(&main);
    Save(&changepwd, QStringLiteral("frmChangepwd"));

    // The folder dialog in its five modes.
    static const char* const kModes[] = {"copy", "convert", "play", "make-db", "delete-card"};
    for (int mode = 0; mode < 5; ++mode) {
        qlm::PrjPublicM().SelectMode = static_cast<qint16>(mode);
        qlm::frmSelect select(&main);
        Save(&select, QStringLiteral("frmSelect-%1-%2").arg(mode).arg(QString::fromLatin1(kModes[mode])));
    }
    qlm::PrjPublicM().CloseCatalogue();

    // The converter window as it looks at the end of a run.
    {
        qlm::frmConverter converter(&main);
        converter.RunStarted();
        converter.AddLine(QStringLiteral("/home/user/calls/A2524143.527.mp3"));
        converter.AddLine(QStringLiteral("/home/user/calls/30724090.500.mp3"));
        converter.AddLine(QStringLiteral("  ***  Failed *** "));
        converter.lblStatus->setText(qlm::LibStr(60));
        converter.cmdOK->setEnabled(true);
        converter.cmdCancel->setEnabled(false);
        Save(&converter, QStringLiteral("frmConverter"));
        converter.hide();
    }

    // The comment dialog on a sample call.
    qlm::CallListModel calls;
    qlm::CallRecord call;
    call.Date = QDate(2024, 3, 7);
    call.Time = QTime(9, 5, 0);
    call.Duration = 75;
    call.CallerID = QStringLiteral("5550123");
    call.DialString = QStringLiteral(" ");
    call.Comment = QStringLiteral("Mrs O'Neil rang\nabout the order");
    calls.Append({call});
    qlm::frmWriteCom comment(&main, &calls, 0);
    comment.Load();
    Save(&comment, QStringLiteral("frmWriteCom"));
    return 0;
}
