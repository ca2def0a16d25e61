// The recorder simulator's demo card: spoken calls whose codec data is of the
// rate their header names.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "app/card/recording.h"
#include "tests/support/testsupport.h"
#include "tools/recsim.h"
#include "tools/speech.h"
#include "voxform/vfcore.h"

namespace qlm {
namespace {

// Frame counts of a payload by class: speech frames of each length and
// silent frames.
struct Census {
    int speech11 = 0, speech18 = 0, speech24 = 0, other = 0;
    qint64 silent = 0;
};

Census Count(const QByteArray& payload) {
    Census c;
    const auto* b = reinterpret_cast<const uint8_t*>(payload.constData());
    qint64 p = 0;
    while (p + 1 < payload.size()) {
        const int length = vf::FrameLength(b[p]);
        if (length == 2)
            c.silent += vf::RunLength(b[p], b[p + 1]);
        else if (length == 11)
            ++c.speech11;
        else if (length == 18)
            ++c.speech18;
        else if (length == 24)
            ++c.speech24;
        else
            ++c.other;
        p += length;
    }
    return c;
}

void ExpectRateClass(const QString& path) {
    Error error;
    const RecordingInfo info = ReadRecordingHeader(path, &error);
    ASSERT_FALSE(error.IsSet()) << error.description.toStdString();
    const Census c = Count(test::ReadFile(path).mid(RecordingHeaderSize));
    const int total = c.speech11 + c.speech18 + c.speech24;
    EXPECT_GT(total, 0) << path.toStdString();
    EXPECT_EQ(c.other, 0);
    // Header rate 0 is 1.2 KB/s (24-byte frames), 1 is 0.9 (18), 2 is 0.55 (11).
    const int matching = info.SampleRate == 0 ? c.speech24 : info.SampleRate == 1 ? c.speech18 : c.speech11;
    EXPECT_EQ(matching, total) << path.toStdString() << " rate " << info.SampleRate;
}

TEST(DemoCardTest, TheProgramWritesSpokenCallsAtTheirHeadersRates) {
    if (!sim::CanSpeak())
        GTEST_SKIP() << "espeak-ng and sox are needed";
    QTemporaryDir dir;
    const QString card = dir.filePath(QStringLiteral("card"));
    const test::RunResult run =
        test::Run(test::BuiltPath(QStringLiteral("qlmsim")), {QStringLiteral("democard"), card});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("12 recordings")) << run.out.toStdString();
    EXPECT_FALSE(run.err.contains("warning")) << run.err.toStdString();
    const QStringList files = QDir(card).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 12);
    bool sawSilence = false;
    for (const QString& name : files) {
        const QString path = QDir(card).filePath(name);
        ExpectRateClass(path);
        sawSilence |= Count(test::ReadFile(path).mid(RecordingHeaderSize)).silent > 0;
    }
    EXPECT_TRUE(sawSilence) << "one call is recorded with voice activity detection";

    // A call decodes back to speech of about the length its header gives.
    const QString path = QDir(card).filePath(RecordingNameFor(QDate(2024, 1, 15), QTime(9, 5, 7)));
    Error error;
    const RecordingInfo info = ReadRecordingHeader(path, &error);
    const QString dat = dir.filePath(QStringLiteral("call.dat"));
    const QString wav = dir.filePath(QStringLiteral("call.wav"));
    test::WriteFile(dat, test::ReadFile(path).mid(RecordingHeaderSize));
    const test::RunResult decode =
        test::Run(test::BuiltPath(QStringLiteral("qlmsim")), {QStringLiteral("decode"), dat, wav});
    ASSERT_EQ(decode.exitCode, 0) << decode.err.toStdString();
    const QVector<qint16> samples = sim::ReadWavSamples(wav);
    EXPECT_EQ(samples.size(), 12 * 8000);
    EXPECT_NEAR(info.Duration, 12, 1);
    qint64 loud = 0;
    for (qint16 s : samples)
        loud += std::abs(s) > 1000;
    EXPECT_GT(loud, samples.size() / 20) << "speech, not silence";
}

TEST(DemoCardTest, WithoutTheCodecCallsGetPlaceholdersOfTheirRate) {
    QTemporaryDir dir;
    sim::DemoCardOptions options;
    options.codecPath = dir.filePath(QStringLiteral("libkvc.so"));  // not there
    QString warning;
    Error error;
    EXPECT_EQ(sim::WriteDemoCard(dir.filePath(QStringLiteral("card")), &error, options, &warning), 12);
    EXPECT_FALSE(error.IsSet());
    EXPECT_FALSE(warning.isEmpty());
    for (const QString& name : QDir(dir.filePath(QStringLiteral("card"))).entryList(QDir::Files))
        ExpectRateClass(QDir(dir.filePath(QStringLiteral("card"))).filePath(name));

    options.speech = false;
    warning.clear();
    EXPECT_EQ(sim::WriteDemoCard(dir.filePath(QStringLiteral("quiet")), &error, options, &warning), 12);
    EXPECT_TRUE(warning.isEmpty());
}

TEST(DemoCardTest, WriteEncodesAWavAtTheFlagsRate) {
    if (!sim::CanSpeak())
        GTEST_SKIP() << "espeak-ng and sox are needed";
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("s.wav"));
    ASSERT_TRUE(sim::SpeakToWav(QStringLiteral("Testing one two three."), wav));
    const test::RunResult run =
        test::Run(test::BuiltPath(QStringLiteral("qlmsim")),
                  {QStringLiteral("write"), dir.filePath(QStringLiteral("card")), QStringLiteral("--time"),
                   QStringLiteral("2024-04-01 10:00:00"), QStringLiteral("--flags"), QStringLiteral("0x21"),
                   QStringLiteral("--wav"), wav, QStringLiteral("--vad"), QStringLiteral("--silence")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ExpectRateClass(QString::fromLocal8Bit(run.out.trimmed()));
}

}  // namespace
}  // namespace qlm
