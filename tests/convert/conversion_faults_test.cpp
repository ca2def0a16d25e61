// Conversions that cannot succeed, through the real voxform and qlmtool: a
// temp folder that runs out of space in the middle of a decode, and a
// recording that holds no audio. Each fails on its own line; the calls
// around it convert as usual.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include "app/card/build.h"
#include "app/catalogue/store.h"
#include "app/convert/convertfiles.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "platform/appfolder.h"
#include "tests/convert/conversionfixture.h"
#include "tests/support/smallfs.h"

namespace qlm::test {
namespace {

class ConversionFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // This test's front-ends serve their windows in a folder of its own.
        qputenv("QLM_WINMSG_DIR", QFile::encodeName(dir_.filePath(QStringLiteral("windows"))));
        InstallConverter(app_);
        ASSERT_TRUE(QFile::copy(BuiltPath(QStringLiteral("qlmtool")), app_.file(QStringLiteral("qlmtool"))));
        QFile::setPermissions(app_.file(QStringLiteral("qlmtool")),
                              QFile::permissions(BuiltPath(QStringLiteral("qlmtool"))));
        card_ = dir_.filePath(QStringLiteral("card"));
        out_ = dir_.filePath(QStringLiteral("out"));
        QDir().mkpath(card_);
        QDir().mkpath(out_);
        FrontEndProcessId = 0;
    }
    void TearDown() override {
        CloseFrontEnd();
        qunsetenv("QLM_WINMSG_DIR");
    }

    // Three calls an hour apart; the payload sizes in bytes of codec data.
    void MakeCard(std::initializer_list<qint64> payloads) {
        const QDateTime first(QDate(2005, 10, 25), QTime(9, 15, 0));
        int i = 0;
        for (qint64 bytes : payloads)
            items_ << AddRecording(card_, first.addSecs(3600 * i++), bytes);
        for (const ConvertItem& item : std::as_const(items_))
            names_ << RecordingNameFor(item.dateText, item.timeText);
    }
    QString Temp(const QString& file) const { return JoinPath(GetTempFolder(), file); }
    QString Out(const QString& file) const { return JoinPath(out_, file); }

    AppFolder app_;
    QTemporaryDir dir_;
    QString card_, out_;
    QVector<ConvertItem> items_;
    QStringList names_;
};

TEST_F(ConversionFaultsTest, ATempFolderThatFillsUpFailsOnlyItsCall) {
    test::SmallFs small(600 * 1024);
    if (!small.Mounted())
        GTEST_SKIP() << small.WhyNot().toStdString();
    // The temp folder lies on the small disk: a 2-second call decodes to
    // 64 KB, the 60-second one to 1.9 MB, which never fits.
    ASSERT_TRUE(QFile::link(small.path(), app_.file(QStringLiteral("temp"))));
    MakeCard({1100, 33000, 1100});
    const BuildResult built = BuildCatalogueIn(card_, nullptr, BuildHooks());
    ASSERT_FALSE(built.error.IsSet()) << built.error.description.toStdString();
    built.database->Close();

    const RunResult run = test::Run(app_.file(QStringLiteral("qlmtool")),
                                    {QStringLiteral("convert"), built.path, QStringLiteral("--dest"), out_,
                                     QStringLiteral("--all"), QStringLiteral("--password-stdin")},
                                    "\n");
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const QStringList lines = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    EXPECT_EQ(lines[0], StatusPrefix(0, 3, items_[0]) + Out(names_[0] + QStringLiteral(".wav")));
    EXPECT_EQ(lines[1], StatusPrefix(1, 3, items_[1]) + kFailedMark.toString());
    EXPECT_EQ(lines[2], StatusPrefix(2, 3, items_[2]) + Out(names_[2] + QStringLiteral(".wav")));
    EXPECT_TRUE(run.err.contains("Retry: "));
    // Nothing of the failed decode is left: no headerless "WAV", no part of
    // one under another name, and so no levelled file either.
    const QString work = OtherRunFolder(small.path());  // qlmtool's own folder there
    ASSERT_FALSE(work.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(JoinPath(work, names_[1] + QStringLiteral(".qlm.wav"))));
    EXPECT_FALSE(QFileInfo::exists(Out(names_[1] + QStringLiteral(".wav"))));
    const QStringList temp = QDir(work).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(temp.filter(names_[1]), QStringList{names_[1] + QStringLiteral(".Dat")}) << temp.join(u' ').toStdString();
    for (int i : {0, 2})
        EXPECT_TRUE(ReadFile(JoinPath(work, names_[i] + QStringLiteral(".qlm.wav"))).startsWith("RIFF"));
}

TEST_F(ConversionFaultsTest, ARecordingWithoutAudioFailsWithItsReasonAndCostsTheNextNothing) {
    MakeCard({1100, 0, 1100, 5});  // the second holds its header only, the fourth less than a frame
    const QVector<ConvertItem> three = items_.mid(0, 3);
    RecordingProgress progress;
    QElapsedTimer clock;
    clock.start();
    ConvertResult result = ConvertRecordings(three, card_, JoinPath(out_, QString()), 0, progress);
    const qint64 withSilent = clock.elapsed();
    ASSERT_EQ(result.outcome, ConvertOutcome::Finished);
    ASSERT_EQ(result.results.size(), 3);
    EXPECT_EQ(result.results[0], Out(names_[0] + QStringLiteral(".wav")));
    EXPECT_EQ(result.results[1], QString());
    EXPECT_EQ(result.results[2], Out(names_[2] + QStringLiteral(".wav")));
    EXPECT_EQ(progress.lines.lines[1],
              StatusPrefix(1, 3, three[1]) + LibStr(str::NoAudioInRecording) + kFailedMark.toString());
    EXPECT_FALSE(LibStr(str::NoAudioInRecording).isEmpty());
    // Nothing in the destination for it, and no attempt lost on any call.
    EXPECT_FALSE(QFileInfo::exists(Out(names_[1] + QStringLiteral(".wav"))));
    EXPECT_TRUE(progress.history.filter(QStringLiteral("Retry: ")).isEmpty())
        << progress.history.join(u'\n').toStdString();

    // The same two good calls alone take about as long: the silent one costs
    // no retry (about 3.3 s each).
    CloseFrontEnd();
    DeleteFilesIn(GetTempFolder());
    DeleteFilesIn(out_);
    RecordingProgress alone;
    clock.restart();
    result = ConvertRecordings({items_[0], items_[2]}, card_, JoinPath(out_, QString()), 0, alone);
    EXPECT_EQ(result.Failed(), 0);
    EXPECT_LT(withSilent, clock.elapsed() + 3300);

    // Less than one whole frame of codec data is no audio either; MP3 alike.
    RecordingProgress tail;
    result = ConvertRecordings({items_[3]}, card_, JoinPath(out_, QString()), 1, tail);
    EXPECT_EQ(tail.lines.lines,
              QStringList{StatusPrefix(0, 1, items_[3]) + LibStr(str::NoAudioInRecording) + kFailedMark.toString()});
    EXPECT_EQ(QDir(out_).entryList({names_[3] + u'*'}, QDir::Files), QStringList());
}

}  // namespace
}  // namespace qlm::test
