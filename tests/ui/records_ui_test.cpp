// The comment dialog, the list's Delete and the card wipe's confirmation,
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

    void cardWipeAsksForTheFolderThenForConfirmation() {
        test::AppFolder app;
        QTemporaryDir card;
        for (const QDateTime& at : kAt)
            sim::WriteRecording(card.path(), {at, QString(), flag::kLine, sim::FillerPayload(10)});
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
        const auto answer = [](QMessageBox::StandardButton button) {
            WhenModal("QMessageBox", [button](QWidget* box) {
                auto* m = static_cast<QMessageBox*>(box);
                QCOMPARE(m->text(), LibStr(str::ConfirmWipeCard));
                QCOMPARE(m->windowTitle(), LibStr(str::MessageTitle));
                m->button(button)->click();
            });
        };
        const auto files = [&] { return QDir(card.path()).entryList(QDir::Files).size(); };

        pickCard(false);  // cancelled in the folder dialog: no question, nothing goes
        w.tbaMain_ButtonClick(QStringLiteral("Delete_CF"));
        QCOMPARE(files(), kAt.size() + 2);
        pickCard(true);
        answer(QMessageBox::Cancel);
        w.tbaMain_ButtonClick(QStringLiteral("Delete_CF"));
        QCOMPARE(files(), kAt.size() + 2);
        QCOMPARE(PrjPublicM().SourceFolder, card.path());
        pickCard(true);
        answer(QMessageBox::Ok);
        w.tbaMain_ButtonClick(QStringLiteral("Delete_CF"));
        QCOMPARE(QDir(card.path()).entryList(QDir::Files), QStringList({"C03071.mdb", "PHOTO001.JPG"}));
        QCOMPARE(PrjPublicM().SourceFolder, card.path());  // kept as chosen
    }
};

QTEST_MAIN(RecordsUiTest)
#include "records_ui_test.moc"
