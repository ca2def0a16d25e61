// Start-up of the main program: the string library or the fatal message.
#include <QApplication>
#include <QLabel>
#include <QAbstractButton>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/frmMain.h"
#include "app/ui/startup.h"
#include "platform/appfolder.h"
#include "tests/support/testsupport.h"

using namespace qlm;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void missingLibraryShowsFatalBoxAndEnds() {
        QTemporaryDir empty;
        SetApplicationFolder(empty.path());
        QString boxText;
        // Answer the box with OK as the user would.
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            boxText = box->text();
            QTest::mouseClick(static_cast<QWidget*>(box->button(QMessageBox::Ok)), Qt::LeftButton);
        });
        QCOMPARE(LoadStringLibraryOrFail(), kExitFatalStrings);
        QCOMPARE(boxText, QStringLiteral("Can Not Get String. Fatal Error !"));
        SetApplicationFolder(QString());
    }

    void mainWindowTakesItsTitleFromTheLibrary() {
        test::AppFolder app;
        QCOMPARE(LoadStringLibraryOrFail(), 0);
        frmMain window;
        window.Load(false);  // the sign-in would wait for a user
        QCOMPARE(window.windowTitle(), LibStr(str::ProgramName) + QStringLiteral(" V") + LibStr(str::Version));
        QCOMPARE(window.PanelText(1), LibStr(str::Ready));
        QVERIFY(window.isVisible());
    }

    // The installed program, started in a folder without its library, says
    // so on stderr before it waits for the box to be answered.
    void programReportsTheFatalErrorOnStderr() {
        QTemporaryDir folder;
        QVERIFY(QFile::copy(test::BuiltPath(QStringLiteral("QLM6200")), folder.filePath(QStringLiteral("QLM6200"))));
        QFile(folder.filePath(QStringLiteral("QLM6200")))
            .setPermissions(QFileDevice::ExeOwner | QFileDevice::ReadOwner);
        QProcess process;
        process.start(folder.filePath(QStringLiteral("QLM6200")), {});
        QVERIFY(process.waitForStarted());
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT(
            (err += process.readAllStandardError()).contains("Can Not Get String. Fatal Error !") ||
                process.state() == QProcess::NotRunning,
            20000);
        QVERIFY(process.state() == QProcess::Running);  // the box waits for its OK
        process.kill();
        process.waitForFinished();
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
