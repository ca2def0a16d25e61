// Time-stretch of our 8 kHz speech at 1.5x and 2x with the pitch kept: the
// player's core (RubberBand's R3 engine, real-time mode) beside SoundTouch as
// it comes and tuned for speech, RubberBand's R2 engine, and sox's tempo
// effect as a peer.
// Per method and speed: milliseconds per minute of speech, length error,
// pitch ratio (median pitch out / in), harmonicity of voiced frames (mean
// best normalised autocorrelation; the input's is the ceiling, phasiness and
// doubled onsets lower it) and the long-term spectrum's distance from the
// input's (dB RMS over 32 bands).
//   ninja -C build bench && build/bench/bench_stretch [OUTDIR for the WAVs]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <rubberband/RubberBandStretcher.h>
#include <soundtouch/SoundTouch.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

#include "app/player/playercore.h"
#include "tests/player/pitch.h"
#include "tools/speech.h"

using namespace qlm;

namespace {

using Samples = QVector<qint16>;
using Stretch = std::function<Samples(const Samples&, double)>;

std::vector<float> ToFloat(const Samples& in) {
    std::vector<float> f(size_t(in.size()));
    for (qsizetype i = 0; i < in.size(); ++i)
        f[size_t(i)] = float(in[i]) / 32768.0f;
    return f;
}

void Append(Samples& out, const float* f, size_t n) {
    for (size_t i = 0; i < n; ++i)
        out << qint16(std::clamp(std::lround(f[i] * 32768.0f), -32768L, 32767L));
}

Samples Core(const Samples& in, double speed) {
    PlayerCore core;
    core.SetSamples(in);
    core.SetSpeed(speed);
    return core.RenderAll();
}

Samples SoundTouch(const Samples& in, double speed, bool speechSettings) {
    soundtouch::SoundTouch st;
    st.setSampleRate(8000);
    st.setChannels(1);
    st.setTempo(speed);
    if (speechSettings) {
        st.setSetting(SETTING_SEQUENCE_MS, 40);
        st.setSetting(SETTING_SEEKWINDOW_MS, 15);
        st.setSetting(SETTING_OVERLAP_MS, 8);
    }
    const std::vector<float> f = ToFloat(in);
    st.putSamples(f.data(), uint(f.size()));
    st.flush();
    Samples out;
    std::vector<float> buf(st.numSamples());
    Append(out, buf.data(), st.receiveSamples(buf.data(), uint(buf.size())));
    out.resize(qsizetype(std::lround(double(in.size()) / speed)));
    return out;
}

Samples Rubber(const Samples& in, double speed, RubberBand::RubberBandStretcher::Options engine) {
    using RB = RubberBand::RubberBandStretcher;
    RB rb(8000, 1, RB::OptionProcessRealTime | engine, 1.0 / speed);
    std::vector<float> f(rb.getPreferredStartPad(), 0.0f);
    const std::vector<float> speech = ToFloat(in);
    f.insert(f.end(), speech.begin(), speech.end());
    size_t delay = rb.getStartDelay();
    const size_t wanted = size_t(std::lround(double(in.size()) / speed));
    Samples out;
    std::vector<float> buf(4096);
    size_t at = 0;
    while (size_t(out.size()) < wanted) {
        const size_t n = std::min<size_t>(rb.getSamplesRequired() ? rb.getSamplesRequired() : 256, 4096);
        std::vector<float> block(n, 0.0f);
        for (size_t i = 0; i < n && at + i < f.size(); ++i)
            block[i] = f[at + i];
        at += n;
        const float* ptr = block.data();
        rb.process(&ptr, n, at >= f.size() + 8192);
        while (rb.available() > 0) {
            float* p = buf.data();
            size_t got = rb.retrieve(&p, std::min<size_t>(size_t(rb.available()), buf.size()));
            const size_t skip = std::min(delay, got);
            delay -= skip;
            Append(out, buf.data() + skip, got - skip);
        }
        if (at > f.size() + 16 * 8192)
            break;
    }
    out.resize(qsizetype(wanted));
    return out;
}

Samples SoxTempo(const Samples& in, double speed) {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.wav")), b = dir.filePath(QStringLiteral("b.wav"));
    sim::WriteWavSamples(a, in);
    QProcess::execute(QStringLiteral("sox"),
                      {a, b, QStringLiteral("tempo"), QStringLiteral("-s"), QString::number(speed)});
    return sim::ReadWavSamples(b);
}

double Harmonicity(const Samples& s) {
    double sum = 0;
    int frames = 0;
    test::ForEachLoudFrame(s, [&](int, double r) {
        sum += r;
        ++frames;
    });
    return frames ? sum / frames : 0;
}

// Long-term average spectrum in 32 bands of 125 Hz, in dB.
std::vector<double> Ltas(const Samples& s) {
    constexpr int kN = 256;
    std::vector<double> power(kN / 2, 0.0);
    for (qsizetype at = 0; at + kN <= s.size(); at += kN / 2) {
        for (int k = 0; k < kN / 2; ++k) {
            double re = 0, im = 0;
            for (int i = 0; i < kN; ++i) {
                const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / kN);
                re += w * s[at + i] * std::cos(2 * std::numbers::pi * k * i / kN);
                im -= w * s[at + i] * std::sin(2 * std::numbers::pi * k * i / kN);
            }
            power[size_t(k)] += re * re + im * im;
        }
    }
    std::vector<double> bands(32, 0.0);
    double total = 0;
    for (int k = 0; k < kN / 2; ++k) {
        bands[size_t(k / 4)] += power[size_t(k)];
        total += power[size_t(k)];
    }
    for (double& b : bands)
        b = 10 * std::log10(b / total + 1e-12);
    return bands;
}

double LtasDistance(const Samples& a, const Samples& b) {
    const std::vector<double> x = Ltas(a), y = Ltas(b);
    double sum = 0;
    for (size_t i = 0; i < x.size(); ++i)
        sum += (x[i] - y[i]) * (x[i] - y[i]);
    return std::sqrt(sum / double(x.size()));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("speech.wav"));
    QString why;
    if (!sim::SpeakToWav(QStringLiteral("Hello, this is the office of Miller and Sons. We have moved the meeting to "
                                        "Thursday at half past ten. Please bring the figures for the second quarter, "
                                        "and call me back on five five five, one two three four. Thank you, goodbye."),
                         wav, &why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    const Samples speech = sim::ReadWavSamples(wav);
    const double seconds = speech.size() / 8000.0;
    const double pitch = test::MedianPitch(speech);
    std::printf("speech: %.1f s at 8000 Hz, median pitch %.0f Hz, harmonicity %.3f\n", seconds, pitch,
                Harmonicity(speech));
    std::printf("%-28s %5s %10s %9s %7s %8s %8s\n", "method", "speed", "ms/min", "length%", "pitch", "harmon.",
                "LTAS dB");
    using RB = RubberBand::RubberBandStretcher;
    const std::vector<std::pair<const char*, Stretch>> methods = {
        {"PlayerCore (RubberBand R3)", Core},
        {"SoundTouch defaults", [](const Samples& s, double v) { return SoundTouch(s, v, false); }},
        {"SoundTouch 40/15/8 ms", [](const Samples& s, double v) { return SoundTouch(s, v, true); }},
        {"RubberBand R2 real-time", [](const Samples& s, double v) { return Rubber(s, v, RB::OptionEngineFaster); }},
        {"sox tempo -s (peer)", SoxTempo},
    };
    for (double speed : {1.5, 2.0}) {
        for (const auto& [name, stretch] : methods) {
            QElapsedTimer t;
            t.start();
            const Samples out = stretch(speech, speed);
            const double ms = double(t.nsecsElapsed()) / 1e6 * 60.0 / seconds;
            const double length = 100.0 * (out.size() * speed / speech.size() - 1.0);
            std::printf("%-28s %5.2f %10.1f %+8.2f%% %7.3f %8.3f %8.2f\n", name, speed, ms, length,
                        test::MedianPitch(out) / pitch, Harmonicity(out), LtasDistance(speech, out));
            if (!outDir.isEmpty())
                sim::WriteWavSamples(QStringLiteral("%1/%2-%3.wav")
                                         .arg(outDir, QString::fromLatin1(name).left(14).replace(u' ', u'_'))
                                         .arg(speed),
                                     out);
        }
    }
    return 0;
}
