// The player's core, without widgets or a sound device: the levelled WAV of a
// call in memory, rendered at a speed with the pitch kept (SoundTouch), with
// the position of every rendered sample in the call, seeking and the end of
// the call. The stretch is RubberBand's R3 engine in real-time mode: on our
// 8 kHz speech at 1.5x and 2x it keeps the voice as periodic as the call
// itself, where SoundTouch's splicing roughens it (bench_stretch). The window plays it through PlayerOutput; qlmtool
// and the tests render it into memory.
#pragma once

#include <QString>
#include <QVector>

#include <memory>

namespace RubberBand {
class RubberBandStretcher;
}

namespace qlm {

// The speeds the player offers, slowest first; 1 plays the samples as they are.
inline constexpr double kPlayerSpeeds[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0};
inline constexpr int kPlayerSpeedCount = 6;
inline constexpr int kNormalSpeedIndex = 2;

class PlayerCore {
public:
    PlayerCore();
    ~PlayerCore();
    PlayerCore(const PlayerCore&) = delete;
    PlayerCore& operator=(const PlayerCore&) = delete;

    // Loads a WAV file (16-bit mono 8000 Hz) and goes to its start. On failure
    // the core is empty and *error says why.
    bool Load(const QString& wavPath, QString* error);
    // Takes samples directly (tests, benchmarks).
    void SetSamples(QVector<qint16> samples);
    void Clear();

    const QVector<qint16>& Samples() const { return samples_; }
    qint64 DurationMs() const;

    double Speed() const { return speed_; }
    // Changes the speed from the position of the next sample to be rendered.
    void SetSpeed(double speed);
    // The next sample rendered comes from ms into the call (held to the call).
    void Seek(qint64 ms);

    // Renders up to max samples at the speed; returns how many. 0 only at the
    // end of the call.
    qint64 Render(qint16* out, qint64 max);
    // Renders from the current position to the end of the call.
    QVector<qint16> RenderAll();
    bool AtEnd() const;

    // Output samples are counted from the last seek or speed change: the
    // number rendered since, and where in the call (ms) the output sample
    // with that index comes from.
    qint64 Rendered() const { return rendered_; }
    qint64 PositionMs(qint64 outputIndex) const;
    // Where the next sample to be rendered comes from.
    qint64 NextPositionMs() const { return PositionMs(rendered_); }

private:
    void StartSegment(qint64 sourceSample);
    qint64 SegmentOutputLength() const;

    QVector<qint16> samples_;
    std::unique_ptr<RubberBand::RubberBandStretcher> stretch_;
    double speed_ = 1.0;
    qint64 segmentStart_ = 0;  // source sample the segment began at
    qint64 fed_ = 0;           // next source sample for the stretcher or the copy
    qint64 rendered_ = 0;      // output samples of the segment
    qint64 skip_ = 0;          // the stretcher's start delay still to drop
    bool flushed_ = false;     // the call's last sample went in
};

}  // namespace qlm
