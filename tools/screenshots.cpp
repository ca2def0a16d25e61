// qlmshots FOLDER [--size WxH] [--lang CODE] [--layout FILE.json]: renders
// every form of QLM6200 to PNG files, offscreen, so the program can be
// looked at without a display: the main window at the given size, in the
// language of lang/strLib.CODE.ini, and with a report of every form's
// layout (tools/layoutreport.h).
#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
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
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmAbout.h"
#include "app/ui/frmBackup.h"
#include "app/ui/frmChangepwd.h"
#include "app/ui/frmConverter.h"
#include "app/ui/frmExport.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmPrune.h"
#include "app/ui/frmSelect.h"
#include "app/ui/frmSignin.h"
#include "app/ui/frmWriteCom.h"
#include "app/ui/playerpanel.h"
#include "app/ui/startup.h"
#include "platform/appfolder.h"
#include "tools/layoutreport.h"
#include "tools/recsim.h"
#include "tools/speech.h"

namespace {

QString g_folder;
QJsonArray* g_layout = nullptr;

void Save(QWidget* widget, const QString& name) {
    widget->show();
    QApplication::processEvents();
    if (g_layout)
        g_layout->append(qlm::LayoutReport(widget, name));
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
    main.UpdateMinimumSize();
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
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("where the PNG files go"));
    const QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("main window size"),
                                        QStringLiteral("WxH"), QStringLiteral("1100x700"));
    const QCommandLineOption langOption(QStringLiteral("lang"), QStringLiteral("language code"),
                                        QStringLiteral("CODE"));
    const QCommandLineOption layoutOption(QStringLiteral("layout"), QStringLiteral("layout report"),
                                          QStringLiteral("FILE.json"));
    parser.addOptions({sizeOption, langOption, layoutOption});
    parser.process(app);
    const QStringList size = parser.value(sizeOption).split(u'x');
    if (parser.positionalArguments().size() != 1 || size.size() != 2 || size[0].toInt() <= 0 || size[1].toInt() <= 0) {
        std::fprintf(stderr, "usage: qlmshots FOLDER [--size WxH] [--lang CODE] [--layout FILE.json]\n");
        return 64;
    }
    g_folder = parser.positionalArguments().constFirst();
    QDir().mkpath(g_folder);
    if (const int status = qlm::LoadStringLibraryOrFail())
        return status;
    if (parser.isSet(langOption)) {
        const QString file =
            qlm::JoinPath(qlm::ApplicationFolder(), QStringLiteral("lang/strLib.%1.ini").arg(parser.value(langOption)));
        if (qlm::LoadStringLibrary(file, QString::fromLatin1(qlm::kStringLibrarySection)) !=
            qlm::StringLibraryStatus::Loaded) {
            std::fprintf(stderr, "qlmshots: cannot load %s\n", file.toLocal8Bit().constData());
            return 66;
        }
    }
    QJsonArray layout;
    if (parser.isSet(layoutOption))
        g_layout = &layout;

    qlm::frmMain main;
    main.resize(size[0].toInt(), size[1].toInt());
    main.Load(false);
    Save(&main, QStringLiteral("main-1-signed-out"));
    qlm::EnableCommands(main, true);
    Save(&main, QStringLiteral("main-2-signed-in"));
    // A listed catalogue: the demo card's calls, built as Make DB builds them.
    QTemporaryDir card;
    qlm::sim::WriteDemoCard(card.path());
    qlm::BuildHooks hooks;
    const qlm::BuildResult built = qlm::BuildCatalogueIn(card.path(), main.lvDataModel, hooks);
    qlm::PrjPublicM().CatalogueDatabase = built.database;
    qlm::PrjPublicM().CataloguePath = built.path;
    qlm::PrjPublicM().RecordingsFolder = card.path();
    main.SetPanelText(1, qlm::PrjPublicM().CataloguePath);
    main.SetPanelText(
        2, qlm::LibStr(qlm::str::Total) + u' ' + QString::number(built.listed) + u' ' + qlm::LibStr(qlm::str::Calls));
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

    // The folder dialog in its five modes, on a machine with a card reader
    // (this machine's own mounts would make every picture different).
    qlm::frmSelect::SetVolumeLister([] {
        return QVector<qlm::Volume>{{QStringLiteral("/"), QStringLiteral("ext4 /dev/sda1")},
                                    {QStringLiteral("/media/card"), QStringLiteral("vfat QLM6200")}};
    });
    static const char* const kModes[] = {"copy", "convert", "play", "make-db", "delete-card"};
    for (int mode = 0; mode < 5; ++mode) {
        qlm::PrjPublicM().SelectMode = static_cast<qint16>(mode);
        qlm::frmSelect select(&main);
        Save(&select, QStringLiteral("frmSelect-%1-%2").arg(mode).arg(QString::fromLatin1(kModes[mode])));
    }
    // Export, Back Up Catalogue and Delete Old Calls on the demo catalogue.
    {
        qlm::frmExport exporter(&main, 3, qlm::LibStr(qlm::str::Wave),
                                QStringLiteral("/home/user/calls 2024-03-07.zip"));
        Save(&exporter, QStringLiteral("frmExport"));
        qlm::frmBackup backup(&main, card.path(), QStringLiteral("/home/user/C08261 backup 2024-03-07.mdb"));
        Save(&backup, QStringLiteral("frmBackup"));
        QVector<qlm::AgedCall> aged;
        qlm::ReadAgedCalls(qlm::PrjPublicM().CatalogueDatabase.get(), card.path(), &aged, nullptr);
        qlm::frmPrune prune(&main, aged);
        Save(&prune, QStringLiteral("frmPrune"));
    }
    qlm::PrjPublicM().CloseCatalogue();

    // The converter window as it looks at the end of a run.
    {
        qlm::frmConverter converter(&main);
        converter.RunStarted();
        converter.AddLine(QStringLiteral("/home/user/calls/A2524143.527.mp3"));
        converter.AddLine(QStringLiteral("/home/user/calls/30724090.500.mp3"));
        converter.AddLine(QStringLiteral("  ***  Failed *** "));
        converter.lblStatus->setText(qlm::LibStr(qlm::str::Done));
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
    if (g_layout) {
        QFile out(parser.value(layoutOption));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(QJsonDocument(QJsonObject{{QStringLiteral("forms"), layout}}).toJson()) < 0) {
            std::fprintf(stderr, "qlmshots: cannot write %s\n", out.fileName().toLocal8Bit().constData());
            return 73;
        }
    }
    return 0;
}
