// The whole conversion on the demo card's real speech: a catalogue built from
// the card, qlmtool converting three calls through the real voxform and the
// real libraries, the files checked with GainPass itself, ffprobe and mpg123.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cmath>

#include "app/card/build.h"
#include "app/catalogue/store.h"
#include "app/convert/convertfiles.h"
#include "app/prjpublic.h"
#include "gainpass/gainpass.h"
#include "platform/appfolder.h"
#include "platform/libloader.h"
#include "tests/convert/democardfixture.h"
#include "tools/speech.h"

namespace qlm::test {
namespace {

struct WavFormat {
    int channels = 0, rate = 0, bits = 0;
    qint64 samples = 0;
};

WavFormat FormatOf(const QString& path) {
    const QByteArray bytes = ReadFile(path);
    WavFormat f;
    if (bytes.size() < 44 || !bytes.startsWith("RIFF"))
        return f;
    const auto u16 = [&](int at) { return static_cast<quint8>(bytes[at]) | static_cast<quint8>(bytes[at + 1]) << 8; };
    f.channels = u16(22);
    f.rate = u16(24) | u16(26) << 16;
    f.bits = u16(34);
    f.samples = (bytes.size() - 44) / 2;
    return f;
}

class EndToEndTest : public DemoCardTest {
protected:
    void SetUp() override {
        DemoCardTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        out_ = dir_.filePath(QStringLiteral("out"));
        QDir().mkpath(out_);
        ASSERT_GE(listed_.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QStringList texts = listed_[i].split(u'\t');
            items_ << ConvertItem{texts[0], texts[1]};
            names_ << RecordingNameFor(texts[0], texts[1]);
        }
    }

    QStringList ConvertArgs(bool mp3) const {
        QStringList args = {QStringLiteral("convert"), catalogue_, QStringLiteral("--dest"), out_};
        if (mp3)
            args << QStringLiteral("--mp3");
        for (const ConvertItem& item : items_)
            args << item.dateText << item.timeText;
        return args;
    }
    // A work file of this process, and one of the last qlmtool run.
    QString Temp(const QString& file) const { return JoinPath(GetTempFolder(), file); }
    QString ToolTemp(const QString& file) const {
        return JoinPath(OtherRunFolder(app_.file(QStringLiteral("temp"))), file);
    }

    QString out_;
    QVector<ConvertItem> items_;
    QStringList names_;
};

TEST_F(EndToEndTest, ThreeCallsToLevelledWavThenMp3) {
    // WAV: every stage runs, through the real front-end.
    RunResult run = Tool(ConvertArgs(false));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList lines = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(lines[i], StatusPrefix(i, 3, items_[i]) + JoinPath(out_, names_[i] + QStringLiteral(".wav")));
    EXPECT_TRUE(run.err.contains("Converting to Wav ..."));

    // The levelled files are what GainPass makes of the decoded ones, in the
    // same order (the gain carries from call to call), from a fresh copy of
    // the library.
    const QString fresh = dir_.filePath(QStringLiteral("gainpass-copy.so"));
    ASSERT_TRUE(QFile::copy(BuiltPath(QStringLiteral("libGainPass.so")), fresh));
    SharedLibrary gain(fresh);
    const auto gainPass = gain.Function<decltype(&GainPass)>("GainPass");
    ASSERT_NE(gainPass, nullptr) << gain.ErrorText().toStdString();
    for (int i = 0; i < 3; ++i) {
        const QString levelled = JoinPath(out_, names_[i] + QStringLiteral(".wav"));
        const WavFormat format = FormatOf(levelled);
        EXPECT_EQ(format.rate, 8000);
        EXPECT_EQ(format.channels, 1);
        EXPECT_EQ(format.bits, 16);
        EXPECT_GT(format.samples, 8000);  // a spoken sentence, not silence
        const QString expected = dir_.filePath(QStringLiteral("expected%1.wav").arg(i));
        ASSERT_EQ(gainPass(QFile::encodeName(ToolTemp(names_[i] + QStringLiteral(".qlm.wav"))).constData(),
                           QFile::encodeName(expected).constData(), kGainLevel),
                  0);
        EXPECT_EQ(ReadFile(levelled), ReadFile(expected)) << names_[i].toStdString();
        EXPECT_EQ(ReadFile(ToolTemp(names_[i] + QStringLiteral(".Dat"))),
                  ReadFile(JoinPath(card_, names_[i])).mid(512));
        // Decoded calls are for their owner's ears only.
        EXPECT_EQ(QFile::permissions(ToolTemp(names_[i] + QStringLiteral(".qlm.wav"))),
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }

    // MP3: a run of its own, in a folder of its own, decoding afresh to the
    // same samples.
    const QString wavRun = OtherRunFolder(app_.file(QStringLiteral("temp")));
    QHash<QString, QByteArray> decoded;
    for (const QString& name : std::as_const(names_))
        decoded[name] = ReadFile(ToolTemp(name + QStringLiteral(".qlm.wav")));
    run = Tool(ConvertArgs(true));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Converting to MP3..."));
    EXPECT_NE(OtherRunFolder(app_.file(QStringLiteral("temp"))), wavRun);
    EXPECT_FALSE(QFileInfo::exists(wavRun));  // tidied by the next run
    lines = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QString mp3 = JoinPath(out_, names_[i] + QStringLiteral(".mp3"));
        EXPECT_EQ(lines[i], StatusPrefix(i, 3, items_[i]) + mp3);
        EXPECT_EQ(ReadFile(ToolTemp(names_[i] + QStringLiteral(".qlm.wav"))), decoded[names_[i]]);
        const double seconds = FormatOf(ToolTemp(names_[i] + QStringLiteral(".wav"))).samples / 8000.0;

        const RunResult probe = test::Run(
            QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                        QStringLiteral("format=duration:stream=sample_rate,channels,codec_name"),
                                        QStringLiteral("-of"), QStringLiteral("default=nw=1"), mp3});
        ASSERT_EQ(probe.exitCode, 0) << probe.err.toStdString();
        EXPECT_TRUE(probe.out.contains("codec_name=mp3")) << probe.out.toStdString();
        EXPECT_TRUE(probe.out.contains("sample_rate=8000"));
        EXPECT_TRUE(probe.out.contains("channels=1"));
        const int at = probe.out.indexOf("duration=");
        ASSERT_GE(at, 0);
        const double probed = probe.out.mid(at + 9).split('\n').first().toDouble();
        EXPECT_NEAR(probed, seconds, 0.2) << names_[i].toStdString();

        const QString decoded = dir_.filePath(QStringLiteral("mpg123-%1.wav").arg(i));
        const RunResult mpg =
            test::Run(QStringLiteral("mpg123"), {QStringLiteral("-q"), QStringLiteral("-w"), decoded, mp3});
        ASSERT_EQ(mpg.exitCode, 0) << mpg.err.toStdString();
        EXPECT_NEAR(sim::ReadWavSamples(decoded).size() / 8000.0, seconds, 0.2);
    }
    // The destination holds only what the user asked for.
    EXPECT_EQ(QDir(out_).entryList({QStringLiteral("*.mp3")}, QDir::Files).size(), 3);
}

TEST_F(EndToEndTest, CancelDuringTheSecondCallKeepsTheFirstResult) {
    DeleteFilesIn(GetTempFolder());
    RecordingProgress progress;
    const QString second = StatusPrefix(1, 3, items_[1]);
    progress.cancelWhen = [&](const QString& text) { return text == second + QStringLiteral("Converting to Wav ..."); };
    const ConvertResult r = ConvertRecordings(items_, card_, JoinPath(out_, QString()), 0, progress);
    EXPECT_EQ(r.outcome, ConvertOutcome::Cancelled);
    ASSERT_EQ(r.results.size(), 1);
    EXPECT_EQ(FormatOf(r.results[0]).rate, 8000);
    EXPECT_TRUE(QFileInfo::exists(Temp(names_[1] + QStringLiteral(".Dat"))));
    EXPECT_FALSE(QFileInfo::exists(Temp(names_[1] + QStringLiteral(".qlm.wav"))));
    EXPECT_FALSE(QFileInfo::exists(JoinPath(out_, names_[2] + QStringLiteral(".wav"))));
    EXPECT_NE(FrontEndProcessId, 0);  // left for the caller, who closes it
}

TEST_F(EndToEndTest, FailuresEndInTheFailedMarkAndLoseNothing) {
    // A call whose card file is gone, among two good ones.
    const QByteArray keep = ReadFile(JoinPath(card_, names_[1]));
    QFile::remove(JoinPath(card_, names_[1]));
    RunResult run = Tool(ConvertArgs(false));
    EXPECT_EQ(run.exitCode, 1);
    QStringList lines = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(names_[0] + QStringLiteral(".wav")));
    EXPECT_EQ(lines[1], StatusPrefix(1, 3, items_[1]) + kFailedMark.toString());
    EXPECT_TRUE(lines[2].endsWith(names_[2] + QStringLiteral(".wav")));
    EXPECT_TRUE(run.err.contains("No Source: "));
    WriteFile(JoinPath(card_, names_[1]), keep);

    // A call the catalogue does not hold, and a destination that is no folder.
    run = Tool({QStringLiteral("convert"), catalogue_, QStringLiteral("--dest"), out_, QStringLiteral("01/01/1999"),
                QStringLiteral("00:00:00")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("no such call"));
    run = Tool({QStringLiteral("convert"), catalogue_, QStringLiteral("--dest"), JoinPath(card_, names_[0]),
                QStringLiteral("--all")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, QByteArray());

    // A front-end whose codec library is broken: every decode fails, each
    // line fails, and the files before it stay.
    WriteFile(app_.file(QStringLiteral("libkvc.so")), "not a library");
    run = Tool({QStringLiteral("convert"), catalogue_, QStringLiteral("--dest"), dir_.path(), items_[1].dateText,
                items_[1].timeText});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains(kFailedMark.toUtf8())) << run.out.toStdString();
    EXPECT_TRUE(QFileInfo::exists(ToolTemp(names_[1] + QStringLiteral(".Dat"))));
    EXPECT_EQ(ReadFile(JoinPath(card_, names_[1])), keep);
    EXPECT_TRUE(QFileInfo::exists(JoinPath(out_, names_[0] + QStringLiteral(".wav"))));

    // Without the MP3 library every MP3 fails, and the message names it.
    QFile::remove(app_.file(QStringLiteral("libMpegPack.so")));
    run = Tool({QStringLiteral("convert"), catalogue_, QStringLiteral("--dest"), out_, QStringLiteral("--mp3"),
                items_[0].dateText, items_[0].timeText});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains(kFailedMark.toUtf8()));
    EXPECT_TRUE(run.err.contains("libMpegPack.so")) << run.err.toStdString();

    // Without the front-end nothing starts.
    QFile::remove(app_.file(QStringLiteral("voxform")));
    run = Tool(ConvertArgs(false));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("SNXL Converter not found: voxform.exe"));
}

}  // namespace
}  // namespace qlm::test
