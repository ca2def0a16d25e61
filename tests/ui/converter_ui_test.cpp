// The converter window and the conversion commands of the main window, as a
// user works them: controls found by name, the folder dialog and message
// boxes answered by a script, the front-end replaced by the in-memory window
// system (the real one is exercised by the end-to-end tests).
#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QFileInfo>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/store.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmConverter.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "platform/appfolder.h"
#include "platform/shellopen.h"
#include "tests/convert/conversionfixture.h"
#include "tests/convert/fake_windows.h"
#include "tests/ui/modalscript.h"

namespace qlm::test {

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(int* count) : count_(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++*count_;
        return false;
    }

private:
    int* count_;
};

class ConverterUiTest : public QObject {
    Q_OBJECT

private:
    AppFolder* app_ = nullptr;
    QTemporaryDir* dir_ = nullptr;
    FakeWindowSystem* windows_ = nullptr;
    frmMain* main_ = nullptr;
    QString card_, dest_, previousCurrent_;
    QStringList opened_;
    QVector<ConvertItem> items_;

    QString NameOf(int row) const { return RecordingNameFor(items_[row].dateText, items_[row].timeText); }

    // Waits until the converter window has gone.
    bool ConverterGone() {
        return QTest::qWaitFor([] { return frmConverter::Loaded() == nullptr; }, 5000);
    }

    void DoubleClickRow(int row) {
        main_->lvData->selectionModel()->clearSelection();
        main_->lvData->selectionModel()->select(main_->lvDataModel->index(row, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QRect cell = main_->lvData->visualRect(main_->lvDataModel->index(row, kColDate));
        // The view takes a double click only on the line its press landed on.
        QTest::mouseClick(main_->lvData->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(main_->lvData->viewport(), Qt::LeftButton, {}, cell.center());
    }

private slots:
    void initTestCase() {
        app_ = new AppFolder;
        InstallConverter(*app_);
        dir_ = new QTemporaryDir;
        card_ = dir_->filePath(QStringLiteral("card"));
        dest_ = dir_->filePath(QStringLiteral("out"));
        QDir().mkpath(card_);
        QDir().mkpath(dest_);
        windows_ = new FakeWindowSystem;
        SetWindowSystem(windows_);
        SetShellOpener([this](const QString& path, const QString&) {
            opened_ << path;
            return true;
        });
        const QString root = dir_->path();
        frmSelect::SetVolumeLister([root] { return QVector<Volume>{{root, QStringLiteral("work")}}; });
        previousCurrent_ = QDir::currentPath();
        QDir::setCurrent(dest_);

        const QDateTime first(QDate(2005, 10, 25), QTime(14, 35, 27));
        QVector<CallRecord> records;
        for (int i = 0; i < 4; ++i) {
            items_ << AddRecording(card_, first.addSecs(i * 60), 2200);
            CallRecord r;
            r.Date = first.addSecs(i * 60).date();
            r.Time = first.addSecs(i * 60).time();
            records << r;
        }
        PrjPublicM().Reset();
        PrjPublicM().RecordingsFolder = card_;
        main_ = new frmMain;
        main_->Load(false);
        main_->lvDataModel->Append(records);
        QVERIFY(QTest::qWaitForWindowExposed(main_));
    }

    void cleanupTestCase() {
        delete main_;
        SetWindowSystem(nullptr);
        SetShellOpener({});
        frmSelect::SetVolumeLister({});
        QDir::setCurrent(previousCurrent_);
        delete windows_;
        delete dir_;
        delete app_;
    }

    void runStaysOpenWithItsResultsUntilOk() {
        const QVector<ConvertItem> three = items_.mid(0, 3);
        QVERIFY(frmConverter::ConvertFiles(main_, three, dest_ + u'/', 0, false));
        frmConverter* window = frmConverter::Loaded();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(!window->isModal());
        QCOMPARE(window->windowTitle(), QStringLiteral("Converter"));
        auto* list = window->findChild<QListWidget*>(QStringLiteral("LstConverted"));
        auto* status = window->findChild<QLabel*>(QStringLiteral("lblStatus"));
        auto* ok = window->findChild<QPushButton*>(QStringLiteral("cmdOK"));
        auto* cancel = window->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        QVERIFY(list && status && ok && cancel);
        QCOMPARE(list->count(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(list->item(i)->text(),
                     StatusPrefix(i, 3, three[i]) + dest_ + u'/' + NameOf(i) + QStringLiteral(".wav"));
        QCOMPARE(status->text(), LibStr(str::Done));
        QVERIFY(ok->isEnabled());
        QVERIFY(!cancel->isEnabled());
        QVERIFY(main_->isEnabled());  // the main window is not blocked

        // A second run in the open window lists only its own recordings.
        QVERIFY(frmConverter::ConvertFiles(main_, items_.mid(3, 1), dest_ + u'/', 0, false));
        QCOMPARE(frmConverter::Loaded(), window);
        QCOMPARE(list->count(), 1);

        const int closesBefore = static_cast<int>(windows_->log.filter(QStringLiteral("close")).size());
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(ConverterGone());
        QVERIFY(windows_->log.filter(QStringLiteral("close")).size() > closesBefore);  // front-end closed
        QCOMPARE(FrontEndProcessId, 0);
    }

    void noSecondRunInsideTheFirst() {
        DeleteFilesIn(GetTempFolder());
        for (int i = 0; i < 4; ++i)
            QFile::remove(dest_ + u'/' + NameOf(i) + QStringLiteral(".wav"));
        bool sawRunning = false, secondStarted = true, convertEnabled = true, closed = false;
        QString refusal;
        QTimer::singleShot(0, this, [&] {
            sawRunning = frmConverter::Running();
            secondStarted = frmConverter::ConvertFiles(main_, items_, dest_ + u'/', 0, false);
            EnableConvert(*main_, true);  // a line checked meanwhile
            convertEnabled = main_->ToolbarButton(QStringLiteral("Convert_Start"))->isEnabled();
            // A double click meanwhile is refused with a message.
            ModalScript* script = new ModalScript;
            script->AnswerMessage();
            DoubleClickRow(0);
            refusal = script->messages().value(0);
            delete script;
            // The close box during the work only asks it to stop.
            frmConverter::Loaded()->close();
            closed = frmConverter::Loaded() == nullptr;
        });
        ConvertResult result;
        QVERIFY(frmConverter::ConvertFiles(main_, items_, dest_ + u'/', 0, false, &result));
        QVERIFY(sawRunning);
        QVERIFY(!secondStarted);
        QVERIFY(!convertEnabled);
        QCOMPARE(refusal, LibStr(str::ConversionRunning));
        QVERIFY(!closed);
        QCOMPARE(result.outcome, ConvertOutcome::Cancelled);
        QVERIFY(ConverterGone());
        QVERIFY(!frmConverter::Running());
        EnableConvert(*main_, true);
        QVERIFY(main_->ToolbarButton(QStringLiteral("Convert_Start"))->isEnabled());
    }

    void convertCommandMakesMp3WithXTwo() {
        CallListModel* model = main_->lvDataModel;
        for (int row : {0, 2, 3})
            model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole);
        // On the button's circle: its short caption leaves the middle of the
        // wide control unclickable.
        QTest::mouseClick(main_->optMp3, Qt::LeftButton, {}, QPoint(5, 6));
        QCOMPARE(PrjPublicM().Mp3Output, 1);
        main_->Option2->setChecked(true);
        QCOMPARE(ReadMp3Option(*main_), 10);
        main_->Option4->setChecked(true);
        main_->Text1->setText(QString());
        QCOMPARE(ReadMp3Option(*main_), 0);
        main_->Option2->setChecked(true);

        ModalScript script;
        int mode = -1;
        script.On(QStringLiteral("frmSelect"), [&mode](QWidget* w) {
            mode = PrjPublicM().SelectMode;
            QTest::mouseClick(static_cast<frmSelect*>(w)->cmdSubmit, Qt::LeftButton);
        });
        main_->tbaMain_ButtonClick(QStringLiteral("Convert_Start"));
        QCOMPARE(mode, 1);
        frmConverter* window = frmConverter::Loaded();
        QVERIFY(window);
        auto* list = window->findChild<QListWidget*>(QStringLiteral("LstConverted"));
        QCOMPARE(list->count(), 3);
        int line = 0;
        for (int row : {0, 2, 3}) {
            const QString mp3 = dest_ + u'/' + NameOf(row) + QStringLiteral(".mp3");
            QCOMPARE(list->item(line)->text(), StatusPrefix(line, 3, items_[row]) + mp3);
            QVERIFY(QFileInfo::exists(mp3));
            QVERIFY(QFileInfo::exists(JoinPath(GetTempFolder(), NameOf(row) + QStringLiteral(".wav"))));
            ++line;
        }
        // Afterwards: nothing checked, no folders kept, Convert off.
        QVERIFY(!model->AnyChecked());
        QVERIFY(PrjPublicM().DestinationFolder.isEmpty());
        QVERIFY(!PrjPublicM().AllChecked);
        QCOMPARE(model->HeaderImageKey(), QStringLiteral("abc"));
        QVERIFY(!main_->MnuConvertStart->isEnabled());
        window->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QVERIFY(ConverterGone());
        QTest::mouseClick(main_->optWav, Qt::LeftButton, {}, QPoint(5, 6));
        QCOMPARE(PrjPublicM().Mp3Output, 0);
    }

    void doubleClickPlaysTheLevelledTempFile() {
        DeleteFilesIn(GetTempFolder());
        opened_.clear();
        const int startsBefore = windows_->Starts();
        DoubleClickRow(1);
        QCOMPARE(opened_, QStringList{JoinPath(GetTempFolder(), NameOf(1) + QStringLiteral(".wav"))});
        QVERIFY(ConverterGone());  // shown for the conversion only
        QCOMPARE(windows_->Starts(), startsBefore + 1);
        QVERIFY(QFileInfo::exists(JoinPath(GetTempFolder(), NameOf(1) + QStringLiteral(".Dat"))));
        QVERIFY(QFileInfo::exists(JoinPath(GetTempFolder(), NameOf(1) + QStringLiteral(".qlm.wav"))));

        // Played again at once, without a conversion.
        DoubleClickRow(1);
        QCOMPARE(opened_.size(), 2);
        QCOMPARE(windows_->Starts(), startsBefore + 1);

        // A recording that is gone: the failed conversion, then the message.
        const QString card = JoinPath(card_, NameOf(3));
        const QByteArray keep = ReadFile(card);
        QFile::remove(card);
        {
            ModalScript script;
            script.AnswerMessage();
            DoubleClickRow(3);
            QVERIFY(QTest::qWaitFor([&] { return script.done(); }, 5000));
            QCOMPARE(script.messages(), QStringList{QStringLiteral("Fail to Playback")});
            QCOMPARE(opened_.size(), 2);
        }
        WriteFile(card, keep);

        // No catalogue folder: its message, then the playback's.
        PrjPublicM().RecordingsFolder = dir_->filePath(QStringLiteral("nowhere"));
        ModalScript both;
        both.AnswerMessage();
        both.AnswerMessage();
        DoubleClickRow(3);
        QVERIFY(QTest::qWaitFor([&] { return both.done(); }, 5000));
        QCOMPARE(both.messages().value(0),
                 QStringLiteral("Records not found: ") + dir_->filePath(QStringLiteral("nowhere/")));
        QCOMPARE(both.messages().value(1), QStringLiteral("Fail to Playback"));
        QVERIFY(frmConverter::Loaded() == nullptr);
        PrjPublicM().RecordingsFolder = card_;
    }

    // Double clicks through the real opener code, with an xdg-open of our own
    // on the PATH that takes a moment and ends with the given status.
    void playbackReportsAnOpenerThatFails() {
        QTemporaryDir bin;
        const QString marker = bin.filePath(QStringLiteral("opened"));
        const auto fakeOpener = [&](int status) {
            const QString script = bin.filePath(QStringLiteral("xdg-open"));
            WriteFile(
                script,
                QStringLiteral("#!/bin/sh\nsleep 0.6\necho \"$1\" > '%1'\nexit %2\n").arg(marker).arg(status).toUtf8());
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QFile::remove(marker);
        };
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        SetShellOpener({});
        const QString playFile = JoinPath(GetTempFolder(), NameOf(0) + QStringLiteral(".wav"));
        WriteFile(playFile, QByteArray("RIFF"));  // played before: no conversion

        // No program for WAV files: the message, once the opener has said so,
        // and the window painting all the while.
        fakeOpener(3);
        int paints = 0;
        PaintCounter counter(&paints);
        main_->lvData->viewport()->installEventFilter(&counter);
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, main_->lvData->viewport(), qOverload<>(&QWidget::update));
        ticker.start(20);
        {
            ModalScript script;
            script.AnswerMessage();
            DoubleClickRow(0);
            QVERIFY(!QFile::exists(marker));  // the double click did not wait for it
            paints = 0;
            QVERIFY(QTest::qWaitFor([&] { return script.done(); }, 10000));
            QCOMPARE(script.messages(), QStringList{QStringLiteral("Fail to Playback")});
            QVERIFY(QFile::exists(marker));
            QCOMPARE(ReadFile(marker).trimmed(), QFile::encodeName(playFile));
            QVERIFY2(paints >= 5, qPrintable(QString::number(paints)));
        }
        ticker.stop();
        main_->lvData->viewport()->removeEventFilter(&counter);

        // A desktop that plays it: no message.
        fakeOpener(0);
        {
            ModalScript script;
            DoubleClickRow(0);
            QVERIFY(QTest::qWaitFor([&] { return QFile::exists(marker); }, 10000));
            QTest::qWait(300);
            QVERIFY(script.cancelled().isEmpty());
        }
        qputenv("PATH", path);
        SetShellOpener([this](const QString& played, const QString&) {
            opened_ << played;
            return true;
        });
    }

    void playRecOpensTheFolderDialogToPlay() {
        ModalScript script;
        int mode = -1;
        script.On(QStringLiteral("frmSelect"), [&mode](QWidget* w) {
            mode = PrjPublicM().SelectMode;
            static_cast<QDialog*>(w)->reject();
        });
        main_->tbaMain_ButtonClick(QStringLiteral("Play_Rec"));
        QCOMPARE(mode, 2);
    }
};

}  // namespace qlm::test

QTEST_MAIN(qlm::test::ConverterUiTest)
#include "converter_ui_test.moc"
