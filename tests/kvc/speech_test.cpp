// Real speech through the codec at each rate stays speech: the decoded
// signal's short-time energy follows the original's.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include <QTemporaryDir>

#include "tests/support/testsupport.h"
#include "tools/speech.h"
#include "voxform/vfcore.h"

namespace qlm {
namespace {

// Log energy of each 20 ms frame, floored so that digital silence and faint
// noise count alike.
std::vector<double> Envelope(const QVector<qint16>& samples) {
    std::vector<double> envelope;
    for (qsizetype at = 0; at + 160 <= samples.size(); at += 160) {
        double sum = 0;
        for (int i = 0; i < 160; ++i)
            sum += static_cast<double>(samples[at + i]) * samples[at + i];
        envelope.push_back(std::log10(std::max(sum / 160, 100.0)));
    }
    return envelope;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b, int lag) {
    const size_t n = std::min(a.size(), b.size() - std::min<size_t>(b.size(), lag));
    if (n < 10)
        return 0;
    double ma = 0, mb = 0;
    for (size_t i = 0; i < n; ++i) {
        ma += a[i];
        mb += b[i + lag];
    }
    ma /= n;
    mb /= n;
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; ++i) {
        ab += (a[i] - ma) * (b[i + lag] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i + lag] - mb) * (b[i + lag] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

// The best match over the codec's delay of up to a few frames.
double EnvelopeMatch(const QVector<qint16>& original, const QVector<qint16>& decoded) {
    const auto a = Envelope(original), b = Envelope(decoded);
    double best = 0;
    for (int lag = 0; lag <= 4; ++lag)
        best = std::max(best, Correlation(a, b, lag));
    return best;
}

constexpr double kIntelligible = 0.8;

class SpeechTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sim::CanSpeak())
            GTEST_SKIP() << "espeak-ng and sox are needed";
        speech_ = dir_.filePath(QStringLiteral("speech.wav"));
        QString why;
        ASSERT_TRUE(sim::SpeakToWav(QStringLiteral("The meeting moved to Thursday at half past three. "
                                                   "Please call me back when you get this message."),
                                    speech_, &why))
            << why.toStdString();
        original_ = sim::ReadWavSamples(speech_);
        ASSERT_GT(original_.size(), 8000 * 3);
    }

    QVector<qint16> RoundTrip(const vf::EncodeOptions& options) {
        const QString start = dir_.path();
        const QString dat = dir_.filePath(QStringLiteral("speech.dat"));
        const QString wav = dir_.filePath(QStringLiteral("decoded.wav"));
        EXPECT_FALSE(vf::EncodeWavToDat(codec_, start, speech_, dat, options, vf::Hooks()).IsSet());
        EXPECT_FALSE(vf::DecodeDatToWav(codec_, start, dat, wav, vf::Hooks()).IsSet());
        lastDatSize_ = QFileInfo(dat).size();
        return sim::ReadWavSamples(wav);
    }

    QTemporaryDir dir_;
    QString speech_;
    QVector<qint16> original_;
    vf::CodecLibrary codec_{test::BuiltPath(QStringLiteral("libkvc.so"))};
    qint64 lastDatSize_ = 0;
};

TEST_F(SpeechTest, EveryRateKeepsTheEnvelopeAndItsByteRate) {
    const int frameBytes[] = {11, 18, 24};
    const qint64 frames = std::llround(original_.size() * 2 / 320.0) - 1;
    for (int rate = 0; rate < 3; ++rate) {
        const QVector<qint16> decoded = RoundTrip(vf::EncodeOptions{rate, false, false});
        EXPECT_EQ(lastDatSize_, frames * frameBytes[rate]) << rate;
        EXPECT_EQ(decoded.size(), frames * 160) << rate;
        const double match = EnvelopeMatch(original_, decoded);
        EXPECT_GT(match, kIntelligible) << "rate " << rate;
        RecordProperty("rate" + std::to_string(rate), std::to_string(match));
    }
}

TEST_F(SpeechTest, VadAndSilenceCodingKeepTheSpeech) {
    for (int rate = 0; rate < 3; ++rate) {
        const QVector<qint16> decoded = RoundTrip(vf::EncodeOptions{rate, true, true});
        EXPECT_GT(EnvelopeMatch(original_, decoded), kIntelligible) << "rate " << rate;
    }
}

TEST_F(SpeechTest, TheMeasureRejectsNoiseAndSilence) {
    std::mt19937 random(3);
    std::normal_distribution<double> gauss(0, 3000);
    QVector<qint16> noise(original_.size());
    for (auto& s : noise)
        s = static_cast<qint16>(std::clamp(gauss(random), -32000.0, 32000.0));
    EXPECT_LT(EnvelopeMatch(original_, noise), 0.3);
    EXPECT_LT(EnvelopeMatch(original_, QVector<qint16>(original_.size(), 0)), 0.3);
    // Other speech does not pass for this speech either.
    const QString other = dir_.filePath(QStringLiteral("other.wav"));
    ASSERT_TRUE(sim::SpeakToWav(QStringLiteral("Seven. Forty two. Nine hundred. Eleven."), other));
    EXPECT_LT(EnvelopeMatch(original_, sim::ReadWavSamples(other)), kIntelligible);
}

}  // namespace
}  // namespace qlm
