// The folder dialog from the user's side, in its five modes, on real folders.
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QtTest>

#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/frmSelect.h"
#include "platform/shellopen.h"
#include "tests/support/testsupport.h"
#include "tests/ui/modalscript.h"

using namespace qlm;

namespace {

// The folder dialog the tests show themselves: scripts answer the boxes it
// opens and leave the dialog alone.
const QStringList kOwn{QStringLiteral("frmSelect")};

// Opens the entry of the list whose folder is path (a double click).
bool OpenEntry(DirListBox* list, const QString& path) {
    for (int i = 0; i < list->count(); ++i) {
        if (QDir::cleanPath(list->item(i)->data(Qt::UserRole).toString()) == QDir::cleanPath(path)) {
            emit list->itemActivated(list->item(i));
            return true;
        }
    }
    return false;
}

void ChooseDrive(QComboBox* drives, int index) {
    drives->setCurrentIndex(index);
    emit drives->activated(index);
}

}  // namespace

class SelectTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString home_, card_, reader_, previousCurrent_;

    void Show(frmSelect& dialog) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }

private slots:
    void initTestCase() {
        home_ = dir_.filePath("home");
        card_ = dir_.filePath("card");
        reader_ = dir_.filePath("reader");  // a reader without a card
        QDir().mkpath(home_ + "/work/old");
        QDir().mkpath(card_ + "/DATA");
        test::WriteFile(card_ + "/DATA/a.wav", "w");
        test::WriteFile(card_ + "/DATA/B.MP3", "m");
        test::WriteFile(card_ + "/DATA/c.txt", "t");
        frmSelect::SetVolumeLister([this] {
            return QVector<Volume>{{home_, "home"}, {card_, "card"}, {reader_, "reader"}};
        });
        previousCurrent_ = QDir::currentPath();
        QDir::setCurrent(home_ + "/work");
    }

    void cleanupTestCase() {
        frmSelect::SetVolumeLister({});
        SetShellOpener({});
        QDir::setCurrent(previousCurrent_);
    }

    void init() { PrjPublicM().Reset(); }

    void copyModeReturnsBothFolders() {
        test::AppFolder app;
        PrjPublicM().SelectMode = 0;
        frmSelect dialog;
        Show(dialog);
        QCOMPARE(dialog.windowTitle(), LibStr(str::CopyRecordings));
        QVERIFY(dialog.fraSource->isVisible());
        QVERIFY(dialog.fraDest->isVisible());
        QVERIFY(dialog.cmdNewFloder->isVisible());
        QVERIFY(!dialog.fraPlayFile->isVisible());
        QCOMPARE(dialog.fraSource->title(), LibStr(str::SourceFolder));
        QCOMPARE(dialog.cmdNewFloder->text(), LibStr(str::NewFolder));
        // Both lists start on the current folder.
        QCOMPARE(dialog.dirSource->Path(), home_ + "/work");
        QCOMPARE(dialog.dirDest->Path(), home_ + "/work");
        QCOMPARE(dialog.dirDest->height(), 2610 / 15);

        ChooseDrive(dialog.drvSource, 1);
        QCOMPARE(dialog.dirSource->Path(), card_ + "/");
        QVERIFY(OpenEntry(dialog.dirSource, card_ + "/DATA"));
        QVERIFY(OpenEntry(dialog.dirDest, home_ + "/work/old"));
        QTest::mouseClick(dialog.cmdSubmit, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(PrjPublicM().SourceFolder, card_ + "/DATA");
        QCOMPARE(PrjPublicM().DestinationFolder, home_ + "/work/old");
    }

    void cancelClearsAndTheCloseBoxKeeps() {
        test::AppFolder app;
        PrjPublicM().SelectMode = 0;
        PrjPublicM().SourceFolder = "before-source";
        PrjPublicM().DestinationFolder = "before-dest";
        {
            frmSelect dialog;
            Show(dialog);
            dialog.close();  // the window's close box
        }
        QCOMPARE(PrjPublicM().SourceFolder, QString("before-source"));
        QCOMPARE(PrjPublicM().DestinationFolder, QString("before-dest"));
        frmSelect dialog;
        Show(dialog);
        QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QVERIFY(PrjPublicM().SourceFolder.isEmpty());
        QVERIFY(PrjPublicM().DestinationFolder.isEmpty());
    }

    void convertModeOffersOnlyTheDestination() {
        test::AppFolder app;
        PrjPublicM().SelectMode = 1;
        PrjPublicM().SourceFolder = "stale";
        frmSelect dialog;
        Show(dialog);
        QCOMPARE(dialog.windowTitle(), LibStr(str::ConvertRecordings));
        QVERIFY(!dialog.fraSource->isVisible());
        QVERIFY(dialog.fraDest->isVisible());
        QCOMPARE(dialog.fraDest->x(), 50 / 15);
        QCOMPARE(dialog.width(), 4500 / 15);
        QTest::mouseClick(dialog.cmdSubmit, Qt::LeftButton);
        QVERIFY(PrjPublicM().SourceFolder.isEmpty());
        QCOMPARE(PrjPublicM().DestinationFolder, home_ + "/work");
    }

    void playModeOpensTheChosenFileAndStays() {
        test::AppFolder app;
        QStringList opened;
        SetShellOpener([&](const QString& path, const QString& folder) {
            opened << path + " in " + folder;
            return true;
        });
        PrjPublicM().SelectMode = 2;
        PrjPublicM().DestinationFolder = "stale";
        frmSelect dialog;
        Show(dialog);
        QCOMPARE(dialog.windowTitle(), LibStr(str::PlayRecording));
        QVERIFY(dialog.fraPlayFile->isVisible());
        QVERIFY(!dialog.fraDest->isVisible());
        QVERIFY(!dialog.cmdNewFloder->isVisible());
        ChooseDrive(dialog.drvSource, 1);
        QVERIFY(OpenEntry(dialog.dirSource, card_ + "/DATA"));
        QCOMPARE(dialog.filPlay->count(), 2);  // a.wav and B.MP3, not c.txt
        dialog.filPlay->setCurrentRow(1);
        QTest::mouseClick(dialog.cmdSubmit, Qt::LeftButton);
        QCOMPARE(opened, QStringList{card_ + "/DATA/B.MP3 in /"});
        QVERIFY(dialog.isVisible());  // stays for the next file
        QVERIFY(PrjPublicM().DestinationFolder.isEmpty());
        dialog.filPlay->clearSelection();
        QTest::mouseClick(dialog.cmdSubmit, Qt::LeftButton);
        QCOMPARE(opened.size(), 1);
        QVERIFY(!dialog.isVisible());
    }

    void buildModeGivesRootsWithTheirSeparator() {
        test::AppFolder app;
        PrjPublicM().SelectMode = 3;
        PrjPublicM().DestinationFolder = "stale";
        {
            frmSelect dialog;
            Show(dialog);
            QCOMPARE(dialog.windowTitle(), LibStr(str::BuildCatalogue));
            QVERIFY(!dialog.fraDest->isVisible());
            QVERIFY(!dialog.cmdNewFloder->isVisible());
            QCOMPARE(dialog.height(), 4200 / 15);
            ChooseDrive(dialog.drvSource, 1);
            QTest::mouseClick(dialog.cmdSubmit, Qt::LeftButton);
        }
        QCOMPARE(PrjPublicM().SourceFolder, card_ + "/");
        QVERIFY(PrjPublicM().DestinationFolder.isEmpty());
        frmSelect dialog;
        Show(dialog);
        ChooseDrive(dialog.drvSource, 1);
        QVERIFY(OpenEntry(dialog.dirSource, card_ + "/DATA"));
        QTest::mouseClick(dialog.cmdSubmit, Qt::LeftButton);
        QCOMPARE(PrjPublicM().SourceFolder, card_ + "/DATA");
    }

    void deleteModeLeavesTheDestination() {
        test::AppFolder app;
        PrjPublicM().SelectMode = 4;
        PrjPublicM().DestinationFolder = "kept";
        frmSelect dialog;
        Show(dialog);
        QCOMPARE(dialog.windowTitle(), LibStr(str::DeleteCardRecordings));
        QVERIFY(!dialog.cmdNewFloder->isVisible());
        QCOMPARE(dialog.width(), 4000 / 15);
        QTest::mouseClick(dialog.cmdSubmit, Qt::LeftButton);
        QCOMPARE(PrjPublicM().SourceFolder, home_ + "/work");
        QCOMPARE(PrjPublicM().DestinationFolder, QString("kept"));
    }

    void newFolderIsMadeInTheDestination() {
        test::AppFolder app;
        PrjPublicM().SelectMode = 0;
        frmSelect dialog;
        Show(dialog);
        const int before = dialog.dirDest->count();
        {
            test::ModalScript script(kOwn);
            script.AnswerInput("   ");
            QTest::mouseClick(dialog.cmdNewFloder, Qt::LeftButton);
            QVERIFY(script.done());
        }
        QCOMPARE(dialog.dirDest->count(), before);
        {
            test::ModalScript script(kOwn);
            script.AnswerInput("Calls 2024");
            QTest::mouseClick(dialog.cmdNewFloder, Qt::LeftButton);
        }
        QVERIFY(QFileInfo(home_ + "/work/Calls 2024").isDir());
        QCOMPARE(dialog.dirDest->count(), before + 1);
        QCOMPARE(dialog.dirDest->Path(), home_ + "/work");  // not opened
        QDir(home_ + "/work/Calls 2024").removeRecursively();
    }

    void aDriveThatCannotBeReadAsksAgainOrGivesUp() {
        test::AppFolder app;
        PrjPublicM().SelectMode = 3;
        frmSelect dialog;
        Show(dialog);
        QString first, second;
        {
            // OK tries again (still no card), Cancel gives up.
            test::ModalScript script(kOwn);
            script.AnswerMessage(QMessageBox::Ok);
            script.AnswerMessage(QMessageBox::Cancel);
            ChooseDrive(dialog.drvSource, 2);
            QVERIFY(script.done());
            QCOMPARE(script.messages().size(), 2);
            first = script.messages()[0];
            second = script.messages()[1];
        }
        QCOMPARE(first, LibStr(str::DriveNotReady) + "\n" + LibStr(str::InsertCard) + "\n");
        QCOMPARE(second, first);
        QCOMPARE(dialog.drvSource->currentIndex(), 0);
        QCOMPARE(dialog.dirSource->Path(), home_ + "/work");

        // The card goes in while the question is shown: OK reads it.
        {
            test::ModalScript script(kOwn);
            script.When([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
                        [this](QWidget* w) {
                            QDir().mkpath(reader_ + "/DCIM");
                            static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
                        });
            ChooseDrive(dialog.drvSource, 2);
            QVERIFY(script.done());
        }
        QCOMPARE(dialog.dirSource->Path(), reader_ + "/");
        QDir(reader_).removeRecursively();
    }
};

QTEST_MAIN(SelectTest)
#include "select_test.moc"
