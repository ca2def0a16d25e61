// libMpegPack.so with the real encoder, checked by real decoders, and with a
// recording stand-in encoder for the order of the calls and its failures.
#include <gtest/gtest.h>

#include <QFileInfo>

#include "tests/gainpass/libtest.h"

namespace qlm::test {
namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

QString TestLibraries() { return QStringLiteral(QLM_TEST_LIB_DIR); }

// One MPEG audio frame header, as far as the tests look at it.
struct Frame {
    qsizetype offset = 0;
    qsizetype length = 0;
    int version = 0;  // 1, 2, or 25 for MPEG-2.5
    int layer = 0;
    int kbps = 0;
    int rate = 0;
    bool mono = false;
};

// Walks the frames from the start of the file (no ID3v2 tag is written).
std::vector<Frame> Frames(const QByteArray& mp3) {
    static const int kLowRates[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int kHighRates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    std::vector<Frame> frames;
    qsizetype at = 0;
    while (at + 4 <= mp3.size()) {
        const auto b = [&](int i) { return uint8_t(mp3[at + i]); };
        if (b(0) != 0xFF || (b(1) & 0xE0) != 0xE0)
            break;
        Frame f;
        f.offset = at;
        const int version = (b(1) >> 3) & 3, layer = (b(1) >> 1) & 3, bitrate = b(2) >> 4, rate = (b(2) >> 2) & 3;
        if (version == 1 || layer == 0 || bitrate == 0 || bitrate == 15 || rate == 3)
            break;
        f.version = version == 3 ? 1 : version == 2 ? 2 : 25;
        f.layer = 4 - layer;
        f.kbps = f.version == 1 ? kHighRates[bitrate] : kLowRates[bitrate];
        static const int kRates[] = {44100, 48000, 32000};
        f.rate = kRates[rate] / (f.version == 1 ? 1 : f.version == 2 ? 2 : 4);
        f.mono = (b(3) >> 6) == 3;
        const int padding = (b(2) >> 1) & 1;
        f.length = (f.version == 1 ? 144 : 72) * f.kbps * 1000 / f.rate + padding;
        frames.push_back(f);
        at += f.length;
    }
    return frames;
}

// Samples per channel that mpg123 decodes, honouring the encoder's delay and
// padding from the info tag.
qsizetype DecodedSamples(const QString& mp3) {
    const RunResult decoded = Run(QStringLiteral("mpg123"), {QStringLiteral("-q"), QStringLiteral("-s"), mp3});
    return decoded.exitCode == 0 ? decoded.out.size() / 2 : -1;
}

QMap<QString, QString> Probe(const QString& mp3) {
    const RunResult probe = Run(QStringLiteral("ffprobe"),
                                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                 QStringLiteral("stream=codec_type,codec_name,sample_rate,channels:format=format_name"),
                                 QStringLiteral("-of"), QStringLiteral("default=noprint_wrappers=1"), mp3});
    QMap<QString, QString> fields;
    for (const QByteArray& line : probe.out.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            fields.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return fields;
}

class MpegPackTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTools({QStringLiteral("mpg123"), QStringLiteral("ffprobe")}))
            GTEST_SKIP() << "mpg123 and ffprobe are needed";
        ASSERT_TRUE(mpegPack);
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    FreshLibrary lib{QStringLiteral("libMpegPack.so")};
    MpegPackFn* mpegPack = lib.get<MpegPackFn>("MpegPack");
    QTemporaryDir dir;
};

// Checks an MP3 the way the user's player will see it.
void ExpectVoiceMp3(const QString& mp3, qsizetype wavSamples) {
    const auto fields = Probe(mp3);
    EXPECT_EQ(fields.value(QStringLiteral("format_name")), QStringLiteral("mp3"));
    EXPECT_EQ(fields.value(QStringLiteral("codec_type")), QStringLiteral("audio"));
    EXPECT_EQ(fields.value(QStringLiteral("codec_name")), QStringLiteral("mp3"));
    EXPECT_EQ(fields.value(QStringLiteral("sample_rate")), QStringLiteral("8000"));
    EXPECT_EQ(fields.value(QStringLiteral("channels")), QStringLiteral("1"));

    const qsizetype decoded = DecodedSamples(mp3);
    EXPECT_NEAR(double(decoded) / 8000.0, double(wavSamples) / 8000.0, 0.1);

    const QByteArray bytes = ReadFile(mp3);
    const std::vector<Frame> frames = Frames(bytes);
    ASSERT_FALSE(frames.empty());
    const Frame& last = frames.back();
    EXPECT_EQ(last.offset + last.length, bytes.size()) << "every byte belongs to a frame";
    for (const Frame& f : frames) {
        EXPECT_EQ(f.version, 25);
        EXPECT_EQ(f.layer, 3);
        EXPECT_EQ(f.rate, 8000);
        EXPECT_TRUE(f.mono);
    }
    for (size_t i = 1; i < frames.size(); ++i) {
        EXPECT_GE(frames[i].kbps, 8) << i;
        EXPECT_LE(frames[i].kbps, 16) << i;
    }
    const QByteArray first = bytes.mid(frames[0].offset, frames[0].length);
    EXPECT_TRUE(first.contains("Xing") || first.contains("Info"));
    EXPECT_TRUE(first.contains("LAME"));
}

TEST_F(MpegPackTest, LevelledSpeechBecomesVoiceMp3) {
    if (!HaveTools({QStringLiteral("espeak-ng"), QStringLiteral("sox")}))
        GTEST_SKIP() << "espeak-ng and sox are needed";
    FreshLibrary gainLib(QStringLiteral("libGainPass.so"));
    GainPassFn* gainPass = gainLib.get<GainPassFn>("GainPass");
    ASSERT_TRUE(gainPass);

    const QString speech = path(QStringLiteral("speech.wav")), levelled = path(QStringLiteral("levelled.wav"));
    ASSERT_TRUE(MakeSpeech(QStringLiteral("Good afternoon. This is a message for the accounts department. "
                                          "The invoice number is four seven one one. Thank you, goodbye."),
                           speech, 0.3));
    ASSERT_EQ(gainPass(Native(speech), Native(levelled), 40), 0);
    const qsizetype samples = (QFileInfo(levelled).size() - 44) / 2;

    const QString mp3 = path(QStringLiteral("call.mp3"));
    ASSERT_EQ(mpegPack(Native(levelled), Native(mp3), 1), 0);
    ExpectVoiceMp3(mp3, samples);

    // The MP3 choice passed along does not change a byte.
    const QString other = path(QStringLiteral("other.mp3"));
    ASSERT_EQ(mpegPack(Native(levelled), Native(other), 7), 0);
    EXPECT_EQ(ReadFile(other), ReadFile(mp3));
}

TEST_F(MpegPackTest, HeaderIsSkippedUnread) {
    // Header only: no samples, yet a playable file with its tag.
    const QString empty = path(QStringLiteral("empty.wav")), emptyMp3 = path(QStringLiteral("empty.mp3"));
    WriteFile(empty, WavBytes({}));
    ASSERT_EQ(mpegPack(Native(empty), Native(emptyMp3), 1), 0);
    ExpectVoiceMp3(emptyMp3, 0);

    // A header that claims 16000 Hz stereo is not believed: the data is
    // taken as 8000 Hz mono. Two seconds of a tone, and a trailing odd byte.
    std::vector<int16_t> tone(16000);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t(8000.0 * std::sin(double(i) * 0.39));
    const QString foreign = path(QStringLiteral("foreign.wav")), mp3 = path(QStringLiteral("foreign.mp3"));
    WriteFile(foreign, WavBytes(tone, 16000, 2) + QByteArray(1, '\x01'));
    ASSERT_EQ(mpegPack(Native(foreign), Native(mp3), 1), 0);
    ExpectVoiceMp3(mp3, qsizetype(tone.size()));
}

TEST_F(MpegPackTest, FailuresLeaveNoDestination) {
    const QString wav = path(QStringLiteral("in.wav")), mp3 = path(QStringLiteral("out.mp3"));
    std::vector<int16_t> noise(8000 * 20);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = int16_t((i * 7919u) % 20000u) - 10000;
    WriteFile(wav, WavBytes(noise));

    EXPECT_EQ(mpegPack(Native(path(QStringLiteral("missing.wav"))), Native(mp3), 1), -2);
    EXPECT_EQ(mpegPack(nullptr, Native(mp3), 1), -2);
    EXPECT_EQ(mpegPack(Native(dir.path()), Native(mp3), 1), -2);
    EXPECT_EQ(mpegPack(Native(wav), Native(path(QStringLiteral("no/such/folder/out.mp3"))), 1), -3);
    EXPECT_EQ(mpegPack(Native(wav), nullptr, 1), -3);
    EXPECT_FALSE(QFileInfo::exists(mp3));

    EXPECT_EQ(mpegPack(Native(wav), Native(wav), 1), -3);
    EXPECT_EQ(ReadFile(wav), WavBytes(noise));
    {
        const FileSizeLimit fullDisk(8000);
        const int32_t result = mpegPack(Native(wav), Native(mp3), 1);
        EXPECT_TRUE(result == -7 || result == -9) << result;
    }
    EXPECT_FALSE(QFileInfo::exists(mp3));
}

TEST_F(MpegPackTest, LongPaths) {
    const QString folder = LongFolder(dir.path());
    const QString wav = folder + QStringLiteral("/recording of a call.wav"), mp3 = folder + QStringLiteral("/call.mp3");
    ASSERT_GT(mp3.size(), 300);
    WriteFile(wav, WavBytes(std::vector<int16_t>(4000, 100)));
    ASSERT_EQ(mpegPack(Native(wav), Native(mp3), 1), 0);
    ExpectVoiceMp3(mp3, 4000);
}

TEST(MpegPackEncoder, ExportsOnlyMpegPack) {
    EXPECT_EQ(ExportedNames(BuiltPath(QStringLiteral("libMpegPack.so"))), QStringList{QStringLiteral("MpegPack")});
}

TEST(MpegPackEncoder, MissingEncoderTouchesNoFile) {
    QTemporaryDir dir;
    FreshLibrary lib(QStringLiteral("libMpegPackNoLame.so"), TestLibraries());
    MpegPackFn* mpegPack = lib.get<MpegPackFn>("MpegPack");
    ASSERT_TRUE(mpegPack);
    const QString wav = dir.filePath(QStringLiteral("in.wav")), mp3 = dir.filePath(QStringLiteral("out.mp3"));
    WriteFile(wav, WavBytes({1, 2, 3}));
    EXPECT_EQ(mpegPack(Native(wav), Native(mp3), 1), -1);
    EXPECT_FALSE(QFileInfo::exists(mp3));
    WriteFile(mp3, "an earlier result");
    EXPECT_EQ(mpegPack(Native(wav), Native(mp3), 1), -1);
    EXPECT_EQ(ReadFile(mp3), QByteArray("an earlier result"));

    // An encoder library that lacks a function of the sequence counts as
    // missing too.
    FreshLibrary partial(QStringLiteral("libMpegPackNoClose.so"), TestLibraries());
    mpegPack = partial.get<MpegPackFn>("MpegPack");
    ASSERT_TRUE(mpegPack);
    EXPECT_EQ(mpegPack(Native(wav), Native(dir.filePath(QStringLiteral("new.mp3"))), 1), -1);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("new.mp3"))));
}

class RecordedEncoder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mpegPack);
        qputenv("FAKELAME_LOG", QFile::encodeName(log()));
        qunsetenv("FAKELAME_FAIL");
    }
    void TearDown() override {
        qunsetenv("FAKELAME_LOG");
        qunsetenv("FAKELAME_FAIL");
    }
    QString log() const { return dir.filePath(QStringLiteral("calls.log")); }
    QStringList calls() {
        const QStringList lines = QString::fromUtf8(ReadFile(log())).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QFile::remove(log());
        return lines;
    }

    QTemporaryDir dir;
    FreshLibrary lib{QStringLiteral("libMpegPackFake.so"), TestLibraries()};
    MpegPackFn* mpegPack = lib.get<MpegPackFn>("MpegPack");
};

TEST_F(RecordedEncoder, CallsInOrder) {
    // Two whole chunks of 576 and a short one: no empty chunk is encoded.
    std::vector<int16_t> samples(576 * 2 + 100);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i % 100);
    const QString wav = dir.filePath(QStringLiteral("in.wav")), mp3 = dir.filePath(QStringLiteral("out.mp3"));
    WriteFile(wav, WavBytes(samples));
    ASSERT_EQ(mpegPack(Native(wav), Native(mp3), 1), 0);

    const QStringList expected{
        QStringLiteral("lame_init"),
        QStringLiteral("lame_set_in_samplerate 8000"),
        QStringLiteral("lame_set_bWriteVbrTag 0"),
        QStringLiteral("lame_set_mode 3"),
        QStringLiteral("lame_set_num_channels 1"),
        QStringLiteral("lame_set_VBR 0"),
        QStringLiteral("lame_set_brate 8"),
        QStringLiteral("lame_set_preset 1000"),
        QStringLiteral("lame_set_mode 3"),
        QStringLiteral("lame_set_num_channels 1"),
        QStringLiteral("lame_set_strict_ISO 0"),
        QStringLiteral("lame_set_original 1"),
        QStringLiteral("lame_set_error_protection 0"),
        QStringLiteral("lame_set_extension 0"),
        QStringLiteral("lame_set_VBR_min_bitrate_kbps 8"),
        QStringLiteral("lame_set_VBR_max_bitrate_kbps 16"),
        QStringLiteral("lame_set_disable_reservoir 1"),
        QStringLiteral("lame_set_bWriteVbrTag 1"),
        QStringLiteral("lame_init_params"),
        QStringLiteral("lame_get_version"),
        QStringLiteral("lame_encode_buffer 576 7920 same"),
        QStringLiteral("lame_encode_buffer 576 7920 same"),
        QStringLiteral("lame_encode_buffer 100 7920 same"),
        QStringLiteral("lame_encode_flush 7920"),
        QStringLiteral("lame_mp3_tags_fid readable"),
        QStringLiteral("lame_close"),
    };
    EXPECT_EQ(calls(), expected);

    // What the encoder returned went out in order, the tag over the start.
    QByteArray written;
    for (int16_t s : samples)
        written.append(char(uint8_t(s)));
    written += "FLUSH";
    written.replace(0, 3, "TAG");
    EXPECT_EQ(ReadFile(mp3), written);
}

TEST_F(RecordedEncoder, EncoderFailuresCloseAndRemove) {
    const QString wav = dir.filePath(QStringLiteral("in.wav")), mp3 = dir.filePath(QStringLiteral("out.mp3"));
    WriteFile(wav, WavBytes(std::vector<int16_t>(2000, 5)));
    struct Case {
        const char* fail;
        int32_t result;
        bool closed;
    };
    for (const Case& c :
         {Case{"init", -4, false}, Case{"init_params", -4, true}, Case{"encode", -6, true}, Case{"flush", -8, true}}) {
        qputenv("FAKELAME_FAIL", c.fail);
        EXPECT_EQ(mpegPack(Native(wav), Native(mp3), 1), c.result) << c.fail;
        EXPECT_FALSE(QFileInfo::exists(mp3)) << c.fail;
        const QStringList log = calls();
        EXPECT_EQ(log.contains(QStringLiteral("lame_close")), c.closed) << c.fail;
        EXPECT_FALSE(log.contains(QStringLiteral("lame_mp3_tags_fid readable"))) << c.fail;
    }
}

}  // namespace
}  // namespace qlm::test
