// The search panel as a user drives it: lists and defaults, the day rule,
// the direction and source handlers, reading the panel and the reset after
// a search.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/search.h"
#include "app/catalogue/store.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "tests/support/catalogue.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"
#include "app/textnumber.h"
#include "app/ui/searchpanel.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

QStringList Numbers(int from, int to) {
    QStringList items;
    for (int n = from; n <= to; ++n)
        items << QString::number(n);
    return items;
}

// A window loaded on a given day, signed out (the panel does not need it).
struct Window {
    explicit Window(const QDate& today) {
        w.searchPanel->Today = [today] { return today; };
        w.Load(false);
    }
    QComboBox* list(const char* name) { return w.findChild<QComboBox*>(QString::fromLatin1(name)); }
    QLineEdit* box(const char* name) { return w.findChild<QLineEdit*>(QString::fromLatin1(name)); }
    void choose(const char* name, const QString& text) {
        QComboBox* l = list(name);
        const int index = l->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        l->setCurrentIndex(index);
    }
    test::AppFolder app;
    frmMain w;
};

}  // namespace

class SearchPanelTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { PrjPublicM().Reset(); }

    void listsAndDefaults() {
        Window win(QDate(2024, 5, 17));
        QCOMPARE(Items(win.list("comYearF")), Numbers(2003, 2024));
        QCOMPARE(Items(win.list("comMonthL")), Numbers(1, 12));
        QCOMPARE(Items(win.list("comDayF")), Numbers(1, 31));
        QCOMPARE(Items(win.list("comDayL")), Numbers(1, 31));
        QCOMPARE(Items(win.list("comHourF")), Numbers(0, 23));
        QCOMPARE(Items(win.list("comInOut")),
                 QStringList({LibStr(str::All), LibStr(str::Incoming), LibStr(str::Outgoing)}));
        QCOMPARE(Items(win.list("comTelMic")), QStringList({LibStr(str::All), LibStr(str::Telephone),
                                                            LibStr(str::Microphone), LibStr(str::VoiceActivated)}));
        QCOMPARE(Items(win.list("comSaved")),
                 QStringList({LibStr(str::All), LibStr(str::SavedMark), LibStr(str::NotSaved)}));
        QCOMPARE(Items(win.list("comSamRate")),
                 QStringList({LibStr(str::All), LibStr(str::Rate1200), LibStr(str::Rate900), LibStr(str::Rate550)}));

        SearchCriteria c = win.w.searchPanel->ReadCriteria();
        QCOMPARE(BuildSearchStatement(c, SearchChoiceTexts::FromLibrary()),
                 QStringLiteral("SELECT * FROM qlm WHERE   Date BETWEEN #2003-1-1# AND #2024-5-17# AND "
                                "Time BETWEEN #0:0:0# AND #23:59:59#"));
        QVERIFY(win.box("txtCallerID")->isVisibleTo(&win.w));
        QVERIFY(win.box("txtDialStr")->isVisibleTo(&win.w));
        QVERIFY(win.w.findChild<QCheckBox*>("chkMatch")->isChecked());
        QVERIFY(!win.w.ToolbarButton("Convert_Start")->isEnabled());

        // The panel's controls sit inside the frame and fit in it.
        auto* frame = win.w.findChild<QGroupBox*>("Frame1");
        QVERIFY(frame->isAncestorOf(win.list("comSamRate")));
        QVERIFY(frame->height() >= frame->sizeHint().height());
    }

    void februaryFollowsTheCalendar() {
        Window win(QDate(2100, 6, 15));
        win.choose("comYearF", "2024");
        win.choose("comMonthF", "2");
        QCOMPARE(win.list("comDayF")->count(), 29);
        win.choose("comYearF", "2023");
        QCOMPARE(win.list("comDayF")->count(), 28);
        win.choose("comYearF", "2100");
        QCOMPARE(win.list("comDayF")->count(), 28);  // not a leap year
        win.choose("comYearL", "2096");
        win.choose("comMonthL", "2");
        QCOMPARE(win.list("comDayL")->count(), 29);
        win.choose("comMonthL", "4");
        QCOMPARE(win.list("comDayL")->count(), 30);
        win.choose("comMonthL", "12");
        QCOMPARE(win.list("comDayL")->count(), 31);
    }

    void monthOrYearChangeSetsTheDayBackToOne() {
        Window win(QDate(2024, 5, 17));
        QCOMPARE(win.list("comDayL")->currentText(), QStringLiteral("17"));
        win.choose("comMonthL", "3");
        QCOMPARE(win.list("comDayL")->currentText(), QStringLiteral("1"));
        win.choose("comDayL", "20");
        win.choose("comYearL", "2010");
        QCOMPARE(win.list("comDayL")->currentText(), QStringLiteral("1"));
        QCOMPARE(win.list("comDayL")->count(), 31);
        win.choose("comDayF", "9");
        win.choose("comMonthF", "1");  // already 1: nothing happens
        win.choose("comMonthF", "6");
        QCOMPARE(win.list("comDayF")->currentText(), QStringLiteral("1"));
        QCOMPARE(win.list("comDayF")->count(), 30);
    }

    void directionShowsItsNumberBox() {
        Window win(QDate(2024, 5, 17));
        QLineEdit* caller = win.box("txtCallerID");
        QLineEdit* dialled = win.box("txtDialStr");
        win.choose("comInOut", LibStr(str::Incoming));
        QVERIFY(caller->isVisibleTo(&win.w));
        QVERIFY(!dialled->isVisibleTo(&win.w));
        win.choose("comInOut", LibStr(str::Outgoing));
        QVERIFY(!caller->isVisibleTo(&win.w));
        QVERIFY(dialled->isVisibleTo(&win.w));
        // A hidden box is still read; the statement then ignores it.
        caller->setText("  555  ");
        QCOMPARE(win.w.searchPanel->ReadCriteria().CallerID, QStringLiteral("555"));
        win.choose("comInOut", LibStr(str::All));
        QVERIFY(caller->isVisibleTo(&win.w));
        QVERIFY(dialled->isVisibleTo(&win.w));
    }

    void sourceOtherThanTelephoneMeansAllDirections() {
        Window win(QDate(2024, 5, 17));
        win.choose("comInOut", LibStr(str::Outgoing));
        win.choose("comTelMic", LibStr(str::Telephone));  // the line: direction stays
        QCOMPARE(win.list("comInOut")->currentText(), LibStr(str::Outgoing));
        for (int source : {50, 104, 48}) {
            win.choose("comTelMic", LibStr(str::Telephone));
            win.choose("comInOut", LibStr(str::Incoming));
            win.choose("comTelMic", LibStr(source));
            QCOMPARE(win.list("comInOut")->currentText(), LibStr(str::All));
            QVERIFY(win.box("txtDialStr")->isVisibleTo(&win.w));
            QVERIFY(win.box("txtCallerID")->isVisibleTo(&win.w));
        }
    }

    void readingTrimsAndConverts() {
        Window win(QDate(2024, 5, 17));
        win.choose("comYearF", "2020");
        win.choose("comMonthF", "2");
        win.choose("comDayF", "29");
        win.choose("comHourF", "9");
        win.choose("comMinL", "30");
        win.box("txtDialStr")->setText(" 0800* ");
        win.box("txtComment")->setText("  O'Brien ");
        win.choose("comSaved", LibStr(str::NotSaved));
        win.w.findChild<QCheckBox*>("chkMatch")->setChecked(false);
        const SearchCriteria c = win.w.searchPanel->ReadCriteria();
        QCOMPARE(c.YearF, qint16(2020));
        QCOMPARE(c.MonthF, qint16(2));
        QCOMPARE(c.DayF, qint16(29));
        QCOMPARE(c.HourF, qint16(9));
        QCOMPARE(c.MinL, qint16(30));
        QCOMPARE(c.SecL, qint16(59));
        QCOMPARE(c.DialStr, QStringLiteral("0800*"));
        QCOMPARE(c.Comment, QStringLiteral("O'Brien"));
        QCOMPARE(c.Saved, LibStr(str::NotSaved));
        QVERIFY(!c.MatchAll);
        // A list text that is no number reads as 0.
        win.list("comDayL")->setEditable(true);
        win.list("comDayL")->setEditText("x");
        QCOMPARE(win.w.searchPanel->ReadCriteria().DayL, qint16(0));
        QCOMPARE(ValOf(" 12ab"), 12.0);
        QCOMPARE(ValOf("ab"), 0.0);
    }

    void searchDisablesItsCommandsAndResetsThePanel() {
        Window win(QDate(2024, 5, 17));
        EnableCommands(win.w, true);
        EnableCatalogueCommands(win.w, true);
        EnableConvert(win.w, true);
        win.choose("comYearF", "2010");
        win.choose("comMonthF", "2");
        win.choose("comDayF", "14");
        win.choose("comYearL", "2012");
        win.choose("comHourF", "8");
        win.choose("comSecL", "0");
        win.choose("comTelMic", LibStr(str::Telephone));
        win.choose("comInOut", LibStr(str::Outgoing));
        win.choose("comSamRate", LibStr(str::Rate550));
        win.box("txtDialStr")->setText("123");
        win.box("txtComment")->setText("x");
        win.w.findChild<QCheckBox*>("chkMatch")->setChecked(false);

        QSignalSpy menu(win.w.MnuSearchStart, &QAction::enabledChanged);
        QSignalSpy tool(win.w.ToolbarButton("Search_Start"), &QAction::enabledChanged);
        QTest::mouseClick(win.w.findChild<QPushButton*>("cmdSearch"), Qt::LeftButton);
        QCOMPARE(menu.count(), 2);
        QCOMPARE(menu.at(0).at(0).toBool(), false);
        QCOMPARE(menu.at(1).at(0).toBool(), true);
        QCOMPARE(tool.count(), 2);
        QVERIFY(win.w.findChild<QPushButton*>("cmdSearch")->isEnabled());
        QVERIFY(!win.w.MnuConvertStart->isEnabled());  // the button, as the menu item

        const SearchCriteria c = win.w.searchPanel->ReadCriteria();
        QCOMPARE(BuildSearchStatement(c, SearchChoiceTexts::FromLibrary()),
                 QStringLiteral("SELECT * FROM qlm WHERE   Date BETWEEN #2003-1-1# AND #2024-5-17# AND "
                                "Time BETWEEN #0:0:0# AND #23:59:59#"));
        QCOMPARE(win.list("comDayF")->count(), 31);
        QCOMPARE(win.list("comTelMic")->currentText(), LibStr(str::All));
        QCOMPARE(win.list("comInOut")->currentText(), LibStr(str::All));
        QVERIFY(win.box("txtCallerID")->isVisibleTo(&win.w));
        QVERIFY(win.box("txtDialStr")->isVisibleTo(&win.w));
        QVERIFY(win.box("txtDialStr")->text().isEmpty());
        QVERIFY(win.box("txtComment")->text().isEmpty());
        QVERIFY(c.MatchAll);
    }

    void resetKeepsTheLastYearWhenTheYearListIsBehindTheClock() {
        QDate today(2024, 12, 31);
        Window win(today);
        win.w.searchPanel->Today = [] { return QDate(2025, 1, 1); };
        win.choose("comYearL", "2005");
        win.w.searchPanel->Reset();
        QCOMPARE(win.list("comYearL")->currentText(), QStringLiteral("2005"));
        QCOMPARE(win.list("comMonthL")->currentText(), QStringLiteral("1"));
        QCOMPARE(win.list("comDayL")->currentText(), QStringLiteral("1"));
    }

    void searchListsTheMatchingCallsOfTheCatalogue() {
        Window win(QDate(2024, 5, 17));
        QTemporaryDir dir;
        const QString path = dir.filePath("C24031.mdb");
        const auto call = [](int day, int h, int m, const char* caller, qint16 inorOut) {
            return test::Call(QDate(2024, 3, day), QTime(h, m, 0), QString::fromLatin1(caller), QString(), inorOut,
                              inorOut == 2 ? 1 : 0);
        };
        QCOMPARE(
            test::WriteCatalogue(path, {call(6, 10, 0, "5551", 0), call(7, 0, 0, "5552", 0), call(7, 12, 1, "5553", 0),
                                        call(8, 12, 0, "5554", 0), call(8, 11, 0, "4444", 0), call(9, 9, 0, "5555", 1),
                                        call(9, 9, 30, "", 2), call(10, 9, 0, "5556", 0)}),
            QString());
        CallListModel* model = win.w.lvDataModel;
        Error error;
        const OpenedCatalogue opened = OpenCatalogueFile(path, model, &error);
        QVERIFY(opened);
        QCOMPARE(opened.listed, 8);
        // The window's catalogue, as after Open DB.
        PrjPublicM().CatalogueDatabase = opened.database;
        PrjPublicM().CataloguePath = opened.path;
        EnableCommands(win.w, true);
        EnableCatalogueCommands(win.w, true);
        win.w.lvData->setSortingEnabled(true);

        win.choose("comYearF", "2024");
        win.choose("comMonthF", "3");
        win.choose("comDayF", "7");
        win.choose("comYearL", "2024");
        win.choose("comMonthL", "3");
        win.choose("comDayL", "9");
        win.choose("comHourL", "12");
        win.choose("comMinL", "0");
        win.choose("comSecL", "0");
        win.choose("comInOut", LibStr(str::Incoming));
        win.box("txtCallerID")->setText("555*");
        win.w.findChild<QPushButton*>("cmdSearch")->click();

        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->Text(0, kColCallerID), QStringLiteral("5552"));
        QCOMPARE(model->Text(1, kColCallerID), QStringLiteral("5554"));
        QCOMPARE(win.w.PanelText(2), LibStr(str::Total) + " 2 " + LibStr(str::CallsFound));
        QCOMPARE(win.w.PanelText(1), path);
        QVERIFY(!win.w.lvData->isSortingEnabled());
        QVERIFY(!PrjPublicM().AllChecked);
        QCOMPARE(model->HeaderImageKey(), QStringLiteral("abc"));
        QVERIFY(!win.w.ToolbarButton("Convert_Start")->isEnabled());
        QCOMPARE(win.list("comDayL")->currentText(), QStringLiteral("17"));
        QCOMPARE(win.list("comInOut")->currentText(), LibStr(str::All));

        // The defaults: every call up to today.
        win.w.ToolbarButton("Search_Start")->trigger();
        QCOMPARE(model->rowCount(), 8);
        QCOMPARE(win.w.PanelText(2), LibStr(str::Total) + " 8 " + LibStr(str::CallsFound));

        // Nothing found.
        win.box("txtComment")->setText("O'Brien");
        win.w.MnuSearchStart->trigger();
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(win.w.PanelText(2), LibStr(str::Total) + " 0 " + LibStr(str::CallsFound));

        // A day that is no number fails the search: the lines stay, panel 1
        // says the search began, no message; the panel still resets.
        win.w.ToolbarButton("Search_Start")->trigger();
        QCOMPARE(model->rowCount(), 8);
        model->SetChecked(0, true);
        win.list("comDayF")->setEditable(true);
        win.list("comDayF")->setEditText("x");
        win.w.findChild<QPushButton*>("cmdSearch")->click();
        QCOMPARE(model->rowCount(), 8);
        QVERIFY(model->IsChecked(0));
        QCOMPARE(win.w.PanelText(1), LibStr(str::Searching));
        QCOMPARE(win.w.PanelText(2), LibStr(str::Total) + " 8 " + LibStr(str::CallsFound));
        QCOMPARE(win.list("comDayF")->currentText(), QStringLiteral("1"));
        QVERIFY(win.w.findChild<QPushButton*>("cmdSearch")->isEnabled());
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY2(!top->inherits("QMessageBox") || !top->isVisible(), "no message box");
    }

    void searchWithoutCatalogueChangesNoList() {
        Window win(QDate(2024, 5, 17));
        PrjPublicM().Reset();
        StartSearch(win.w);
        QCOMPARE(win.w.PanelText(1), LibStr(str::Searching));
        QVERIFY(win.w.findChild<QPushButton*>("cmdSearch")->isEnabled());
    }
};

QTEST_MAIN(SearchPanelTest)
#include "searchpanel_test.moc"
