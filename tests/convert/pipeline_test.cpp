// The conversion's stages on real files with the real libraries, the
// front-end replaced by the in-memory window system: file names, lines,
// reuse of existing files, cancel points and failures.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "app/catalogue/store.h"
#include "app/convert/convertfiles.h"
#include "platform/appfolder.h"
#include "tests/convert/conversionfixture.h"
#include "tests/convert/fake_windows.h"

namespace qlm::test {
namespace {

class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallConverter(app_);
        SetWindowSystem(&windows_);
        FrontEndProcessId = 0;
        card_ = dir_.filePath(QStringLiteral("card"));
        dest_ = dir_.filePath(QStringLiteral("out")) + u'/';
        QDir().mkpath(card_);
        QDir().mkpath(dest_);
        const QDateTime first(QDate(2005, 10, 25), QTime(14, 35, 27));
        for (int i = 0; i < 3; ++i)
            items_ << AddRecording(card_, first.addSecs(i * 3600), 1100 * (i + 1));
    }
    void TearDown() override { SetWindowSystem(nullptr); }

    QString Temp(const QString& file) const { return JoinPath(GetTempFolder(), file); }

    AppFolder app_;
    QTemporaryDir dir_;
    FakeWindowSystem windows_;
    QString card_, dest_;
    QVector<ConvertItem> items_;
};

TEST(ConvertTexts, OptionsPrefixAndPaths) {
    EXPECT_EQ(Mp3OptionFor(1, {}), 1);
    EXPECT_EQ(Mp3OptionFor(2, {}), 10);
    EXPECT_EQ(Mp3OptionFor(3, QStringLiteral("7")), 20);
    EXPECT_EQ(Mp3OptionFor(4, {}), 0);  // MP3 chosen, yet WAV is made
    EXPECT_EQ(Mp3OptionFor(4, QStringLiteral(" 2.57abc")), 25);
    EXPECT_EQ(Mp3OptionFor(4, QStringLiteral("x5")), 0);
    EXPECT_EQ(Mp3OptionFor(4, QStringLiteral("-0.05")), -1);
    EXPECT_EQ(Mp3OptionFor(4, QStringLiteral("1e3")), 10000);
    EXPECT_EQ(Mp3OptionFor(4, QStringLiteral("99999999")), 32767);  // no overflow into WAV
    EXPECT_EQ(Mp3OptionFor(0, QStringLiteral("3")), 0);

    EXPECT_EQ(StatusPrefix(1, 5, {QStringLiteral("10/25/2005"), QStringLiteral("14:35:27")}),
              QStringLiteral("2/5 -  10/25/2005 14:35:27 :  "));

    const ConvertPaths wav = PathsFor(QStringLiteral("A2505143.527"), QStringLiteral("/t/"), QStringLiteral("/d/"), 0);
    EXPECT_EQ(wav.dat, QStringLiteral("/t/A2505143.527.Dat"));
    EXPECT_EQ(wav.decoded, QStringLiteral("/t/A2505143.527.qlm.wav"));
    EXPECT_EQ(wav.levelled, QStringLiteral("/d/A2505143.527.wav"));
    EXPECT_EQ(wav.result, wav.levelled);
    const ConvertPaths mp3 = PathsFor(QStringLiteral("A2505143.527"), QStringLiteral("/t/"), QStringLiteral("/d"), 10);
    EXPECT_EQ(mp3.levelled, QStringLiteral("/t/A2505143.527.wav"));
    EXPECT_EQ(mp3.result, QStringLiteral("/d/A2505143.527.mp3"));
}

TEST_F(PipelineTest, ChecksComeFirstAndTouchNothing) {
    RecordingProgress progress;
    const QString empty = dir_.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    for (const QString& folder : {empty, dir_.filePath(QStringLiteral("missing")), QString()}) {
        const ConvertResult r = ConvertRecordings(items_, folder, dest_, 0, progress);
        EXPECT_EQ(r.outcome, ConvertOutcome::RecordsNotFound);
        EXPECT_EQ(r.message, QStringLiteral("Records not found: ") + JoinPath(folder, QString()));
    }
    QFile::remove(app_.file(QStringLiteral("libkvc.so")));
    ConvertResult r = ConvertRecordings(items_, card_, dest_, 0, progress);
    EXPECT_EQ(r.outcome, ConvertOutcome::ConverterMissing);
    EXPECT_EQ(r.message, QStringLiteral("SNXL Converter not found: voxform.exe"));
    EXPECT_EQ(progress.starts, 0);
    EXPECT_EQ(progress.LineCount(), 0);
    EXPECT_TRUE(windows_.log.isEmpty());
    EXPECT_TRUE(QDir(dest_).isEmpty());
}

TEST_F(PipelineTest, ThreeRecordingsToWavThenMp3ReusingTheirFiles) {
    // A front-end window that some earlier run left is closed first.
    windows_.AddForeignFrontEnd();
    RecordingProgress progress;
    ConvertResult r = ConvertRecordings(items_, card_, dest_, 0, progress);
    ASSERT_EQ(r.outcome, ConvertOutcome::Finished);
    ASSERT_EQ(r.results.size(), 3);
    EXPECT_EQ(r.Failed(), 0);
    EXPECT_TRUE(windows_.log.first().startsWith(QStringLiteral("close")));
    EXPECT_EQ(windows_.Starts(), 1);  // one front-end serves all three
    for (int i = 0; i < 3; ++i) {
        const QString name = RecordingNameFor(items_[i].dateText, items_[i].timeText);
        const QString prefix = StatusPrefix(i, 3, items_[i]);
        EXPECT_EQ(progress.lines.lines[i], prefix + dest_ + name + QStringLiteral(".wav"));
        EXPECT_EQ(r.results[i], dest_ + name + QStringLiteral(".wav"));
        EXPECT_TRUE(progress.history.contains(prefix + QStringLiteral("Converting to Dat ...")));
        EXPECT_TRUE(progress.history.contains(prefix + QStringLiteral("Converting to Wav ...")));
        EXPECT_TRUE(progress.history.contains(prefix + QStringLiteral("Processing HQGC...")));
        // The codec data is the card file without its header.
        EXPECT_EQ(ReadFile(Temp(name + QStringLiteral(".Dat"))), ReadFile(JoinPath(card_, name)).mid(512));
        EXPECT_TRUE(QFileInfo::exists(Temp(name + QStringLiteral(".qlm.wav"))));
    }
    EXPECT_TRUE(progress.lines.lines[0].startsWith(QStringLiteral("1/3 -  10/25/2005 14:35:27 :  ")));

    // MP3: the decoded files are reused, only the levelling and the encoding run.
    RecordingProgress again;
    r = ConvertRecordings(items_, card_, dest_, 10, again);
    ASSERT_EQ(r.Failed(), 0);
    EXPECT_EQ(windows_.Starts(), 1);
    EXPECT_FALSE(again.history.join(u'\n').contains(QStringLiteral("Converting to Dat")));
    EXPECT_FALSE(again.history.join(u'\n').contains(QStringLiteral("Converting to Wav")));
    for (int i = 0; i < 3; ++i) {
        const QString name = RecordingNameFor(items_[i].dateText, items_[i].timeText);
        EXPECT_EQ(r.results[i], dest_ + name + QStringLiteral(".mp3"));
        EXPECT_TRUE(QFileInfo(Temp(name + QStringLiteral(".wav"))).size() >= 44);  // levelled file stays in temp
        EXPECT_TRUE(again.history.contains(StatusPrefix(i, 3, items_[i]) + QStringLiteral("Converting to MP3...")));
    }

    // Everything exists: no stage runs, each line shows its result at once.
    RecordingProgress third;
    r = ConvertRecordings(items_, card_, dest_, 10, third);
    EXPECT_EQ(r.Failed(), 0);
    EXPECT_EQ(third.history.size(), 6);  // each line: its prefix, then its result
    EXPECT_EQ(windows_.Starts(), 1);
}

TEST_F(PipelineTest, CancelStopsAfterTheCurrentStageAndKeepsTheFirstResult) {
    RecordingProgress progress;
    const QString second = StatusPrefix(1, 3, items_[1]);
    progress.cancelWhen = [&](const QString& text) { return text == second + QStringLiteral("Processing HQGC..."); };
    const ConvertResult r = ConvertRecordings(items_, card_, dest_, 0, progress);
    EXPECT_EQ(r.outcome, ConvertOutcome::Cancelled);
    ASSERT_EQ(r.results.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(r.results[0]));
    const QString name = RecordingNameFor(items_[1].dateText, items_[1].timeText);
    EXPECT_TRUE(QFileInfo::exists(Temp(name + QStringLiteral(".qlm.wav"))));  // finished before the cancel
    EXPECT_FALSE(QFileInfo::exists(dest_ + name + QStringLiteral(".wav")));   // cancelled before its work
    EXPECT_EQ(progress.LineCount(), 2);

    // A later run picks up where the cancelled one stopped.
    RecordingProgress later;
    const ConvertResult again = ConvertRecordings(items_, card_, dest_, 0, later);
    EXPECT_EQ(again.Failed(), 0);
    EXPECT_FALSE(later.history.contains(second + QStringLiteral("Converting to Wav ...")));
    EXPECT_TRUE(later.history.contains(second + QStringLiteral("Processing HQGC...")));
}

TEST_F(PipelineTest, FailuresMarkTheirLineAndSpareTheOthers) {
    // A missing card file, and a line whose date names no recording.
    const QString gone = RecordingNameFor(items_[0].dateText, items_[0].timeText);
    QFile::remove(JoinPath(card_, gone));
    QVector<ConvertItem> items = items_;
    items << ConvertItem{QStringLiteral("13/45/2005"), QStringLiteral("99:00:00")};
    RecordingProgress progress;
    ConvertResult r = ConvertRecordings(items, card_, dest_, 0, progress);
    ASSERT_EQ(r.results.size(), 4);
    EXPECT_EQ(progress.lines.lines[0], StatusPrefix(0, 4, items[0]) + kFailedMark.toString());
    EXPECT_TRUE(progress.history.contains(QStringLiteral("No Source: ") + Temp(gone + QStringLiteral(".Dat"))));
    EXPECT_FALSE(r.results[1].isEmpty());
    EXPECT_FALSE(r.results[2].isEmpty());
    EXPECT_TRUE(r.results[3].isEmpty());
    EXPECT_EQ(progress.lines.lines[3], StatusPrefix(3, 4, items[3]) + kFailedMark.toString());
    EXPECT_FALSE(QFileInfo::exists(Temp(QStringLiteral(".Dat"))));
    EXPECT_EQ(r.Failed(), 2);
    EXPECT_EQ(QDir(card_).entryList(QDir::Files).size(), 2);  // the card is left alone

    // A destination that cannot be written: a file stands where the folder
    // should be.
    const QString blocked = dir_.filePath(QStringLiteral("blocked"));
    WriteFile(blocked, "not a folder");
    RecordingProgress second;
    r = ConvertRecordings(items_.mid(1), card_, blocked + u'/', 10, second);
    EXPECT_EQ(r.Failed(), 2);
    EXPECT_TRUE(second.lines.lines[1].endsWith(kFailedMark));
    EXPECT_EQ(ReadFile(blocked), QByteArray("not a folder"));

    // A front-end that shows its error box on every decode: 20 attempts, then
    // the line fails; the files of the other stages are not made up.
    windows_.plan = {OnDecode::ShowErrorBox};
    const QString name = RecordingNameFor(items_[1].dateText, items_[1].timeText);
    QFile::remove(Temp(name + QStringLiteral(".qlm.wav")));
    QFile::remove(dest_ + name + QStringLiteral(".wav"));
    RecordingProgress third;
    const int startsBefore = windows_.Starts();
    r = ConvertRecordings(items_.mid(1, 1), card_, dest_, 0, third);
    EXPECT_EQ(r.Failed(), 1);
    EXPECT_EQ(windows_.Starts() - startsBefore, 20);
    EXPECT_TRUE(third.history.contains(QStringLiteral("Retry: ") + Temp(name + QStringLiteral(".Dat"))));
    EXPECT_FALSE(QFileInfo::exists(dest_ + name + QStringLiteral(".wav")));
}

}  // namespace
}  // namespace qlm::test
