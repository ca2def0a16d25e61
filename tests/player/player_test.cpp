// The player's core on real speech: the demo card's calls, converted by
// qlmtool play through the real voxform and GainPass into the levelled WAV,
// rendered into memory at speed 1 and 2, seeking and reaching the end.
#include <gtest/gtest.h>

#include <QFile>

#include <memory>

#include "app/card/build.h"
#include "app/card/recording.h"
#include "app/player/playercore.h"
#include "app/player/wavfile.h"
#include "app/prjpublic.h"
#include "platform/appfolder.h"
#include "tests/conversion/conversionfixture.h"
#include "tests/player/pitch.h"
#include "tools/speech.h"

namespace qlm::test {
namespace {

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sim::CanSpeak())
            GTEST_SKIP() << "espeak-ng and sox are needed";
        qputenv("QLM_WINMSG_DIR", QFile::encodeName(dir_.filePath(QStringLiteral("windows"))));
        InstallConverter(app_);
        ASSERT_TRUE(QFile::copy(BuiltPath(QStringLiteral("qlmtool")), app_.file(QStringLiteral("qlmtool"))));
        const QString tool = app_.file(QStringLiteral("qlmtool"));
        QFile::setPermissions(tool, QFile::permissions(BuiltPath(QStringLiteral("qlmtool"))));
        const QString card = dir_.filePath(QStringLiteral("card"));
        ASSERT_EQ(test::Run(BuiltPath(QStringLiteral("qlmsim")), {QStringLiteral("democard"), card}).exitCode, 0);
        const BuildResult built = BuildCatalogueIn(card, nullptr, BuildHooks());
        ASSERT_FALSE(built.error.IsSet()) << built.error.description.toStdString();
        built.database->Close();
        catalogue_ = built.path;
        const RunResult listed = Tool({QStringLiteral("list"), catalogue_});
        ASSERT_EQ(listed.exitCode, 0);
        const QStringList first = QString::fromUtf8(listed.out).section(u'\n', 0, 0).split(u'\t');
        date_ = first.value(0);
        time_ = first.value(1);
    }
    void TearDown() override { qunsetenv("QLM_WINMSG_DIR"); }

    RunResult Tool(QStringList args, const QByteArray& env = QByteArray()) const {
        if (!env.isEmpty())
            qputenv("PULSE_SERVER", env);
        RunResult run =
            test::Run(app_.file(QStringLiteral("qlmtool")), args << QStringLiteral("--password-stdin"), "\n");
        qunsetenv("PULSE_SERVER");
        return run;
    }
    RunResult Play(const QStringList& options) const {
        return Tool(QStringList{QStringLiteral("play"), catalogue_, date_, time_} + options);
    }
    QString Levelled() const {
        return JoinPath(app_.file(QStringLiteral("temp")), RecordingNameFor(date_, time_) + QStringLiteral(".wav"));
    }

    AppFolder app_;
    QTemporaryDir dir_;
    QString catalogue_, date_, time_;
};

QVector<qint16> Samples(const QString& path) {
    QVector<qint16> samples;
    QString error;
    EXPECT_TRUE(ReadPlayerWav(path, &samples, &error)) << error.toStdString();
    return samples;
}

TEST_F(PlayerTest, QlmtoolRendersTheLevelledCallAtAnySpeed) {
    // Speed 1: exactly the levelled WAV that the conversion made in temp.
    const QString normal = dir_.filePath(QStringLiteral("normal.wav"));
    RunResult run = Play({QStringLiteral("--output"), normal});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Converting to Wav")) << run.err.toStdString();
    const QVector<qint16> levelled = Samples(Levelled());
    ASSERT_GT(levelled.size(), 8000);
    EXPECT_EQ(Samples(normal), levelled);
    // The file is the recorder's format, as sox reads it.
    const RunResult info = test::Run(QStringLiteral("soxi"), {normal});
    EXPECT_TRUE(info.out.contains("8000") && info.out.contains("16-bit")) << info.out.toStdString();

    // Speed 2 from the start: half the length, the pitch kept; the levelled
    // file is reused, not converted again.
    const QString fast = dir_.filePath(QStringLiteral("fast.wav"));
    run = Play({QStringLiteral("--speed"), QStringLiteral("2"), QStringLiteral("--output"), fast});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("Converting")) << run.err.toStdString();
    const QVector<qint16> halved = Samples(fast);
    EXPECT_NEAR(double(halved.size()), levelled.size() / 2.0, levelled.size() * 0.01);
    const double pitch = MedianPitch(levelled);
    ASSERT_GT(pitch, 60.0);
    EXPECT_NEAR(MedianPitch(halved), pitch, pitch * 0.1);

    // --from: the rest of the call.
    run = Play({QStringLiteral("--from"), QStringLiteral("1.5"), QStringLiteral("--output"), normal});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Samples(normal), levelled.mid(12000));

    // Missing call, bad speed, no sound output: clear messages.
    run = Tool({QStringLiteral("play"), catalogue_, QStringLiteral("01/01/1999"), time_});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("no such call")) << run.err.toStdString();
    EXPECT_EQ(Play({QStringLiteral("--speed"), QStringLiteral("3")}).exitCode, 64);
    run = Tool({QStringLiteral("play"), catalogue_, date_, time_}, "unix:" + QFile::encodeName(dir_.filePath("none")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("No sound output")) << run.err.toStdString();
}

TEST_F(PlayerTest, CoreSeeksWithin20MsAndReportsTheEnd) {
    ASSERT_EQ(Play({QStringLiteral("--output"), dir_.filePath(QStringLiteral("x.wav"))}).exitCode, 0);
    PlayerCore core;
    QString error;
    ASSERT_TRUE(core.Load(Levelled(), &error)) << error.toStdString();
    const QVector<qint16>& source = core.Samples();
    // A seek target inside speech, so the match below has a voice to find:
    // the loudest 50 ms of the call's middle half, on a whole millisecond.
    qint64 target = core.DurationMs() / 2;
    double loudest = -1;
    for (qint64 ms = core.DurationMs() / 4; ms < core.DurationMs() * 3 / 4 - 60; ms += 10) {
        double energy = 0;
        for (qint64 i = ms * 8; i < ms * 8 + 400; ++i)
            energy += double(source[i]) * source[i];
        if (energy > loudest) {
            loudest = energy;
            target = ms;
        }
    }

    for (double speed : {1.0, 1.5, 0.75}) {
        core.SetSpeed(speed);
        core.Seek(target);
        EXPECT_EQ(core.NextPositionMs(), target);
        // Where in the call the first 50 ms heard after the seek come from:
        // the best match of the output against the call around the target.
        QVector<qint16> heard(400);
        ASSERT_EQ(core.Render(heard.data(), heard.size()), heard.size());
        const qint64 centre = target * 8;
        qint64 bestAt = 0;
        double best = -1;
        for (qint64 at = centre - 480; at <= centre + 480; ++at) {
            double xy = 0, yy = 0;
            for (int i = 0; i < 200; ++i) {
                xy += double(heard[i]) * source[at + i];
                yy += double(source[at + i]) * source[at + i];
            }
            if (xy / std::sqrt(yy + 1) > best) {
                best = xy / std::sqrt(yy + 1);
                bestAt = at;
            }
        }
        EXPECT_LE(std::abs(bestAt - centre), 160) << "speed " << speed;
        if (speed == 1.0) {
            EXPECT_EQ(heard, source.mid(centre, 400));
        }
    }

    // The end: rendering stops, reports it, and the position is the call's end.
    core.SetSpeed(1.5);
    core.Seek(core.DurationMs() - 500);
    const QVector<qint16> rest = core.RenderAll();
    EXPECT_TRUE(core.AtEnd());
    EXPECT_NEAR(double(rest.size()), 4000 / 1.5, 8);
    EXPECT_EQ(core.NextPositionMs(), core.DurationMs());
    qint16 more[16];
    EXPECT_EQ(core.Render(more, 16), 0);
}

}  // namespace
}  // namespace qlm::test
