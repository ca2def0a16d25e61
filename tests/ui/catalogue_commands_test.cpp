// Open DB, Make DB and Copy RECs from the window: real card folders, real
// catalogue files, the dialogs answered as a user answers them.
#include <cstdio>

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include "app/card/build.h"
#include "app/catalogue/calllistmodel.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "tests/support/testsupport.h"
#include "tests/ui/modalscript.h"
#include "tools/recsim.h"

using namespace qlm;

namespace {

// The file dialog: the name typed into its name box and confirmed with Enter,
// as a user does; the dialog reads its folder in the background, so Enter is
// pressed again until it takes the name.
void ChooseFile(test::ModalScript& script, const QString& path) {
    script.When([](QWidget* w) { return qobject_cast<QFileDialog*>(w) && w->objectName() == "cdlMain"; },
                [path](QWidget* w) {
                    QPointer<QWidget> guard(w);
                    auto* nameBox = w->findChild<QLineEdit*>("fileNameEdit");
                    for (int attempt = 0; nameBox && attempt < 100 && guard && guard->isVisible(); ++attempt) {
                        nameBox->setText(path);
                        QTest::keyClick(nameBox, Qt::Key_Return);
                        if (guard && guard->isVisible())
                            QTest::qWait(50);
                    }
                });
}

// Whatever dialog comes next, other than a message box, is cancelled.
void CancelDialog(test::ModalScript& script) {
    script.When([](QWidget* w) { return qobject_cast<QDialog*>(w) && !qobject_cast<QMessageBox*>(w); },
                [](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
}

// Answers frmSelect: opens the folders in the source and destination lists
// (empty: left as they are), presses OK, then runs what the test adds.
void SelectFolders(test::ModalScript& script, const QString& source, const QString& destination,
                   const std::function<void()>& then = {}) {
    script.When([](QWidget* w) { return qobject_cast<frmSelect*>(w) != nullptr; },
                [source, destination, then](QWidget* w) {
                    auto* dialog = static_cast<frmSelect*>(w);
                    if (!source.isEmpty())
                        dialog->dirSource->SetPath(source, source);
                    if (!destination.isEmpty())
                        dialog->dirDest->SetPath(destination, destination);
                    dialog->cmdSubmit->click();
                    if (then)
                        then();
                });
}

void WaitDone(const test::ModalScript& script) { QTRY_VERIFY_WITH_TIMEOUT(script.done(), 10000); }

QString BuildFrom(const QString& folder) {
    // The built catalogue closes with its last holder, here.
    return BuildCatalogueIn(folder, nullptr, {}).path;
}

}  // namespace

class CatalogueCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<frmMain> Window() {
        auto w = std::make_unique<frmMain>();
        w->Load(false);
        EnableCommands(*w, true);  // signed in
        return w;
    }

private slots:
    void init() { PrjPublicM().Reset(); }
    void cleanup() { PrjPublicM().Reset(); }

    void openDbListsTheCatalogue() {
        test::AppFolder app;
        QTemporaryDir dir;
        Error error;
        sim::WriteDemoCard(dir.path(), &error);
        const QString catalogue = BuildFrom(dir.path());
        QDir().mkpath(app.path() + "/temp");
        test::WriteFile(GetTemp(app), "leftover");
        QVERIFY(QFile::exists(GetTemp(app)));
        auto w = Window();
        EnableConvert(*w, true);
        {
            test::ModalScript script;
            ChooseFile(script, catalogue);
            w->ToolbarButton("Open_DB")->trigger();
            WaitDone(script);
        }
        QCOMPARE(w->PanelText(1), catalogue);
        QCOMPARE(w->PanelText(2), LibStr(str::Total) + " 12 " + LibStr(str::Calls));
        QCOMPARE(w->lvDataModel->rowCount(), 12);
        QCOMPARE(w->lvData->model()->columnCount(), 11);
        QCOMPARE(PrjPublicM().CataloguePath, catalogue);
        QCOMPARE(PrjPublicM().RecordingsFolder, dir.path() + "/");
        QVERIFY(w->cmdSearch->isEnabled());
        QVERIFY(!w->MnuConvertStart->isEnabled());  // nothing checked yet
        QVERIFY(!QFile::exists(GetTemp(app)));      // the work folder was emptied

        // Opening it again works: the first handle goes first.
        {
            test::ModalScript script;
            ChooseFile(script, catalogue);
            w->MnuOpenDB->trigger();
            WaitDone(script);
        }
        QCOMPARE(w->lvDataModel->rowCount(), 12);

        // Cancel: the list is cleared, the catalogue stays open and current.
        {
            test::ModalScript script;
            CancelDialog(script);
            w->MnuOpenDB->trigger();
            WaitDone(script);
        }
        QCOMPARE(w->PanelText(1), LibStr(str::OpeningCatalogue));
        QCOMPARE(w->lvDataModel->rowCount(), 0);
        QVERIFY(PrjPublicM().CatalogueDatabase);
        QCOMPARE(PrjPublicM().CataloguePath, catalogue);
    }

    void openDbOfSomethingElseSaysSo() {
        test::AppFolder app;
        QTemporaryDir dir;
        const QString text = dir.filePath("notes.mdb");
        test::WriteFile(text, QByteArray(3000, 'x'));
        auto w = Window();
        QString message;
        {
            test::ModalScript script;
            ChooseFile(script, text);
            script.AnswerMessage();
            w->MnuOpenDB->trigger();
            WaitDone(script);
            message = script.messages().value(0);
        }
        QCOMPARE(message, LibStr(str::OpenFailed) + "\n" + LibStr(str::OpenFailedReasons));
        QCOMPARE(PrjPublicM().CataloguePath, text);
        QVERIFY(!PrjPublicM().CatalogueDatabase);
        QVERIFY(!w->MnuConvertStart->isEnabled());
    }

    void makeDbBuildsInTheChosenFolderAndReportsUnreadableFiles() {
        test::AppFolder app;
        QTemporaryDir dir;
        Error error;
        sim::WriteDemoCard(dir.path(), &error);
        // Shorter than a recording's header: reported, not catalogued.
        test::WriteFile(dir.filePath("A2505143.527"), QByteArray(511, 'x'));
        const QString expected = dir.filePath(NextCatalogueName(dir.path()));
        auto w = Window();
        QString errorBox;
        {
            test::ModalScript script;
            SelectFolders(script, dir.path(), QString());
            script.AnswerMessage();
            w->ToolbarButton("Make_DB")->trigger();
            WaitDone(script);
            errorBox = script.messages().value(0);
        }
        QVERIFY2(errorBox.contains("A2505143.527"), qPrintable(errorBox));
        QCOMPARE(w->PanelText(1), expected);
        QCOMPARE(w->PanelText(2), LibStr(str::Total) + " 12 " + LibStr(str::Calls));
        QCOMPARE(w->lvDataModel->rowCount(), 12);
        QCOMPARE(PrjPublicM().CataloguePath, expected);
        QVERIFY(PrjPublicM().CatalogueDatabase && PrjPublicM().CatalogueDatabase->Path() == expected);
        QCOMPARE(PrjPublicM().RecordingsFolder, dir.path() + "/");  // as the dialog gave it
        QVERIFY(PrjPublicM().SourceFolder.isEmpty());
        QVERIFY(w->cmdSearch->isEnabled());
        QVERIFY(!w->MnuConvertStart->isEnabled());
    }

    void makeDbCancelledChangesNothing() {
        test::AppFolder app;
        auto w = Window();
        QString question;
        {
            test::ModalScript script;
            CancelDialog(script);
            script.AnswerMessage(QMessageBox::Cancel);
            w->MnuMakeDB->trigger();
            WaitDone(script);
            question = script.messages().value(0);
        }
        QCOMPARE(question, LibStr(str::FolderHasNoRecordings) + "\n" + LibStr(str::ChooseAnotherFolder));
        QCOMPARE(w->PanelText(1), LibStr(str::BuildCancelled));
        QVERIFY(PrjPublicM().CataloguePath.isEmpty());
        QVERIFY(!w->cmdSearch->isEnabled());
    }

    void copyRecsCopiesNeverReplacesAndTellsWhatItDid() {
        test::AppFolder app;
        QTemporaryDir card, pc;
        Error error;
        sim::WriteDemoCard(card.path(), &error);
        test::WriteFile(card.filePath("NOTES.TXT"), "n");
        auto w = Window();
        {
            test::ModalScript script;
            SelectFolders(script, card.path(), pc.path());
            w->ToolbarButton("Copy_RECs")->trigger();
            WaitDone(script);
        }
        QCOMPARE(QDir(pc.path()).entryList(QDir::Files).size(), 12);
        QCOMPARE(w->PanelText(1), LibStr(str::CopyFinished));
        // The card is never its own library: refused, the dialog stays.
        {
            test::ModalScript script;
            SelectFolders(script, card.path(), card.path());
            script.AnswerMessage();
            script.When([](QWidget* w) { return qobject_cast<frmSelect*>(w) != nullptr; },
                        [](QWidget* w) { static_cast<frmSelect*>(w)->cmdCancel->click(); });
            w->MnuCopyRECS->trigger();
            WaitDone(script);
            QCOMPARE(script.messages().value(0), LibStr(str::DestinationOnCard));
        }
        QCOMPARE(QDir(card.path()).entryList({"*.mdb"}, QDir::Files).size(), 0);
        QCOMPARE(w->PanelText(2), LibStr(str::Total) + " 12 " + LibStr(str::FilesCopied));
        QCOMPARE(PrjPublicM().RecordingsFolder, pc.path() + "/");
        QVERIFY(PrjPublicM().SourceFolder.isEmpty());
        QVERIFY(PrjPublicM().DestinationFolder.isEmpty());

        // A second copy finds every recording there; a recording whose name
        // the library holds with other bytes is kept beside it, and what is
        // no recording file is counted. Panel 1 tells all of it.
        const QString changed = QDir(card.path()).entryList(QDir::Files, QDir::Name).first();
        QByteArray bytes = test::ReadFile(card.filePath(changed));
        bytes[600] = char(bytes[600] ^ 1);
        test::WriteFile(card.filePath(changed), bytes);
        QVERIFY(QFile::link(card.filePath("gone"), card.filePath("A2505143.527")));
        {
            test::ModalScript script;
            SelectFolders(script, card.path(), pc.path());
            w->MnuCopyRECS->trigger();
            WaitDone(script);
        }
        const QString panel = w->PanelText(1);
        QVERIFY2(panel.startsWith(LibStr(str::CopyFinished)), qPrintable(panel));
        QVERIFY2(panel.contains(LibStr(str::CopyAlreadyThere).arg(11)), qPrintable(panel));
        QVERIFY2(panel.contains(LibStr(str::CopyStoredBeside).arg(1)), qPrintable(panel));
        QVERIFY2(panel.contains(LibStr(str::CopyNotRegular).arg(1)), qPrintable(panel));
        QCOMPARE(QDir(pc.path()).entryList({changed + "-*"}, QDir::Files).size(), 1);
        QCOMPARE(test::ReadFile(pc.filePath(changed)) == bytes, false);  // the first copy stays
        QString message;

        // The card goes away once the folders are chosen: panel 1 says the
        // copy failed, not that it finished.
        QTemporaryDir gone;
        sim::WriteDemoCard(gone.path(), &error);
        {
            test::ModalScript script;
            SelectFolders(script, gone.path(), pc.path(), [&gone] { gone.remove(); });
            script.AnswerMessage();
            w->MnuCopyRECS->trigger();
            WaitDone(script);
            message = script.messages().value(0);
        }
        QVERIFY2(w->PanelText(1).startsWith(LibStr(str::CopySourceUnreadable) + ' ' + gone.path()),
                 qPrintable(w->PanelText(1)));
        QVERIFY2(message.startsWith(LibStr(str::SourceUnreadable)), qPrintable(message));

        // Cancel copies nothing and keeps the recordings folder.
        {
            test::ModalScript script;
            script.When([](QWidget* w) { return qobject_cast<frmSelect*>(w) != nullptr; },
                        [](QWidget* w) { static_cast<frmSelect*>(w)->cmdCancel->click(); });
            w->MnuCopyRECS->trigger();
            WaitDone(script);
        }
        QCOMPARE(PrjPublicM().RecordingsFolder, pc.path() + "/");
    }

    // A second program cannot open the catalogue this window holds, until the
    // window lets it go.
    void theOpenCatalogueIsHeldAgainstASecondProgram() {
        test::AppFolder app;
        QTemporaryDir dir;
        Error error;
        sim::WriteDemoCard(dir.path(), &error);
        const QString catalogue = BuildFrom(dir.path());
        auto w = Window();
        {
            test::ModalScript script;
            ChooseFile(script, catalogue);
            w->MnuOpenDB->trigger();
            WaitDone(script);
        }
        QVERIFY(PrjPublicM().CatalogueDatabase);

        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QLM_PROBE_CATALOGUE", catalogue);
        second.setProcessEnvironment(env);
        second.start(QCoreApplication::applicationFilePath(), {"secondWindowOpens"});
        QVERIFY(second.waitForFinished(60000));
        const QString out = QString::fromUtf8(second.readAllStandardOutput());
        QVERIFY2(out.contains("BOX:" + LibStr(str::OpenFailed)), qPrintable(out));

        const test::RunResult list =
            test::Run(test::BuiltPath("qlmtool"), {"list", catalogue, "--password-stdin"}, "\n");
        QCOMPARE(list.exitCode, 1);

        w->close();  // the window's unload closes the catalogue
        QCOMPARE(test::Run(test::BuiltPath("qlmtool"), {"list", catalogue, "--password-stdin"}, "\n").exitCode, 0);
    }

    // Run only as the second program of the test above.
    void secondWindowOpens() {
        const QString catalogue = qEnvironmentVariable("QLM_PROBE_CATALOGUE");
        if (catalogue.isEmpty())
            QSKIP("runs as the second program of theOpenCatalogueIsHeldAgainstASecondProgram");
        test::AppFolder app;
        auto w = Window();
        QString message;
        {
            test::ModalScript script;
            ChooseFile(script, catalogue);
            script.AnswerMessage();
            w->MnuOpenDB->trigger();
            WaitDone(script);
            message = script.messages().value(0);
        }
        std::printf("BOX:%s\n", message.toUtf8().constData());
        std::fflush(stdout);
    }

private:
    static QString GetTemp(const test::AppFolder& app) { return app.path() + "/temp/leftover.wav"; }
};

QTEST_MAIN(CatalogueCommandsTest)
#include "catalogue_commands_test.moc"
