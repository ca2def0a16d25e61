// The player's core on real speech: the demo card's calls, converted by
// qlmtool play through the real voxform and GainPass into the levelled WAV,
// rendered into memory at speed 1 and 2, seeking and reaching the end.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <memory>
#include <vector>

#include "app/card/build.h"
#include "app/card/recording.h"
#include "app/player/playercore.h"
#include "app/player/wavfile.h"
#include "app/prjpublic.h"
#include "platform/appfolder.h"
#include "tests/convert/democardfixture.h"
#include "tests/player/pitch.h"
#include "tools/speech.h"

namespace qlm::test {
namespace {

class PlayerTest : public DemoCardTest {
protected:
    void SetUp() override {
        DemoCardTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const QStringList first = listed_.value(0).split(u'\t');
        date_ = first.value(0);
        time_ = first.value(1);
    }

    RunResult Tool(QStringList args, const QByteArray& env = QByteArray()) const {
        if (!env.isEmpty())
            qputenv("PULSE_SERVER", env);
        RunResult run = DemoCardTest::Tool(std::move(args));
        qunsetenv("PULSE_SERVER");
        return run;
    }
    RunResult Play(const QStringList& options) const {
        return Tool(QStringList{QStringLiteral("play"), catalogue_, date_, time_} + options);
    }
    // The levelled WAV in the work folder of the qlmtool run that made it.
    QString Levelled() const {
        const QString name = RecordingNameFor(date_, time_) + QStringLiteral(".wav");
        QDirIterator runs(app_.file(QStringLiteral("temp")), {QStringLiteral("run-*")}, QDir::Dirs);
        while (runs.hasNext()) {
            const QString path = JoinPath(runs.next(), name);
            if (QFileInfo(path).isFile())
                return path;
        }
        return JoinPath(app_.file(QStringLiteral("temp")), name);
    }

    QString date_, time_;
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

    // Speed 2 from the start: half the length, the pitch kept. Each qlmtool
    // run converts in a work folder of its own, never reusing another's.
    const QString fast = dir_.filePath(QStringLiteral("fast.wav"));
    run = Play({QStringLiteral("--speed"), QStringLiteral("2"), QStringLiteral("--output"), fast});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
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

// Where in the source the heard samples start, within 60 ms of centre: the
// offset whose loudness contour, read at the playing speed, best follows the
// heard one. A contour, not the wave: with the pitch kept, a stretched wave
// lines up with the source only a pitch period at a time.
qint64 HeardFrom(const QVector<qint16>& heard, const QVector<qint16>& source, qint64 centre, double speed) {
    constexpr int kFrame = 40;  // 5 ms
    const int frames = int(heard.size()) / kFrame;
    const auto loudness = [](const qint16* p, qint64 n) {
        double e = 0;
        for (qint64 i = 0; i < n; ++i)
            e += double(p[i]) * p[i];
        return std::sqrt(e / double(n));
    };
    std::vector<double> h(static_cast<size_t>(frames)), s(static_cast<size_t>(frames));
    for (int k = 0; k < frames; ++k)
        h[size_t(k)] = loudness(heard.data() + k * kFrame, kFrame);
    const auto correlation = [frames](const std::vector<double>& a, const std::vector<double>& b) {
        double ma = 0, mb = 0;
        for (int k = 0; k < frames; ++k)
            ma += a[size_t(k)] / frames, mb += b[size_t(k)] / frames;
        double ab = 0, aa = 0, bb = 0;
        for (int k = 0; k < frames; ++k) {
            ab += (a[size_t(k)] - ma) * (b[size_t(k)] - mb);
            aa += (a[size_t(k)] - ma) * (a[size_t(k)] - ma);
            bb += (b[size_t(k)] - mb) * (b[size_t(k)] - mb);
        }
        return ab / std::sqrt(aa * bb + 1e-9);
    };
    const qint64 span = qint64(kFrame * speed);
    qint64 bestAt = -1;
    double best = -2;
    for (qint64 at = std::max<qint64>(0, centre - 480); at <= centre + 480; at += 4) {
        if (at + qint64(frames * kFrame * speed) + span > source.size())
            break;
        for (int k = 0; k < frames; ++k)
            s[size_t(k)] = loudness(source.data() + at + qint64(k * kFrame * speed), span);
        if (const double c = correlation(h, s); c > best) {
            best = c;
            bestAt = at;
        }
    }
    return bestAt;
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
        // Where in the call the first 200 ms heard after the seek come from.
        QVector<qint16> heard(1600);
        ASSERT_EQ(core.Render(heard.data(), heard.size()), heard.size());
        const qint64 centre = target * 8;
        EXPECT_LE(std::abs(HeardFrom(heard, source, centre, speed) - centre), 160) << "speed " << speed;
        if (speed == 1.0) {
            EXPECT_EQ(heard, source.mid(centre, heard.size()));
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
