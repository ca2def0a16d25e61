// The card arrives: a FAT image with recorder files (or a folder bound where
// the kernel has no FAT), mounted while the window is signed in, brings up the notice with the right count; its button
// opens the copy dialog on the card; unmounting takes the notice away.
#include <unistd.h>

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

#include "app/card/recording.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/cardnotice.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "platform/appfolder.h"
#include "tests/support/testsupport.h"
#include "tests/ui/modalscript.h"

using namespace qlm;

namespace {

// Runs a system command; its error output when it fails.
QString System(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return program + u' ' + args.join(u' ') + QStringLiteral(": ") +
               QString::fromLocal8Bit(p.readAllStandardError());
    return QString();
}

}  // namespace

class CardNoticeTest : public QObject {
    Q_OBJECT
private slots:
    void cardOnAFatImageComesAndGoes() {
        if (::geteuid() != 0)
            QSKIP("mounting the card image needs root");
        QTemporaryDir dir;
        const QString files = dir.filePath(QStringLiteral("files"));
        const QString image = dir.filePath(QStringLiteral("card.img"));
        const QString mount = dir.filePath(QStringLiteral("card"));
        QDir().mkpath(files);
        QDir().mkpath(mount);
        // The recorder's files, and a photo that is not one.
        for (int minute = 0; minute < 3; ++minute)
            test::WriteFile(JoinPath(files, RecordingNameFor(QDate(2024, 10, 25), QTime(14, minute, 27))),
                            MakeRecordingHeader(QStringLiteral("5550123"), 0x28) + QByteArray(2048, '\x11'));
        test::WriteFile(JoinPath(files, QStringLiteral("PHOTO001.JPG")), "jpeg");

        // A FAT image as the recorder writes it; where the kernel has no FAT
        // (containers), the folder bound onto the mount point: a real mount
        // all the same.
        QStringList mountArgs = {QStringLiteral("-o"), QStringLiteral("loop"), image, mount};
        QString label = QStringLiteral("QLMCARD");
        QString fat = System(QStringLiteral("mkfs.vfat"),
                             {QStringLiteral("-C"), QStringLiteral("-n"), label, image, QStringLiteral("2048")});
        if (fat.isEmpty())
            fat = System(QStringLiteral("mount"), mountArgs);
        if (fat.isEmpty()) {
            for (const QString& name : QDir(files).entryList(QDir::Files))
                QVERIFY(QFile::copy(JoinPath(files, name), JoinPath(mount, name)));
            QCOMPARE(System(QStringLiteral("umount"), {mount}), QString());
        } else {
            qWarning("no FAT here (%s); binding a folder instead", qPrintable(fat.trimmed()));
            mountArgs = {QStringLiteral("--bind"), files, mount};
            label.clear();
            if (const QString error = System(QStringLiteral("mount"), mountArgs); !error.isEmpty())
                QSKIP(qPrintable(QStringLiteral("mounting is not allowed here: ") + error));
            QCOMPARE(System(QStringLiteral("umount"), {mount}), QString());
        }
        // Whatever happens below, the card goes away with the test.
        const auto unmount = qScopeGuard([&mount] { System(QStringLiteral("umount"), {QStringLiteral("-l"), mount}); });

        test::AppFolder app;
        frmMain window;
        window.Load(false);
        {
            // Signed in with the empty first password; the copy and open
            // dialogs that follow are cancelled.
            test::ModalScript signIn;
            signIn.On(QStringLiteral("frmSignin"), [](QWidget* w) {
                QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdSubmit")), Qt::LeftButton);
            });
            window.ToolbarButton(QStringLiteral("Sign_In"))->trigger();
        }
        QVERIFY(PrjPublicM().SignedIn);
        auto* notice = window.findChild<CardNotice*>(QStringLiteral("cardNotice"));
        QVERIFY(notice);
        QVERIFY(!notice->isVisible());

        QCOMPARE(System(QStringLiteral("mount"), mountArgs), QString());
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), 10000);
        const QString text = notice->lblCardNotice->text();
        QVERIFY2(text.contains(QStringLiteral("3 ") + LibStr(str::Recordings)), qPrintable(text));
        QVERIFY2(text.contains(label, Qt::CaseInsensitive), qPrintable(text));

        // The button: the copy dialog, its source on the card.
        QString source;
        test::ModalScript copy({QStringLiteral("frmSelect")});
        copy.On(QStringLiteral("frmSelect"), [&source](QWidget* w) {
            auto* select = static_cast<frmSelect*>(w);
            source = select->dirSource->Path();
            QTest::mouseClick(select->cmdCancel, Qt::LeftButton);
        });
        QTest::mouseClick(notice->cmdCardCopy, Qt::LeftButton);
        QTRY_VERIFY(copy.done());
        QCOMPARE(QDir::cleanPath(source), QDir::cleanPath(mount));
        QVERIFY(!notice->isVisible());

        // Out and in again: the notice comes back, and goes with the card.
        QCOMPARE(System(QStringLiteral("umount"), {mount}), QString());
        const auto* arrival = notice->findChild<CardArrival*>();
        QVERIFY(arrival);
        QTRY_VERIFY_WITH_TIMEOUT(arrival->Cards().isEmpty(), 10000);
        QCOMPARE(System(QStringLiteral("mount"), mountArgs), QString());
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), 10000);
        QCOMPARE(System(QStringLiteral("umount"), {mount}), QString());
        QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), 10000);
        PrjPublicM().SignedIn = false;
    }
};

QTEST_MAIN(CardNoticeTest)
#include "cardnotice_test.moc"
