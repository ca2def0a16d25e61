// The player panel from the user's side, on speech WAVs waiting in the temp
// folder: a click on a line prepares the call, keys and clicks move through
// it, next call moves the list's selection; with a PulseAudio server of the
// test's own (a null sink), Space plays and the sound arrives at the sink.
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QSlider>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include "app/catalogue/calllistmodel.h"
#include "app/player/playfile.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/frmMain.h"
#include "app/ui/playerpanel.h"
#include "app/ui/waveformview.h"
#include "tests/player/pitch.h"
#include "tests/support/testsupport.h"
#include "tools/speech.h"

using namespace qlm;

class PlayerPanelTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void keysAndClicksMoveThroughTheCalls();
    void playsThroughTheSoundServer();

private:
    void ClickLine(int row);
    QString pulseError_;
    QTemporaryDir pulseDir_;
    QProcess pulse_;
    std::unique_ptr<test::AppFolder> app_;
    std::unique_ptr<frmMain> main_;
    PlayerPanel* panel_ = nullptr;
};

// A sound server of the test's own, started before the first use of Qt
// Multimedia: PulseAudio with a null sink, its socket in a private folder.
void PlayerPanelTest::initTestCase() {
    if (!sim::CanSpeak())
        QSKIP("espeak-ng and sox are needed");
    const QString dir = pulseDir_.path();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir);
    env.insert(QStringLiteral("HOME"), dir);
    pulse_.setProcessEnvironment(env);
    pulse_.setProcessChannelMode(QProcess::MergedChannels);
    pulse_.start(
        QStringLiteral("pulseaudio"),
        {QStringLiteral("-n"), QStringLiteral("--system=false"), QStringLiteral("--daemonize=no"),
         QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=false"), QStringLiteral("-L"),
         QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + dir + QStringLiteral("/native"),
         QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=qlmnull rate=8000 channels=1")});
    const QString socket = dir + QStringLiteral("/native");
    for (int i = 0; i < 100 && !QFile::exists(socket) && pulse_.state() != QProcess::NotRunning; ++i)
        QTest::qWait(50);
    if (QFile::exists(socket))
        qputenv("PULSE_SERVER", QFile::encodeName(QStringLiteral("unix:") + socket));
    else
        pulseError_ = QStringLiteral("PulseAudio could not be started: ") + QString::fromLocal8Bit(pulse_.readAll());
}

void PlayerPanelTest::cleanupTestCase() {
    if (pulse_.state() != QProcess::NotRunning) {
        pulse_.terminate();
        pulse_.waitForFinished(5000);
    }
}

// Three calls whose levelled WAVs are in temp already: preparing reuses them.
void PlayerPanelTest::init() {
    app_ = std::make_unique<test::AppFolder>();
    main_ = std::make_unique<frmMain>();
    main_->Load(false);
    QVector<CallRecord> calls;
    for (int i = 0; i < 3; ++i) {
        CallRecord r;
        r.Date = QDate(2024, 3, 1 + i);
        r.Time = QTime(9, 0, 0);
        r.Duration = 4;
        r.CallerID = QStringLiteral("55512%1").arg(i);
        calls << r;
    }
    main_->lvDataModel->Append(calls);
    for (int i = 0; i < 3; ++i) {
        const QString wav = PlayFileFor({main_->lvDataModel->Text(i, kColDate), main_->lvDataModel->Text(i, kColTime)});
        QString why;
        QVERIFY2(sim::SpeakToWav(
                     QStringLiteral("Call number %1. The meeting moves to Thursday at ten. Please bring the figures "
                                    "for the second quarter and the new price list.")
                         .arg(i + 1),
                     wav, &why),
                 qPrintable(why));
    }
    panel_ = main_->findChild<PlayerPanel*>(QStringLiteral("fraPlayer"));
    QVERIFY(panel_);
    QVERIFY(!panel_->isVisible());  // signed out
    PrjPublicM().SignedIn = true;
    panel_->SetSignedIn(true);
    main_->Layout();
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    QVERIFY(panel_->isVisible());
    QVERIFY(panel_->geometry().top() > main_->lvData->geometry().bottom());
}

void PlayerPanelTest::cleanup() {
    main_.reset();
    app_.reset();
    PrjPublicM().SignedIn = false;
}

void PlayerPanelTest::ClickLine(int row) {
    const QRect rect = main_->lvData->visualRect(main_->lvDataModel->index(row, kColDate));
    QTest::mouseClick(main_->lvData->viewport(), Qt::LeftButton, {}, rect.center());
}

void PlayerPanelTest::keysAndClicksMoveThroughTheCalls() {
    auto* wave = panel_->findChild<WaveformView*>(QStringLiteral("picWaveform"));
    auto* next = panel_->findChild<QToolButton*>(QStringLiteral("cmdNextCall"));
    auto* speed = panel_->findChild<QComboBox*>(QStringLiteral("cboSpeed"));
    auto* call = panel_->findChild<QLabel*>(QStringLiteral("lblCall"));
    auto* status = panel_->findChild<QLabel*>(QStringLiteral("lblPlayerStatus"));
    QVERIFY(wave && next && speed && call && status);
    for (QWidget* w : panel_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (w->focusPolicy() != Qt::NoFocus)
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));

    ClickLine(0);
    QTRY_VERIFY(panel_->Prepared());
    QVERIFY(call->text().contains(QStringLiteral("03/01/2024")));
    QVERIFY(call->text().contains(QStringLiteral("555120")));
    const qint64 duration = panel_->Core().DurationMs();
    QVERIFY(duration > 7000);

    // A click on the waveform seeks there and takes the keys.
    QTest::mouseClick(wave, Qt::LeftButton, {}, QPoint(wave->width() / 4, wave->height() / 2));
    const qint64 quarter = wave->TimeAt(wave->width() / 4);
    QCOMPARE(panel_->PositionMs(), quarter);
    QVERIFY(wave->hasFocus());
    QTest::keyClick(wave, Qt::Key_Right);
    QCOMPARE(panel_->PositionMs(), quarter + 5000);
    QTest::keyClick(wave, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(panel_->PositionMs(), quarter + 4000);
    QTest::keyClick(wave, Qt::Key_End);
    QCOMPARE(panel_->PositionMs(), duration);
    QTest::keyClick(wave, Qt::Key_Home);
    QCOMPARE(panel_->PositionMs(), 0);
    QTest::keyClick(wave, Qt::Key_BracketRight);
    QTest::keyClick(wave, Qt::Key_BracketRight);
    QCOMPARE(speed->currentData().toDouble(), 1.5);
    QCOMPARE(panel_->Core().Speed(), 1.5);
    QTest::keyClick(wave, Qt::Key_BracketLeft);
    QCOMPARE(panel_->Core().Speed(), 1.25);

    // Next call: the list's selection moves and the panel follows.
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(main_->lvData->currentIndex().row(), 1);
    QVERIFY(main_->lvData->selectionModel()->isRowSelected(1, QModelIndex()));
    QVERIFY(call->text().contains(QStringLiteral("03/02/2024")));
    QTRY_VERIFY(panel_->Prepared());
    wave->setFocus();
    QTest::keyClick(wave, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(main_->lvData->currentIndex().row(), 2);
    // The step moves the selection; it never widens it (a Delete would take more).
    QCOMPARE(main_->lvData->selectionModel()->selectedRows().size(), 1);

    // Without a sound server the panel says so and Space plays nothing.
    if (!panel_->SoundAvailable()) {
        QTest::keyClick(wave, Qt::Key_Space);
        QVERIFY(!panel_->Playing());
        QCOMPARE(status->text(), LibStr(str::NoSoundOutput));
    }
}

void PlayerPanelTest::playsThroughTheSoundServer() {
    if (!pulseError_.isEmpty())
        QSKIP(qPrintable(pulseError_));
    QVERIFY2(panel_->SoundAvailable(), "the test's PulseAudio server is not seen by Qt Multimedia");
    ClickLine(0);
    QTRY_VERIFY(panel_->Prepared());
    auto* wave = panel_->findChild<WaveformView*>(QStringLiteral("picWaveform"));
    wave->setFocus();

    // What reaches the null sink, read back from its monitor.
    QProcess rec;
    rec.start(QStringLiteral("parec"),
              {QStringLiteral("--device=qlmnull.monitor"), QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
               QStringLiteral("--rate=8000"), QStringLiteral("--channels=1")});
    QVERIFY(rec.waitForStarted());
    QTest::qWait(300);
    const QByteArray before = rec.readAllStandardOutput();
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(wave, Qt::Key_Space);
    QVERIFY(panel_->Playing());
    // The position follows what has been played: moving, never ahead of it.
    QTRY_VERIFY_WITH_TIMEOUT(panel_->PositionMs() > 1000, 8000);
    const qint64 heard = panel_->PositionMs();
    QVERIFY2(heard <= clock.elapsed() + 20, qPrintable(QString::number(heard)));
    const QByteArray during = rec.readAllStandardOutput();
    QTest::keyClick(wave, Qt::Key_Space);
    QVERIFY(!panel_->Playing());
    rec.terminate();
    QVERIFY(rec.waitForFinished(3000));
    QVERIFY(test::Loudest(before) < 100);
    QVERIFY2(test::Loudest(during) > 2000, qPrintable(QString::number(test::Loudest(during))));

    // Played to its end at double speed: the panel reports the end.
    QTest::keyClick(wave, Qt::Key_BracketRight);
    QTest::keyClick(wave, Qt::Key_BracketRight);
    QTest::keyClick(wave, Qt::Key_BracketRight);
    QTest::keyClick(wave, Qt::Key_End);
    QTest::keyClick(wave, Qt::Key_Left);
    QTest::keyClick(wave, Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(!panel_->Playing(), 6000);
    QCOMPARE(panel_->findChild<QLabel*>(QStringLiteral("lblPlayerStatus"))->text(), LibStr(str::EndOfCall));
}

QTEST_MAIN(PlayerPanelTest)
#include "playerpanel_test.moc"
