// The three commands from the window, as a user works them: menu items found
// by name, dialogs answered by typing and clicking; the backup made while
// the window holds the catalogue and read back with sqlite3.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>

#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmBackup.h"
#include "app/ui/frmConverter.h"
#include "app/ui/frmExport.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmPrune.h"
#include "app/ui/frmWriteCom.h"
#include "tests/convert/conversionfixture.h"
#include "tests/export/exportfixture.h"
#include "tests/ui/modalscript.h"

namespace qlm::test {

class ExportUiTest : public QObject {
    Q_OBJECT

private:
    AppFolder* app_ = nullptr;
    QTemporaryDir* dir_ = nullptr;
    frmMain* main_ = nullptr;
    QString card_;
    QVector<CardCall> calls_;

    QAction* Item(const char* name) const { return main_->findChild<QAction*>(QString::fromLatin1(name)); }
    CallListModel* Model() const { return main_->lvDataModel; }

    static void Type(QLineEdit* box, const QString& text) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, text);
    }
    QVector<CallRecord> Rows(Database* db) const {
        QVector<CallRecord> rows;
        Error error;
        for (auto set = db->OpenRecordset(QString::fromLatin1(kSelectAllCalls), &error); set && !set->AtEnd();
             set->MoveNext())
            rows << ReadCallRecord(*set);
        return rows;
    }

private slots:
    void initTestCase() {
        app_ = new AppFolder;
        InstallConverter(*app_);
        dir_ = new QTemporaryDir;
        card_ = dir_->filePath(QStringLiteral("card"));
        calls_ = ExportCardCalls();
        QVERIFY(!MakeCardCatalogue(card_, calls_).isEmpty());  // held as the window holds it
        main_ = new frmMain;
        main_->Load(false);
        Error error;
        auto rows = PrjPublicM().CatalogueDatabase->OpenRecordset(QString::fromLatin1(kSelectAllCalls), &error);
        QCOMPARE(ListCatalogueRows(rows.get(), Model(), &error), calls_.size());
        QVERIFY(QTest::qWaitForWindowExposed(main_));
    }

    void cleanupTestCase() {
        delete main_;
        PrjPublicM().Reset();
        delete dir_;
        delete app_;
    }

    void itemsFollowTheirCommands() {
        QVERIFY(main_->MnuTool->actions().contains(Item("MnuExport")));
        QVERIFY(main_->MnuTool->actions().contains(Item("MnuPrune")));
        QVERIFY(main_->MnuFile->actions().contains(Item("MnuBackup")));
        for (const char* name : {"MnuExport", "MnuPrune", "MnuBackup"}) {
            QVERIFY(Item(name)->text().contains(u'&'));
            QVERIFY(!Item(name)->isEnabled());  // signed out
        }
        EnableCommands(*main_, true);
        EnableCatalogueCommands(*main_, true);
        EnableConvert(*main_, false);
        QVERIFY(Item("MnuBackup")->isEnabled());
        QVERIFY(Item("MnuPrune")->isEnabled());
        QVERIFY(!Item("MnuExport")->isEnabled());
        Model()->setData(Model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        QVERIFY(Item("MnuExport")->isEnabled());
        Model()->setData(Model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
        QVERIFY(!Item("MnuExport")->isEnabled());
    }

    void backupWhileTheWindowHoldsTheCatalogue() {
        const int last = static_cast<int>(calls_.size()) - 1;
        main_->lvData->selectionModel()->select(Model()->index(last, 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        const QString backup = dir_->filePath(QStringLiteral("copy of catalogue.mdb"));
        ModalScript script;
        script.On(QStringLiteral("frmWriteCom"), [](QWidget* w) {
            auto* dialog = static_cast<frmWriteCom*>(w);
            dialog->txtRecCom->selectAll();
            QTest::keyClicks(dialog->txtRecCom, QStringLiteral("written just before"));
            QTest::mouseClick(dialog->cmdSubmit, Qt::LeftButton);
        });
        main_->MnuWriteComment->trigger();
        QString recordingsShown;
        script.On(QStringLiteral("frmBackup"), [&](QWidget* w) {
            auto* dialog = static_cast<frmBackup*>(w);
            recordingsShown = dialog->lblRecordings->text();
            Type(dialog->txtDestination, backup);
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        script.AnswerMessage();
        Item("MnuBackup")->trigger();
        QVERIFY(QTest::qWaitFor([&] { return script.done(); }, 10000));
        QCOMPARE(script.messages(), QStringList{LibStr(str::BackedUpTo).arg(backup)});
        QVERIFY(recordingsShown.contains(card_));

        const RunResult read =
            Run(QStringLiteral("sqlite3"), {backup, QStringLiteral("SELECT count(*) FROM qlm; SELECT count(*) FROM qlm "
                                                                   "WHERE Comment = 'written just before';")});
        QCOMPARE(read.out, QByteArray("6\n1\n"));
        Error error;
        auto copy = Database::Open(backup, true, &error);
        QVERIFY(copy);
        QCOMPARE(Rows(copy.get()), Rows(PrjPublicM().CatalogueDatabase.get()));
    }

    void exportTheCheckedCalls() {
        for (int row : {0, 2}) {
            LeaveWorkFiles(calls_[row], 3);
            Model()->setData(Model()->index(row, 0), Qt::Checked, Qt::CheckStateRole);
        }
        const QString zip = dir_->filePath(QStringLiteral("two calls.zip"));
        QString told;
        ModalScript script;
        script.On(QStringLiteral("frmExport"), [&](QWidget* w) {
            auto* dialog = static_cast<frmExport*>(w);
            told = dialog->lblCalls->text();
            Type(dialog->txtDestination, zip);
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        Item("MnuExport")->trigger();
        QVERIFY(told.startsWith(QStringLiteral("2 ")));
        frmConverter* window = frmConverter::Loaded();
        QVERIFY(window);
        QListWidget* lines = window->LstConverted;
        QCOMPARE(lines->item(lines->count() - 1)->text(), LibStr(str::CallsExportedTo).arg(2).arg(zip));
        QVERIFY(QFileInfo(zip).isFile());
        QTest::mouseClick(window->cmdOK, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([] { return frmConverter::Loaded() == nullptr; }, 5000));
    }

    void deleteOldCalls() {
        // Older than 90 days and not saved: calls 0, 2, 3 and 4.
        qint64 bytes = 0;
        for (int i : {0, 2, 3, 4})
            bytes += QFileInfo(JoinPath(card_, calls_[i].FileName())).size();
        QString counted;
        ModalScript script;
        script.On(QStringLiteral("frmPrune"), [&](QWidget* w) {
            auto* dialog = static_cast<frmPrune*>(w);
            dialog->txtDays->setFocus();
            QTest::keyClick(dialog->txtDays, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog->txtDays, QStringLiteral("90"));
            counted = dialog->lblCount->text();
            QTest::mouseClick(dialog->cmdDelete, Qt::LeftButton);
        });
        script.AnswerMessage();  // the confirmation
        script.AnswerMessage();  // the result
        Item("MnuPrune")->trigger();
        QVERIFY(QTest::qWaitFor([&] { return script.done(); }, 10000));
        QVERIFY2(counted.startsWith(LibStr(str::PruneSummary).arg(4).arg(static_cast<double>(bytes) / 1e6, 0, 'f', 1)),
                 qPrintable(counted));
        QCOMPARE(script.messages().value(1), LibStr(str::CallsDeleted).arg(4));
        QCOMPARE(Model()->rowCount(), 2);
        QCOMPARE(Model()->Record(0).Time, calls_[1].start.time());
        for (int i = 0; i < calls_.size(); ++i)
            QCOMPARE(QFileInfo::exists(JoinPath(card_, calls_[i].FileName())), i == 1 || i == 5);
        QCOMPARE(Rows(PrjPublicM().CatalogueDatabase.get()).size(), 2);
    }
};

}  // namespace qlm::test

QTEST_MAIN(qlm::test::ExportUiTest)
#include "export_ui_test.moc"
