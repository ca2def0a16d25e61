// The main window from the user's side: controls, stage 1 of the enabled
// states, texts from the library, the option buttons and the layout rules.
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

#include "app/catalogue/calllistmodel.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"
#include "tests/support/testsupport.h"
#include "tools/recsim.h"

using namespace qlm;

namespace {

CallRecord Call(int day, int seconds, const char* number) {
    CallRecord r;
    r.Date = QDate(2024, 3, day);
    r.Time = QTime(9, 0, 0);
    r.Duration = seconds;
    r.CallerID = number;
    r.DialString = " ";
    r.Comment = " ";
    return r;
}

void FillList(frmMain& w) {
    w.lvDataModel->Clear();
    w.lvDataModel->Append({Call(1, 75, "111"), Call(2, 3725, "222"), Call(3, 5, "333")});
}

QStringList Column(const frmMain& w, int column) {
    QStringList texts;
    for (int r = 0; r < w.lvDataModel->rowCount(); ++r)
        texts << w.lvDataModel->Text(r, column);
    return texts;
}

// A real click on the middle of a header section.
void ClickHeader(frmMain& w, int section) {
    QHeaderView* header = w.lvData->header();
    const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

QStringList EnabledKeys(const frmMain& w) {
    QStringList keys;
    for (QAction* a : w.tbaMain->actions())
        if (!a->isSeparator() && a->isEnabled())
            keys << a->objectName();
    return keys;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { PrjPublicM().Reset(); }
    void cleanup() { PrjPublicM().Reset(); }

    void signedOutStageOffersOnlyFourCommands() {
        test::AppFolder app;
        frmMain w;
        w.Load(false);
        QCOMPARE(EnabledKeys(w), QStringList({"Sign_In", "Modify_Password", "Exit"}));
        QVERIFY(w.MnuSignIn->isEnabled());
        QVERIFY(w.MnuModifyPassword->isEnabled());
        QVERIFY(w.mnuAbout->isEnabled());
        QVERIFY(w.MnuExit->isEnabled());
        for (QAction* a : {w.MnuSignOut, w.MnuOpenDB, w.MnuSearchStart, w.MnuConvertStart, w.MnuWriteComment,
                           w.MnuCopyRECS, w.MnuMakeDB})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        QVERIFY(!w.findChild<QPushButton*>("cmdSearch")->isEnabled());
    }

    void stagesFollowTheEnablingRules() {
        test::AppFolder app;
        frmMain w;
        w.Load(false);
        EnableCommands(w, true);  // signed in
        QCOMPARE(EnabledKeys(w), QStringList({"Sign_Out", "Modify_Password", "Open_DB", "Copy_RECs", "Make_DB",
                                              "Play_Rec", "Delete_CF", "Exit"}));
        QVERIFY(!w.MnuSignIn->isEnabled());
        QVERIFY(!w.MnuSearchStart->isEnabled());
        EnableCatalogueCommands(w, true);  // a catalogue listed
        EnableConvert(w, false);
        QVERIFY(w.cmdSearch->isEnabled());
        QVERIFY(w.ToolbarButton("Search_Start")->isEnabled());
        QVERIFY(w.ToolbarButton("Write_Comment")->isEnabled());
        QVERIFY(!w.ToolbarButton("Convert_Start")->isEnabled());
        EnableConvert(w, true);  // a recording checked
        QVERIFY(w.MnuConvertStart->isEnabled());
        EnableCommands(w, false);  // signed out
        EnableCatalogueCommands(w, false);
        EnableConvert(w, false);
        QCOMPARE(EnabledKeys(w), QStringList({"Sign_In", "Modify_Password", "Exit"}));
    }

    void textsComeFromTheLibrary() {
        test::AppFolder app;
        frmMain w;
        w.Load(false);
        QCOMPARE(w.windowTitle(), LibStr(str::ProgramName) + " V" + LibStr(str::Version));
        QCOMPARE(w.MnuFile->title(), LibStr(str::MenuFile));
        QCOMPARE(QString(w.MnuDelete->text()).remove(u'&'), LibStr(str::DeleteCall));
        QCOMPARE(w.ToolbarButton("Play_Rec")->toolTip(), LibStr(str::PlayRecording));
        QCOMPARE(w.ToolbarButton("Delete_CF")->toolTip(), LibStr(str::DeleteCardRecordings));
        QCOMPARE(w.optWav->text(), LibStr(str::Wave));
        QCOMPARE(w.Option4->text(), QString("X"));  // the volume options keep their own texts
        QCOMPARE(w.PanelText(1), LibStr(str::Ready));
        QCOMPARE(w.PanelText(3), LibStr(str::MessageTitle));
        // Toolbar positions 4, 12 and 14 are separators.
        const QList<QAction*> buttons = w.tbaMain->actions();
        QCOMPARE(buttons.size(), 15);
        QVERIFY(buttons[3]->isSeparator() && buttons[11]->isSeparator() && buttons[13]->isSeparator());

        // From the keyboard: a mnemonic for every menu item, none twice in a
        // menu, and no shortcut given to two commands.
        for (QMenu* menu : {w.MnuFile, w.MnuTool, w.mnuHelp, w.MnuPop}) {
            QSet<QChar> keys;
            for (QAction* a : menu->actions()) {
                if (a->isSeparator())
                    continue;
                const qsizetype at = a->text().indexOf(u'&');
                QVERIFY2(at >= 0 && at + 1 < a->text().size(), qPrintable(a->text()));
                const QChar key = a->text().at(at + 1).toLower();
                QVERIFY2(!keys.contains(key), qPrintable(a->text()));
                keys.insert(key);
            }
        }
        QSet<QString> shortcuts;
        for (QAction* a : w.findChildren<QAction*>()) {
            if (a->shortcut().isEmpty())
                continue;
            QVERIFY2(!shortcuts.contains(a->shortcut().toString()), qPrintable(a->shortcut().toString()));
            shortcuts.insert(a->shortcut().toString());
        }
        QVERIFY(shortcuts.contains(QStringLiteral("F5")) && shortcuts.contains(QStringLiteral("Ctrl+O")));
    }

    void optionsAndLayout() {
        test::AppFolder app;
        frmMain w;
        w.Load(false);
        QVERIFY(w.optWav->isChecked());
        QVERIFY(!w.Text1->isEnabled());
        QTest::mouseClick(w.Option4, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(w.Text1->isEnabled());
        QTest::mouseClick(w.Option2, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!w.Text1->isEnabled());

        // The list and the panel follow the window's width.
        w.resize(900, 600);
        QTest::qWait(10);
        const int wide = w.lvData->width();
        QVERIFY(wide > 700);
        QCOMPARE(w.Frame1->width(), w.lvData->width() - 2000 / 15);
        QVERIFY(w.fraVolume->x() > w.Frame1->geometry().right());
        // Hiding the toolbar from a context menu would leave an empty band.
        QCOMPARE(w.tbaMain->contextMenuPolicy(), Qt::PreventContextMenu);
        w.tbaMain_ButtonClick("No_Such_Key");  // does nothing
        w.tbaMain_ButtonClick(QString());
        QVERIFY(w.isVisible());
    }

    void checkAllAndSortingShareOneDirectionFlag() {
        test::AppFolder app;
        frmMain w;
        w.Load(false);
        QHeaderView* header = w.lvData->header();
        // An empty list: the first header sorts instead of checking all.
        ClickHeader(w, 0);
        QVERIFY(!PrjPublicM().AllChecked);
        QCOMPARE(w.lvDataModel->HeaderImageKey(), QString("abc"));

        FillList(w);
        ClickHeader(w, 0);  // check all
        QVERIFY(PrjPublicM().AllChecked);
        QCOMPARE(w.lvDataModel->HeaderImageKey(), QString("def"));
        QCOMPARE(w.lvDataModel->CheckedRows().size(), 3);
        QVERIFY(w.MnuConvertStart->isEnabled());
        ClickHeader(w, 0);  // and none again
        QCOMPARE(w.lvDataModel->HeaderImageKey(), QString("abc"));
        QVERIFY(!w.lvDataModel->AnyChecked());
        QVERIFY(!w.ToolbarButton("Convert_Start")->isEnabled());

        // Three header clicks so far flipped the direction three times: the
        // next sort is ascending, the one after descending.
        ClickHeader(w, 3);
        QCOMPARE(Column(w, 3), QStringList({"0:00:05", "0:01:15", "1:02:05"}));
        ClickHeader(w, 3);
        QCOMPARE(Column(w, 3), QStringList({"1:02:05", "0:01:15", "0:00:05"}));
        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorSection(), 3);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    }

    void sortingStaysOnForLaterListingsUntilASearch() {
        test::AppFolder app;
        QTemporaryDir card;
        QVERIFY(sim::WriteDemoCard(card.path()) > 2);
        frmMain w;
        w.Load(false);
        EnableCommands(w, true);
        FillList(w);
        QHeaderView* header = w.lvData->header();
        ClickHeader(w, 4);  // the first sort after start is descending
        QCOMPARE(Column(w, 4), QStringList({"333", "222", "111"}));
        QVERIFY(w.lvData->isSortingEnabled());
        ClickHeader(w, 3);
        ClickHeader(w, 0);  // check all: the arrow stays where it was
        ClickHeader(w, 0);
        QCOMPARE(header->sortIndicatorSection(), 3);

        // Make DB lists the card in the order under the arrow.
        BuildCatalogue(w, card.path());
        QVERIFY(w.lvDataModel->rowCount() > 2);
        QStringList sorted = Column(w, 3);
        std::sort(sorted.begin(), sorted.end());
        if (header->sortIndicatorOrder() == Qt::DescendingOrder)
            std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(Column(w, 3), sorted);
        QVERIFY(header->isSortIndicatorShown());

        // A search switches sorting off; the header still checks all.
        QTest::mouseClick(w.cmdSearch, Qt::LeftButton);
        QVERIFY(!w.lvData->isSortingEnabled());
        QVERIFY(!header->isSortIndicatorShown());
        QVERIFY(w.lvDataModel->rowCount() > 0);
        ClickHeader(w, 0);
        QVERIFY(PrjPublicM().AllChecked);
    }

    void checkingALineSwitchesConvert() {
        test::AppFolder app;
        frmMain w;
        w.Load(false);
        FillList(w);
        const QModelIndex last = w.lvDataModel->index(2, 0);
        w.lvDataModel->setData(last, Qt::Checked, Qt::CheckStateRole);
        QVERIFY(w.MnuConvertStart->isEnabled());
        w.lvDataModel->setData(last, Qt::Unchecked, Qt::CheckStateRole);
        QVERIFY(!w.MnuConvertStart->isEnabled());
        QVERIFY(!PrjPublicM().AllChecked);
    }

    void popUpMenuOnlyOverALineWhileSignedIn() {
        test::AppFolder app;
        frmMain w;
        w.Load(false);
        FillList(w);
        QApplication::processEvents();
        const QRect line = w.lvData->visualRect(w.lvDataModel->index(0, 2));
        QTest::mouseClick(w.lvData->viewport(), Qt::RightButton, {}, line.center());
        QVERIFY(w.ItemUnderMouse);
        QVERIFY(!w.MnuPop->isVisible());  // signed out: no menu
        PrjPublicM().SignedIn = true;
        QTest::mouseClick(w.lvData->viewport(), Qt::RightButton, {}, QPoint(5, w.lvData->viewport()->height() - 3));
        QVERIFY(!w.ItemUnderMouse);
        QVERIFY(!w.MnuPop->isVisible());  // empty part of the list
        QTest::mousePress(w.lvData->viewport(), Qt::RightButton, {}, line.center());
        QTRY_VERIFY(w.MnuPop->isVisible());
        w.MnuPop->close();
        PrjPublicM().SignedIn = false;
    }

    void formatOptionsSetTheOutput() {
        test::AppFolder app;
        frmMain w;
        w.Load(false);
        QCOMPARE(PrjPublicM().Mp3Output, 0);
        w.optMp3->click();
        QCOMPARE(PrjPublicM().Mp3Output, 1);
        w.optWav->click();
        QCOMPARE(PrjPublicM().Mp3Output, 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
