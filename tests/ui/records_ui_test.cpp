// The comment dialog, the list's Delete and the card wipe's questions,
// driven through the main window as a user drives them.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <functional>

#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "app/ui/frmWriteCom.h"
#include "tests/support/cardcatalogue.h"

using namespace qlm;

namespace {

const QVector<QDateTime> kAt = test::FixtureCallTimes();

// Runs the action on the next modal window of the given class once it is up;
// the caller then starts what opens it.
void WhenModal(const char* className, std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, className, action] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->inherits(className))
            return;
        timer->stop();
        timer->deleteLater();
        action(w);
    });
    timer->start();
}

void SelectRows(frmMain& w, std::initializer_list<int> rows) {
    w.lvData->clearSelection();
    for (int row : rows)
        w.lvData->selectionModel()->select(w.lvData->model()->index(row, 1),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w.lvData->selectionModel()->setCurrentIndex(w.lvData->model()->index(*rows.begin(), 1),
                                                QItemSelectionModel::NoUpdate);
}

}  // namespace

class RecordsUiTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("XDG_DATA_HOME", QFile::encodeName(trash_.path())); }
    void init() { PrjPublicM().Reset(); }
    void cleanup() { PrjPublicM().Reset(); }

    void commentWrittenInTheDialogIsStoredAndShownAgain() {
        QTemporaryDir card;
        test::CardCatalogue c(card.path());
        frmMain w;
        w.Load(false);
        w.lvData->setModel(&c.model);
        const int row = c.RowOf(kAt[1]);
        SelectRows(w, {row});

        bool seen = false;
        WhenModal("qlm::frmWriteCom", [&](QWidget* dialog) {
            seen = true;
            const QRect m = w.frameGeometry();
            QVERIFY(qAbs(dialog->x() - (m.left() + m.width() / 2 - dialog->width() / 2)) <= 1);
            QCOMPARE(dialog->windowTitle(), LibStr(str::WriteComment));
            QCOMPARE(dialog->findChild<QLineEdit*>("txtDate")->text(), QStringLiteral("03/07/2024"));
            QCOMPARE(dialog->findChild<QLineEdit*>("txtTime")->text(), QStringLiteral("09:06:00"));
            QCOMPARE(dialog->findChild<QLineEdit*>("txtCallerID")->text(), c.model.Text(row, kColCallerID));
            QCOMPARE(dialog->findChild<QLineEdit*>("txtInOut")->text(), LibStr(str::Incoming));
            // Legible: read-only, not disabled.
            auto* saved = dialog->findChild<QLineEdit*>("txtSaved");
            QVERIFY(saved->isEnabled() && saved->isReadOnly());
            auto* box = dialog->findChild<QPlainTextEdit*>("txtRecCom");
            QCOMPARE(box->toPlainText(), QString());  // stored " " shows empty
            box->setFocus();
            QTest::keyClicks(box, QStringLiteral("Mrs O'Neil rang"));
            QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);  // a new line, not submit
            QTest::keyClicks(box, QStringLiteral("about the"));
            QTest::keyClick(box, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
            QTest::keyClicks(box, QStringLiteral("'order'"));
            QTest::keyClick(box, Qt::Key_Return);  // the default button
        });
        w.SetPanelText(1, QStringLiteral("elsewhere"));
        WriteComment(w);
        QVERIFY(seen);
        const QString typed = QStringLiteral("Mrs O'Neil rang\nabout the\n'order'");
        QCOMPARE(c.model.Text(row, kColComment), typed);
        QCOMPARE(test::CommentsAt(c.db(), kAt[1]), QStringList{typed});
        QCOMPARE(w.PanelText(1), PrjPublicM().CataloguePath);

        // Reopened: the comment is there; cancel changes nothing.
        WhenModal("qlm::frmWriteCom", [&](QWidget* dialog) {
            auto* box = dialog->findChild<QPlainTextEdit*>("txtRecCom");
            QCOMPARE(box->toPlainText(), typed);
            box->setPlainText(QStringLiteral("not this"));
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
        });
        WriteComment(w);
        QCOMPARE(c.model.Text(row, kColComment), typed);
        QCOMPARE(test::CommentsAt(c.db(), kAt[1]), QStringList{typed});

        // An emptied box stores the blank and leaves the cell empty.
        WhenModal("qlm::frmWriteCom", [&](QWidget* dialog) {
            dialog->findChild<QPlainTextEdit*>("txtRecCom")->clear();
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdSubmit"), Qt::LeftButton);
        });
        WriteComment(w);
        QCOMPARE(c.model.Text(row, kColComment), QString());
        QCOMPARE(test::CommentsAt(c.db(), kAt[1]), QStringList{" "});
    }

    void rejectedCommentIsReportedAndTheLineKeepsItsComment() {
        QTemporaryDir card;
        test::CardCatalogue c(card.path());
        frmMain w;
        w.Load(false);
        w.lvData->setModel(&c.model);
        const int row = c.RowOf(kAt[0]);
        SelectRows(w, {row});
        PrjPublicM().CloseCatalogue();  // the update cannot run now

        QString message;
        WhenModal("qlm::frmWriteCom", [&](QWidget* dialog) {
            dialog->findChild<QPlainTextEdit*>("txtRecCom")->setPlainText(QStringLiteral("lost?"));
            WhenModal("QMessageBox", [&](QWidget* box) {
                message = static_cast<QMessageBox*>(box)->text();
                QCOMPARE(box->windowTitle(), LibStr(str::MessageTitle));
                static_cast<QMessageBox*>(box)->accept();
            });
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdSubmit"), Qt::LeftButton);
        });
        WriteComment(w);
        QVERIFY2(message.startsWith(LibStr(str::CommentNotSaved)), qPrintable(message));
        QCOMPARE(c.model.Text(row, kColComment), QStringLiteral(" "));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void deleteTakesEverySelectedLineWithItsFileAndRows() {
        QTemporaryDir card;
        test::CardCatalogue c(card.path());
        frmMain w;
        w.Load(false);
        w.lvData->setModel(&c.model);
        const int a = c.RowOf(kAt[1]);
        const int b = c.RowOf(kAt[2]);
        QCOMPARE(qAbs(a - b), 1);
        SelectRows(w, {a, b});
        // The Delete key on the list is the pop-up menu's Delete, which only
        // a signed-in user gets.
        QTest::keyClick(w.lvData, Qt::Key_Delete);
        QCOMPARE(c.model.rowCount(), 5);
        PrjPublicM().SignedIn = true;
        QTest::keyClick(w.lvData, Qt::Key_Delete);
        PrjPublicM().SignedIn = false;
        QCOMPARE(c.model.rowCount(), 3);
        QCOMPARE(c.RowOf(kAt[1]), -1);
        QCOMPARE(c.RowOf(kAt[2]), -1);
        QVERIFY(!QFile::exists(c.FileOf(kAt[1])));
        QVERIFY(!QFile::exists(c.FileOf(kAt[2])));
        QVERIFY(QFile::exists(c.FileOf(kAt[0])));
        QCOMPARE(test::RowCount(c.db()), 3);
        QCOMPARE(w.PanelText(2), LibStr(str::Total) + QStringLiteral(" 3 ") + LibStr(str::Calls));

        // Nothing selected: nothing goes, the count is shown all the same.
        w.lvData->clearSelection();
        w.SetPanelText(2, QString());
        w.MnuDelete->trigger();
        QCOMPARE(test::RowCount(c.db()), 3);
        QCOMPARE(w.PanelText(2), LibStr(str::Total) + QStringLiteral(" 3 ") + LibStr(str::Calls));
    }

    void deleteAsksOnceForSavedCallsAndTellsAboutCheckedLines() {
        QTemporaryDir card;
        test::CardCatalogue c(card.path());
        Error error;
        QVERIFY(c.db()->Execute(
            QStringLiteral("UPDATE qlm SET Saved = 1 WHERE Time >= '09:06:00' AND Time <= '09:07:00'"), &error));
        CallListModel listed;
        QCOMPARE(c.Reopen(&listed), 5);
        frmMain w;
        w.Load(false);
        w.lvData->setModel(&listed);
        PrjPublicM().SignedIn = true;
        const auto rowOf = [&](int i) {
            for (int r = 0; r < listed.rowCount(); ++r)
                if (listed.Record(r).Time == kAt[i].time() && listed.Record(r).Date == kAt[i].date())
                    return r;
            return -1;
        };
        QString asked;
        const auto answer = [&](QMessageBox::StandardButton button) {
            WhenModal("QMessageBox", [&, button](QWidget* box) {
                auto* m = static_cast<QMessageBox*>(box);
                asked = m->text();
                m->button(button)->click();
            });
        };
        SelectRows(w, {rowOf(0), rowOf(1), rowOf(2)});
        answer(QMessageBox::Cancel);
        QTest::keyClick(w.lvData, Qt::Key_Delete);
        QCOMPARE(asked, LibStr(str::ConfirmDeleteSaved).arg(2));
        QCOMPARE(listed.rowCount(), 5);
        QCOMPARE(test::RowCount(c.db()), 5);
        SelectRows(w, {rowOf(0), rowOf(1), rowOf(2)});
        answer(QMessageBox::Ok);
        QTest::keyClick(w.lvData, Qt::Key_Delete);
        QCOMPARE(listed.rowCount(), 2);
        QCOMPARE(test::RowCount(c.db()), 2);
        for (int i : {0, 1, 2}) {
            QVERIFY(!QFile::exists(c.FileOf(kAt[i])));
            // In the trash, to be undone from the file manager.
            QVERIFY(QFile::exists(
                JoinPath(trash_.path(), QStringLiteral("Trash/files/") + QFileInfo(c.FileOf(kAt[i])).fileName())));
        }

        // Only a checked line: Delete says why nothing goes.
        w.lvData->clearSelection();
        listed.SetChecked(0, true);
        asked.clear();
        answer(QMessageBox::Ok);
        w.MnuDelete->trigger();
        QCOMPARE(asked, LibStr(str::DeleteNothingSelected));
        QCOMPARE(test::RowCount(c.db()), 2);
        PrjPublicM().SignedIn = false;
    }

    void cardWipeTakesOnlyWhatTheOpenLibraryHolds() {
        QTemporaryDir libraryFolder, card;
        test::CardCatalogue library(libraryFolder.path());
        for (int i : {0, 1, 2})
            QVERIFY(QFile::copy(library.FileOf(kAt[i]),
                                JoinPath(card.path(), QFileInfo(library.FileOf(kAt[i])).fileName())));
        const QDateTime later(QDate(2024, 5, 1), QTime(8, 0, 0));
        sim::WriteRecording(card.path(), {later, QString(), flag::kLine, sim::FillerPayload(10)});
        test::WriteFile(JoinPath(card.path(), QStringLiteral("PHOTO001.JPG")), "jpeg");
        test::WriteFile(JoinPath(card.path(), QStringLiteral("C03071.mdb")), "catalogue");
        frmMain w;
        w.Load(false);
        const auto pickCard = [&](bool ok) {
            WhenModal("qlm::frmSelect", [&, ok](QWidget* d) {
                auto* select = static_cast<frmSelect*>(d);
                QVERIFY(select->fraSource->isVisible());
                select->dirSource->SetPath(card.path(), QStringLiteral("/"));
                QTest::mouseClick(ok ? select->cmdSubmit : select->cmdCancel, Qt::LeftButton);
            });
        };
        QString said;
        const auto answer = [&](QMessageBox::StandardButton button, std::function<void()> then = {}) {
            WhenModal("QMessageBox", [&, button, then](QWidget* box) {
                auto* m = static_cast<QMessageBox*>(box);
                said = m->text();
                QCOMPARE(m->windowTitle(), LibStr(str::MessageTitle));
                if (then)
                    then();
                m->button(button)->click();
            });
        };
        const auto files = [&] { return QDir(card.path()).entryList(QDir::Files).size(); };

        pickCard(false);  // cancelled in the folder dialog: no question, nothing goes
        w.tbaMain_ButtonClick(QStringLiteral("Delete_CF"));
        QCOMPARE(files(), 6);
        pickCard(true);
        answer(QMessageBox::Cancel);
        w.tbaMain_ButtonClick(QStringLiteral("Delete_CF"));
        QCOMPARE(said, LibStr(str::ConfirmWipeLibrary).arg(libraryFolder.path()));
        QCOMPARE(files(), 6);
        QCOMPARE(PrjPublicM().SourceFolder, card.path());
        pickCard(true);
        answer(QMessageBox::Ok, [&] { answer(QMessageBox::Ok); });
        w.tbaMain_ButtonClick(QStringLiteral("Delete_CF"));
        QVERIFY2(said.contains(LibStr(str::WipeDeleted).arg(3)), qPrintable(said));
        QVERIFY2(said.contains(LibStr(str::WipeNotInLibrary).arg(1)), qPrintable(said));
        QCOMPARE(QDir(card.path()).entryList(QDir::Files),
                 QStringList({RecordingNameFor(later.date(), later.time()), "C03071.mdb", "PHOTO001.JPG"}));
        QCOMPARE(QDir(libraryFolder.path()).entryList({RecordingNamePattern()}, QDir::Files).size(), 5);

        // No catalogue open: no library to compare with, nothing goes.
        PrjPublicM().CloseCatalogue();
        pickCard(true);
        answer(QMessageBox::Ok);
        w.tbaMain_ButtonClick(QStringLiteral("Delete_CF"));
        QCOMPARE(said, LibStr(str::WipeNeedsLibrary));
        QCOMPARE(files(), 3);
    }

private:
    QTemporaryDir trash_;
};

QTEST_MAIN(RecordsUiTest)
#include "records_ui_test.moc"
