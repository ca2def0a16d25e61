// libGainPass.so as the main program uses it: loaded by name, called with
// paths, judged by the files it leaves.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <algorithm>

#include "tests/gainpass/libtest.h"

namespace qlm::test {
namespace {

class GainPassTest : public ::testing::Test {
protected:
    FreshLibrary lib{QStringLiteral("libGainPass.so")};
    GainPassFn* gainPass = lib.get<GainPassFn>("GainPass");
    SkipCopyFn* skipCopy = lib.get<SkipCopyFn>("skipCopy");
    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }
    static QByteArray native(const QString& path) { return QFile::encodeName(path); }

    // Levels `samples` at `level` through a WAV file; the result's samples.
    std::vector<int16_t> level(const std::vector<int16_t>& samples, int32_t level) {
        WriteFile(path(QStringLiteral("in.wav")), WavBytes(samples));
        EXPECT_EQ(gainPass(native(path(QStringLiteral("in.wav"))), native(path(QStringLiteral("out.wav"))), level), 0);
        return SamplesOf(ReadFile(path(QStringLiteral("out.wav"))));
    }
};

std::vector<int16_t> Repeat(int16_t value, size_t count) { return std::vector<int16_t>(count, value); }
std::vector<int16_t> operator+(std::vector<int16_t> a, const std::vector<int16_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(GainPassTest, ExportsOnlyItsTwoFunctions) {
    ASSERT_TRUE(gainPass && skipCopy);
    EXPECT_EQ(ExportedNames(BuiltPath(QStringLiteral("libGainPass.so"))),
              QStringList({QStringLiteral("GainPass"), QStringLiteral("skipCopy")}));
}

TEST_F(GainPassTest, LevelOutsideRangeTouchesNothing) {
    const QString in = path(QStringLiteral("in.wav")), out = path(QStringLiteral("out.wav"));
    WriteFile(in, WavBytes({1000}));
    for (int32_t bad : {19, 1000, -40, 0, int32_t(0x00010013), int32_t(0xFFFF03E8)}) {
        EXPECT_EQ(gainPass(native(in), native(out), bad), -1) << bad;
        EXPECT_FALSE(QFileInfo::exists(out)) << bad;
    }
    // Only the low 16 bits count; the rejected calls left the gain at 20.
    EXPECT_EQ(gainPass(native(in), native(out), int32_t(0x00010028)), 0);
    EXPECT_EQ(SamplesOf(ReadFile(out)), std::vector<int16_t>{20000});
    for (int32_t good : {20, 999, int32_t(0xFFFF0028)})
        EXPECT_EQ(gainPass(native(in), native(out), good), 0) << good;
}

TEST_F(GainPassTest, HeaderCopiedAndShortFilesPadded) {
    const QString out = path(QStringLiteral("out.wav"));
    const QByteArray header = WavBytes({});
    WriteFile(path(QStringLiteral("h.wav")), header);
    ASSERT_EQ(gainPass(native(path(QStringLiteral("h.wav"))), native(out), 40), 0);
    EXPECT_EQ(ReadFile(out), header);

    // Shorter than a header: still a 44-byte file, the rest zero.
    WriteFile(path(QStringLiteral("short.wav")), QByteArray("RIFF\x10\x00", 6));
    ASSERT_EQ(gainPass(native(path(QStringLiteral("short.wav"))), native(out), 40), 0);
    EXPECT_EQ(ReadFile(out), QByteArray("RIFF\x10\x00", 6) + QByteArray(38, '\0'));

    // A trailing odd byte is dropped; an existing longer file is replaced.
    WriteFile(path(QStringLiteral("odd.wav")), WavBytes({100, -100}) + QByteArray(1, '\x7f'));
    ASSERT_EQ(gainPass(native(path(QStringLiteral("odd.wav"))), native(out), 40), 0);
    const QByteArray levelled = ReadFile(out);
    EXPECT_EQ(levelled.size(), 48);
    EXPECT_EQ(levelled.left(44), WavBytes({100, -100}).left(44));
    EXPECT_EQ(SamplesOf(levelled), (std::vector<int16_t>{2000, -2000}));
}

TEST_F(GainPassTest, ClipCutsGainToTargetOverPeak) {
    // -32768 has magnitude 32768: gain 25000 / 32768 at once.
    EXPECT_EQ(level({-32768, -32768, 1000}, 20), (std::vector<int16_t>{-25000, -25000, 762}));
}

TEST_F(GainPassTest, FirstLoudSampleAndFloatRounding) {
    // 2000 x 20 > 25000: gain 12.5; a new peak of 2001 clips again.
    EXPECT_EQ(level({2000, 2000, -2000, 2001, 1251}, 20), (std::vector<int16_t>{25000, 25000, -25000, 25000, 15629}));
    // The gain 25000 / 1251 rounded to float gives 24999 (in double 25000).
    FreshLibrary other(QStringLiteral("libGainPass.so"));
    GainPassFn* fresh = other.get<GainPassFn>("GainPass");
    WriteFile(path(QStringLiteral("a.wav")), WavBytes({1251}));
    ASSERT_EQ(fresh(native(path(QStringLiteral("a.wav"))), native(path(QStringLiteral("b.wav"))), 20), 0);
    EXPECT_EQ(SamplesOf(ReadFile(path(QStringLiteral("b.wav")))), std::vector<int16_t>{24999});
}

TEST_F(GainPassTest, SilenceStaysSilentAndRaisesGainToFloor) {
    const auto silent = level(Repeat(0, 3000), 20);
    EXPECT_EQ(silent.size(), 3000u);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](int16_t s) { return s == 0; }));
    // Gain still 20: ten quiet blocks, then a loud block of 61 takes the slow
    // approach (result rounded to float: 2408, where double gives 2409).
    const auto after = level(Repeat(61, 301), 20);
    EXPECT_EQ(after[0], 1220);
    EXPECT_EQ(after[299], 2408);
    EXPECT_EQ(after[300], 2408);

    // Floor level 40 on a fresh library: the first quiet block end lifts the
    // gain from 20 to 40, on that very sample.
    FreshLibrary other(QStringLiteral("libGainPass.so"));
    gainPass = other.get<GainPassFn>("GainPass");
    const auto lifted = level(Repeat(60, 301), 40);
    EXPECT_EQ(lifted[298], 1200);
    EXPECT_EQ(lifted[299], 2400);
    EXPECT_EQ(lifted[300], 2400);
}

TEST_F(GainPassTest, DecayCarriesOverFromFileToFile) {
    // File one at floor 100 leaves the gain at 100; file two at floor 40
    // starts there and decays per quiet block: 80, 64, 51.2, 40.96, then 40
    // (40.96 x 0.8 would fall below the floor).
    const auto first = level(Repeat(60, 300), 100);
    EXPECT_EQ(first.back(), 6000);
    const auto second = level(Repeat(60, 1501), 40);
    EXPECT_EQ(second[0], 6000);
    EXPECT_EQ(second[298], 6000);
    const std::vector<int16_t> ends{second[299], second[599], second[899], second[1199], second[1499], second[1500]};
    EXPECT_EQ(ends, (std::vector<int16_t>{4800, 3840, 3072, 2457, 2400, 2400}));
    EXPECT_EQ(second[1198], 3072);
}

TEST_F(GainPassTest, LoudBlockAfterQuietBlocks) {
    // After 21 quiet blocks half-way to 25000 / peak, after 20 only 5 %; after
    // more quiet blocks than a 16-bit counter holds (27 minutes) still
    // half-way.
    struct Case {
        int quietBlocks;
        int16_t peak;
        int16_t expected;
    };
    for (const Case& c : {Case{21, 1000, 22500}, Case{20, 1000, 20250}, Case{21, 61, 13109}, Case{20, 61, 2408},
                          Case{32800, 1000, 22500}}) {
        FreshLibrary other(QStringLiteral("libGainPass.so"));
        gainPass = other.get<GainPassFn>("GainPass");
        const auto out = level(Repeat(0, 300 * size_t(c.quietBlocks)) + Repeat(c.peak, 301), 20);
        EXPECT_EQ(out[out.size() - 2], c.expected) << c.quietBlocks << " " << c.peak;
        EXPECT_EQ(out.back(), c.expected) << c.quietBlocks << " " << c.peak;
    }
}

TEST_F(GainPassTest, HighFloorSaturates) {
    // A floor of 999 raises the gain on a sample of 60: 59940 does not fit in
    // 16 bits and saturates instead of wrapping to the other sign.
    const auto up = level(Repeat(60, 300) + std::vector<int16_t>{60}, 999);
    EXPECT_EQ(up[299], 32767);
    EXPECT_EQ(up[300], 24999);
    FreshLibrary other(QStringLiteral("libGainPass.so"));
    gainPass = other.get<GainPassFn>("GainPass");
    EXPECT_EQ(level(Repeat(-60, 300), 999).back(), -32768);
}

TEST_F(GainPassTest, RealSpeechIsLevelled) {
    if (!HaveTools({QStringLiteral("espeak-ng"), QStringLiteral("sox")}))
        GTEST_SKIP() << "espeak-ng and sox are needed";
    const QString quiet = path(QStringLiteral("quiet.wav")), out = path(QStringLiteral("out.wav"));
    // A caller far from the microphone: peaks near 400 of 32767.
    ASSERT_TRUE(MakeSpeech(QStringLiteral("Hello, this is the recorder calling back about your order of "
                                          "twelve boxes. Please ring me tomorrow morning."),
                           quiet, 0.015));
    const QByteArray source = ReadFile(quiet);
    ASSERT_EQ(gainPass(native(quiet), native(out), 40), 0);
    const QByteArray levelled = ReadFile(out);
    ASSERT_EQ(levelled.size(), source.size());
    EXPECT_EQ(levelled.left(44), source.left(44));

    auto peakOf = [](const std::vector<int16_t>& s) {
        int peak = 0;
        for (int16_t v : s)
            peak = std::max(peak, std::abs(int(v)));
        return peak;
    };
    const int before = peakOf(SamplesOf(source)), after = peakOf(SamplesOf(levelled));
    EXPECT_LT(before, 1000);
    EXPECT_GT(after, 8 * before);
    EXPECT_LE(after, 25000);
    // sox reads the result as the same kind of WAV.
    const RunResult info = qlm::test::Run(QStringLiteral("soxi"), {out});
    EXPECT_TRUE(info.out.contains("8000")) << info.out.constData();
}

TEST_F(GainPassTest, FailuresLeaveNoDestination) {
    const QString in = path(QStringLiteral("in.wav")), out = path(QStringLiteral("out.wav"));
    std::vector<int16_t> samples(40000, 1234);
    WriteFile(in, WavBytes(samples));

    EXPECT_EQ(gainPass(native(path(QStringLiteral("missing.wav"))), native(out), 40), -1);
    EXPECT_EQ(gainPass(native(in), native(path(QStringLiteral("no/such/folder/out.wav"))), 40), -1);
    EXPECT_EQ(gainPass(nullptr, native(out), 40), -1);
    EXPECT_EQ(gainPass(native(in), nullptr, 40), -1);
    // A folder opens for reading but cannot be read.
    EXPECT_EQ(gainPass(native(dir.path()), native(out), 40), -1);
    EXPECT_FALSE(QFileInfo::exists(out));
    // The source named as destination would be truncated before it is read.
    EXPECT_EQ(gainPass(native(in), native(in), 40), -1);
    EXPECT_EQ(ReadFile(in), WavBytes(samples));
    {
        const FileSizeLimit fullDisk(20000);
        EXPECT_EQ(gainPass(native(in), native(out), 40), -1);
    }
    EXPECT_FALSE(QFileInfo::exists(out));
    // /dev/null as destination succeeds and is of course not removed.
    EXPECT_EQ(gainPass(native(in), "/dev/null", 40), 0);
}

TEST_F(GainPassTest, LongPathsAreNotTruncated) {
    const QString folder = LongFolder(dir.path());
    const QString in = folder + QStringLiteral("/source recording.wav"), out = folder + QStringLiteral("/levelled.wav");
    ASSERT_GT(out.size(), 300);
    WriteFile(in, WavBytes({1, 2, 3}));
    ASSERT_EQ(gainPass(native(in), native(out), 40), 0);
    EXPECT_EQ(SamplesOf(ReadFile(out)), (std::vector<int16_t>{20, 40, 60}));
    ASSERT_EQ(skipCopy(2, native(in), native(out + QStringLiteral(".dat"))), 0);
    EXPECT_EQ(ReadFile(out + QStringLiteral(".dat")), ReadFile(in).mid(2));
}

TEST_F(GainPassTest, SkipCopyCutsTheHeader) {
    QByteArray card;
    for (int i = 0; i < 512 + 20000; ++i)
        card.append(char((i * 7 + i / 251) & 0xFF));
    const QString in = path(QStringLiteral("card.dat")), out = path(QStringLiteral("codec.dat"));
    WriteFile(in, card);
    ASSERT_EQ(skipCopy(512, native(in), native(out)), 0);
    EXPECT_EQ(ReadFile(out), card.mid(512));

    // Remaining length a multiple of the 8192-byte block; header alone;
    // offset past the end; zero offset.
    for (qsizetype size : {512 + 16384, 512, 100}) {
        WriteFile(in, card.left(size));
        WriteFile(out, QByteArray("old content, longer than what comes"));
        ASSERT_EQ(skipCopy(512, native(in), native(out)), 0) << size;
        EXPECT_EQ(ReadFile(out), card.left(size).mid(512)) << size;
    }
    ASSERT_EQ(skipCopy(0, native(in), native(out)), 0);
    EXPECT_EQ(ReadFile(out), card.left(100));
}

TEST_F(GainPassTest, SkipCopyFailures) {
    const QString in = path(QStringLiteral("card.dat")), out = path(QStringLiteral("codec.dat"));
    const QByteArray card(512 + 50000, 'x');
    WriteFile(in, card);

    EXPECT_EQ(skipCopy(512, native(path(QStringLiteral("missing.dat"))), native(out)), -1);
    EXPECT_EQ(skipCopy(512, nullptr, native(out)), -1);
    EXPECT_EQ(skipCopy(-1, native(in), native(out)), -2);
    EXPECT_EQ(skipCopy(512, native(dir.path()), native(out)), -2);
    EXPECT_EQ(skipCopy(512, native(in), native(path(QStringLiteral("no/such/folder/x.dat")))), -3);
    EXPECT_EQ(skipCopy(512, native(in), nullptr), -3);
    EXPECT_FALSE(QFileInfo::exists(out));

    EXPECT_EQ(skipCopy(512, native(in), native(in)), -3);
    EXPECT_EQ(ReadFile(in), card);
    {
        const FileSizeLimit fullDisk(10000);
        EXPECT_EQ(skipCopy(512, native(in), native(out)), -4);
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

}  // namespace
}  // namespace qlm::test
