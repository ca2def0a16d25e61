// The codec-data file format on real files, decoded and encoded through the
// real libkvc.so.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "tests/support/smallfs.h"
#include "tests/support/testsupport.h"
#include "tools/speech.h"
#include "voxform/vfcore.h"

namespace qlm::vf {
namespace {

quint32 U32At(const QByteArray& b, int at) {
    return static_cast<quint8>(b[at]) | static_cast<quint8>(b[at + 1]) << 8 | static_cast<quint8>(b[at + 2]) << 16 |
           static_cast<quint32>(static_cast<quint8>(b[at + 3])) << 24;
}

class VfCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = QDir::currentPath();
        start_ = dir_.filePath(QStringLiteral("start"));
        QDir().mkpath(start_);
        hooks_.setStatus = [this](const QString& text) { statuses_.append(text); };
        hooks_.showMessage = [this](const QString& text, const QString& caption) {
            messages_.append(caption + QStringLiteral("|") + text);
        };
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    QString File(const QString& name) const { return dir_.filePath(name); }

    // Decodes the bytes and returns the output file's bytes.
    QByteArray Decode(const QByteArray& dat, Error* error = nullptr) {
        test::WriteFile(File(QStringLiteral("in.dat")), dat);
        const Error e =
            DecodeDatToWav(codec_, start_, File(QStringLiteral("in.dat")), File(QStringLiteral("out.wav")), hooks_);
        if (error)
            *error = e;
        else
            EXPECT_FALSE(e.IsSet()) << e.description.toStdString();
        return test::ReadFile(File(QStringLiteral("out.wav")));
    }

    QByteArray Encode(const QVector<qint16>& samples, const EncodeOptions& options) {
        sim::WriteWavSamples(File(QStringLiteral("in.wav")), samples);
        const Error e = EncodeWavToDat(codec_, start_, File(QStringLiteral("in.wav")), File(QStringLiteral("out.dat")),
                                       options, hooks_);
        EXPECT_FALSE(e.IsSet()) << e.description.toStdString();
        return test::ReadFile(File(QStringLiteral("out.dat")));
    }

    QTemporaryDir dir_;
    QString start_;
    QString previous_;
    CodecLibrary codec_{test::BuiltPath(QStringLiteral("libkvc.so"))};
    Hooks hooks_;
    QStringList statuses_;
    QStringList messages_;
};

TEST_F(VfCoreTest, FrameClassesAndRunMarkers) {
    EXPECT_EQ(FrameLength(0x00), 11);
    EXPECT_EQ(FrameLength(0x3F), 11);
    EXPECT_EQ(FrameLength(0x40), 18);
    EXPECT_EQ(FrameLength(0xBF), 24);
    EXPECT_EQ(FrameLength(0xC0), 4);
    EXPECT_EQ(FrameLength(0xDF), 4);
    EXPECT_EQ(FrameLength(0xE0), 2);
    EXPECT_EQ(RunLength(0xE0, 0x00), 1);
    EXPECT_EQ(RunLength(0xE0, 0xFF), 256);
    EXPECT_EQ(RunLength(0xE1, 0x00), 257);
    EXPECT_EQ(RunLength(0xE1, 0x2B), 300);
    EXPECT_EQ(RunLength(0xFF, 0xFF), 8192);
    for (int n : {1, 2, 256, 257, 300, 4097, 8192}) {
        uint8_t marker[2];
        RunMarker(n, marker);
        EXPECT_EQ(RunLength(marker[0], marker[1]), n);
    }
}

TEST_F(VfCoreTest, OneFrameGivesTheFixedWavHeader) {
    QByteArray dat(24, '\0');
    dat[0] = static_cast<char>(0x80);
    const QByteArray wav = Decode(dat);
    ASSERT_EQ(wav.size(), 44 + 320);
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(U32At(wav, 4), 356u);
    EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32At(wav, 16), 16u);
    EXPECT_EQ(U32At(wav, 20), 1u | 1u << 16);  // PCM, one channel
    EXPECT_EQ(U32At(wav, 24), 8000u);
    EXPECT_EQ(U32At(wav, 28), 16000u);
    EXPECT_EQ(U32At(wav, 32), 2u | 16u << 16);  // block alignment, bits
    EXPECT_EQ(wav.mid(36, 4), "data");
    EXPECT_EQ(U32At(wav, 40), 320u);
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QDir(start_).filePath(QStringLiteral("tmp.wav"))));
}

TEST_F(VfCoreTest, FrameLengthsRunsPaddingAndTheLoneLastByte) {
    // A speech frame, then one silent frame.
    QByteArray dat(11, '\x05');
    dat.append("\xE0\x00", 2);
    EXPECT_EQ(Decode(dat).size(), 44 + 640);
    // Each class is taken at its own length: 18 + 24 + 4 + 11 bytes.
    QByteArray mixed;
    mixed.append(QByteArray(18, '\x41'));
    mixed.append(QByteArray(24, '\x9F'));
    mixed.append(QByteArray(4, '\xC3'));
    mixed.append(QByteArray(11, '\x22'));
    EXPECT_EQ(Decode(mixed).size(), 44 + 4 * 320);
    // E1 2B stands for 300 silent frames, which decode to silence.
    const QByteArray run = Decode(QByteArray("\xE1\x2B", 2));
    ASSERT_EQ(run.size(), 44 + 300 * 320);
    EXPECT_EQ(run.mid(44).count('\0'), 300 * 320);
    // A frame cut short by the end is still one frame; a byte in the last
    // position starts none.
    EXPECT_EQ(Decode(QByteArray(5, '\x81')).size(), 44 + 320);
    QByteArray lone(24, '\x80');
    lone.append('\x80');
    EXPECT_EQ(Decode(lone).size(), 44 + 320);
    // A run marker whose count byte is missing is that lone byte.
    QByteArray cutMarker(11, '\0');
    cutMarker.append('\xFF');
    EXPECT_EQ(Decode(cutMarker).size(), 44 + 320);
}

TEST_F(VfCoreTest, LongestRunMarker) {
    const QByteArray wav = Decode(QByteArray("\xFF\xFF", 2));
    ASSERT_EQ(wav.size(), 44 + 2621440);
    EXPECT_EQ(U32At(wav, 40), 2621440u);
}

TEST_F(VfCoreTest, EmptyDatShowsNotFoundAndLeavesTheOutputAlone) {
    test::WriteFile(File(QStringLiteral("out.wav")), QByteArray("old contents"));
    EXPECT_EQ(Decode(QByteArray()), QByteArray("old contents"));
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_EQ(messages_[0],
              QStringLiteral("Error|The file ") + File(QStringLiteral("out.wav")) + QStringLiteral(" was not found"));
    // A lone byte decodes to nothing as well, and no empty file appears.
    messages_.clear();
    QFile::remove(File(QStringLiteral("out.wav")));
    EXPECT_TRUE(Decode(QByteArray(1, '\x80')).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(File(QStringLiteral("out.wav"))));
    EXPECT_EQ(messages_.size(), 1);
}

TEST_F(VfCoreTest, AFullDiskLeavesNoOutputAndNoPartOfOne) {
    test::SmallFs small(600 * 1024);
    if (!small.Mounted())
        GTEST_SKIP() << small.WhyNot().toStdString();
    const QDir disk(small.path());
    const QString wav = disk.filePath(QStringLiteral("out.wav"));
    // 2048 silent frames: 655,360 bytes of samples, more than the disk holds.
    test::WriteFile(File(QStringLiteral("long.dat")), QByteArray("\xE7\xFF", 2));
    Error e = DecodeDatToWav(codec_, start_, File(QStringLiteral("long.dat")), wav, hooks_);
    EXPECT_EQ(e.number, 61) << e.description.toStdString();
    EXPECT_EQ(disk.entryList(QDir::Files | QDir::Hidden), QStringList());
    // An earlier file at the output path stays as it was.
    test::WriteFile(wav, QByteArray("earlier"));
    e = DecodeDatToWav(codec_, start_, File(QStringLiteral("long.dat")), wav, hooks_);
    EXPECT_TRUE(e.IsSet());
    EXPECT_EQ(test::ReadFile(wav), QByteArray("earlier"));
    EXPECT_EQ(disk.entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.wav")});
    // What fits is decoded in full, over the earlier file.
    test::WriteFile(File(QStringLiteral("short.dat")), QByteArray("\xE0\x09", 2));
    ASSERT_FALSE(DecodeDatToWav(codec_, start_, File(QStringLiteral("short.dat")), wav, hooks_).IsSet());
    EXPECT_EQ(QFileInfo(wav).size(), 44 + 10 * 320);

    // The encoder's codec data on a disk with no room left.
    QFile filler(disk.filePath(QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(4096, '\0')) == 4096) {
    }
    filler.close();
    const QString dat = disk.filePath(QStringLiteral("out.dat"));
    test::WriteFile(File(QStringLiteral("speech.pcm")), QByteArray(32000, '\x11'));
    e = EncodeWavToDat(codec_, start_, File(QStringLiteral("speech.pcm")), dat, EncodeOptions{2, false, false}, hooks_);
    EXPECT_EQ(e.number, 61) << e.description.toStdString();
    EXPECT_EQ(disk.entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("filler"), QStringLiteral("out.wav")}));
}

TEST_F(VfCoreTest, DecodeFailuresAreErrorsAndLoseNothing) {
    Error error;
    const Error missing =
        DecodeDatToWav(codec_, start_, File(QStringLiteral("none.dat")), File(QStringLiteral("o.wav")), hooks_);
    EXPECT_EQ(missing.number, 53);
    // The same path in both boxes must not wipe the codec data.
    const QByteArray dat(24, '\x80');
    test::WriteFile(File(QStringLiteral("same.dat")), dat);
    const Error same =
        DecodeDatToWav(codec_, start_, File(QStringLiteral("same.dat")), File(QStringLiteral("same.dat")), hooks_);
    EXPECT_TRUE(same.IsSet());
    EXPECT_EQ(test::ReadFile(File(QStringLiteral("same.dat"))), dat);
    // Without the codec library nothing is written.
    CodecLibrary absent(File(QStringLiteral("libkvc.so")));
    const Error noLib =
        DecodeDatToWav(absent, start_, File(QStringLiteral("same.dat")), File(QStringLiteral("x.wav")), hooks_);
    EXPECT_EQ(noLib.number, 48);
    EXPECT_FALSE(QFileInfo::exists(File(QStringLiteral("x.wav"))));
    EXPECT_EQ(DecodeDatToWav(codec_, start_, QString(), File(QStringLiteral("x.wav")), hooks_).number, 52);
}

TEST_F(VfCoreTest, RelativePathsAndTheWorkFileLieInTheStartFolder) {
    test::WriteFile(QDir(start_).filePath(QStringLiteral("rel.dat")), QByteArray(11, '\0'));
    ASSERT_FALSE(DecodeDatToWav(codec_, start_, QStringLiteral("rel.dat"), QStringLiteral("rel.wav"), hooks_).IsSet());
    EXPECT_EQ(QFileInfo(QDir(start_).filePath(QStringLiteral("rel.wav"))).size(), 44 + 320);
    // Decoding straight into the work file itself still gives the WAV.
    ASSERT_FALSE(DecodeDatToWav(codec_, start_, QStringLiteral("rel.dat"), QStringLiteral("tmp.wav"), hooks_).IsSet());
    const QByteArray wav = test::ReadFile(QDir(start_).filePath(QStringLiteral("tmp.wav")));
    EXPECT_EQ(wav.size(), 44 + 320);
    EXPECT_TRUE(wav.startsWith("RIFF"));
    // ... and encoding from it keeps it.
    ASSERT_FALSE(EncodeWavToDat(codec_, start_, QStringLiteral("tmp.wav"), QStringLiteral("back.dat"),
                                EncodeOptions{2, false, false}, hooks_)
                     .IsSet());
    EXPECT_TRUE(QFileInfo::exists(QDir(start_).filePath(QStringLiteral("tmp.wav"))));
}

TEST_F(VfCoreTest, SgnToWavHalvesOddLengthsToWholeSamples) {
    test::WriteFile(File(QStringLiteral("raw")), QByteArray(16 + 7, '\x01'));
    Error error;
    EXPECT_EQ(sgn2wav(File(QStringLiteral("raw")), File(QStringLiteral("w.wav")), 16, hooks_, &error), 0);
    const QByteArray wav = test::ReadFile(File(QStringLiteral("w.wav")));
    EXPECT_EQ(wav.size(), 44 + 6);
    EXPECT_EQ(U32At(wav, 40), 6u);
    EXPECT_EQ(sgn2wav(File(QStringLiteral("raw")), File(QStringLiteral("w.wav")), 30, hooks_, &error), 1);
    EXPECT_FALSE(error.IsSet());
    EXPECT_EQ(messages_.size(), 1);
}

TEST_F(VfCoreTest, EncodeStripsTheHeaderAndLeavesTheLastFramesOut) {
    const QByteArray dat = Encode(QVector<qint16>(1600, 1000), EncodeOptions{2, false, false});
    ASSERT_EQ(dat.size(), 9 * 24);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(static_cast<quint8>(dat[i * 24]) >> 5, 4) << i;
    EXPECT_EQ(statuses_.first(), QStringLiteral("0%"));
    EXPECT_EQ(statuses_[4], QStringLiteral("50%"));
    EXPECT_EQ(statuses_[8], QStringLiteral("100%"));
    EXPECT_EQ(statuses_.last(), QString());
    EXPECT_FALSE(QFileInfo::exists(QDir(start_).filePath(QStringLiteral("tmp.wav"))));
    // Frame counts at the edges: 480 bytes round to 2, one frame encoded;
    // 400 bytes round to 1, nothing encoded.
    statuses_.clear();
    EXPECT_EQ(Encode(QVector<qint16>(240, 1000), EncodeOptions{0, false, false}).size(), 11);
    EXPECT_EQ(statuses_.first(), QStringLiteral("100%"));
    EXPECT_EQ(Encode(QVector<qint16>(200, 1000), EncodeOptions{1, false, false}).size(), 0);
    // A file without a RIFF header is taken as raw samples.
    test::WriteFile(File(QStringLiteral("raw.pcm")), QByteArray(3200, '\0'));
    ASSERT_FALSE(EncodeWavToDat(codec_, start_, File(QStringLiteral("raw.pcm")), File(QStringLiteral("raw.dat")),
                                EncodeOptions{1, false, false}, hooks_)
                     .IsSet());
    EXPECT_EQ(test::ReadFile(File(QStringLiteral("raw.dat"))).size(), 9 * 18);
}

TEST_F(VfCoreTest, SilenceCodingWritesRunsAndFlushesAtTheEnd) {
    // 300 quiet frames, 20 loud ones, 20 quiet ones, and the tail that is
    // never encoded.
    QVector<qint16> samples;
    samples.fill(0, 300 * 160);
    for (int i = 0; i < 20 * 160; ++i)
        samples.append(static_cast<qint16>((i * 7919 % 8000) - 4000));
    samples.append(QVector<qint16>(21 * 160, 0));
    const QByteArray dat = Encode(samples, EncodeOptions{0, true, true});
    ASSERT_GE(dat.size(), 4);
    EXPECT_EQ(dat.left(2), QByteArray("\xE1\x2B", 2));
    // Loud frames and the voice detector's hold-over come out as speech,
    // the rest of the quiet end as one flushed run.
    const QByteArray speech = dat.mid(2, dat.size() - 4);
    EXPECT_EQ(speech.size() % 11, 0);
    const int speechFrames = static_cast<int>(speech.size() / 11);
    EXPECT_GE(speechFrames, 20);
    for (int i = 0; i < speechFrames; ++i)
        EXPECT_EQ(static_cast<quint8>(speech[i * 11]) >> 6, 0) << i;
    const QByteArray tail = dat.right(2);
    EXPECT_EQ(RunLength(static_cast<quint8>(tail[0]), static_cast<quint8>(tail[1])), 20 - (speechFrames - 20));

    // Without silence coding every quiet frame is its own E0 00.
    const QByteArray plain = Encode(QVector<qint16>(11 * 160, 0), EncodeOptions{2, true, false});
    EXPECT_EQ(plain, QByteArray("\xE0\x00", 2).repeated(10));
    // Without the detector quiet frames are speech frames.
    EXPECT_EQ(Encode(QVector<qint16>(11 * 160, 0), EncodeOptions{2, false, true}).size(), 10 * 24);
}

TEST_F(VfCoreTest, RunsOfMoreThan8192FramesSplit) {
    const QByteArray dat = Encode(QVector<qint16>(8195 * 160, 0), EncodeOptions{0, true, true});
    // 8194 frames encoded: one full run, then a run of two at the end.
    EXPECT_EQ(dat, QByteArray("\xFF\xFF\xE0\x01", 4));
    const QByteArray exact = Encode(QVector<qint16>(8193 * 160, 0), EncodeOptions{0, true, true});
    EXPECT_EQ(exact, QByteArray("\xFF\xFF", 2));
    // Decoding the runs gives the silent frames back.
    EXPECT_EQ(Decode(dat).size(), 44 + 8194 * 320);
}

TEST_F(VfCoreTest, EncodeFailuresLoseNothing) {
    sim::WriteWavSamples(File(QStringLiteral("keep.wav")), QVector<qint16>(1600, 500));
    const QByteArray before = test::ReadFile(File(QStringLiteral("keep.wav")));
    const Error same = EncodeWavToDat(codec_, start_, File(QStringLiteral("keep.wav")),
                                      File(QStringLiteral("keep.wav")), EncodeOptions(), hooks_);
    EXPECT_TRUE(same.IsSet());
    EXPECT_EQ(test::ReadFile(File(QStringLiteral("keep.wav"))), before);
    const Error missing = EncodeWavToDat(codec_, start_, File(QStringLiteral("none.wav")),
                                         File(QStringLiteral("o.dat")), EncodeOptions(), hooks_);
    EXPECT_EQ(missing.number, 53);
    // A tmp.wav of the user's that the encoder did not make stays.
    test::WriteFile(QDir(start_).filePath(QStringLiteral("tmp.wav")), QByteArray("mine"));
    test::WriteFile(File(QStringLiteral("raw.pcm")), QByteArray(3200, '\0'));
    ASSERT_FALSE(EncodeWavToDat(codec_, start_, File(QStringLiteral("raw.pcm")), File(QStringLiteral("o.dat")),
                                EncodeOptions(), hooks_)
                     .IsSet());
    EXPECT_EQ(test::ReadFile(QDir(start_).filePath(QStringLiteral("tmp.wav"))), QByteArray("mine"));
}

}  // namespace
}  // namespace qlm::vf
