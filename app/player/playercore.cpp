#include "app/player/playercore.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>

#include "app/player/wavfile.h"

namespace qlm {
namespace {

constexpr qint64 kFeedBlock = 256;

qint16 ToSample(float value) {
    const float scaled = std::round(value * 32768.0f);
    return static_cast<qint16>(std::clamp(scaled, -32768.0f, 32767.0f));
}

}  // namespace

using RubberBand::RubberBandStretcher;

PlayerCore::PlayerCore()
    : stretch_(std::make_unique<RubberBandStretcher>(
          kPlayerRate, 1, RubberBandStretcher::OptionProcessRealTime | RubberBandStretcher::OptionEngineFiner)) {
    stretch_->setMaxProcessSize(kFeedBlock);
}

PlayerCore::~PlayerCore() = default;

bool PlayerCore::Load(const QString& wavPath, QString* error) {
    QVector<qint16> samples;
    if (!ReadPlayerWav(wavPath, &samples, error)) {
        Clear();
        return false;
    }
    SetSamples(std::move(samples));
    return true;
}

void PlayerCore::SetSamples(QVector<qint16> samples) {
    samples_ = std::move(samples);
    StartSegment(0);
}

void PlayerCore::Clear() { SetSamples({}); }

qint64 PlayerCore::DurationMs() const { return samples_.size() * 1000 / kPlayerRate; }

void PlayerCore::SetSpeed(double speed) {
    const qint64 next = segmentStart_ + std::llround(static_cast<double>(rendered_) * speed_);
    speed_ = std::clamp(speed, kPlayerSpeeds[0], kPlayerSpeeds[kPlayerSpeedCount - 1]);
    StartSegment(next);
}

void PlayerCore::Seek(qint64 ms) { StartSegment(ms * kPlayerRate / 1000); }

void PlayerCore::StartSegment(qint64 sourceSample) {
    segmentStart_ = std::clamp<qint64>(sourceSample, 0, samples_.size());
    fed_ = segmentStart_;
    rendered_ = 0;
    flushed_ = false;
    stretch_->reset();
    stretch_->setTimeRatio(1.0 / speed_);
    if (speed_ == 1.0)
        return;
    // Silence ahead of the call lets the first sample come out whole; the
    // output it stands for is dropped.
    float zeros[kFeedBlock] = {};
    for (qint64 pad = static_cast<qint64>(stretch_->getPreferredStartPad()); pad > 0; pad -= kFeedBlock) {
        const float* in = zeros;
        stretch_->process(&in, static_cast<size_t>(std::min(pad, kFeedBlock)), false);
    }
    skip_ = static_cast<qint64>(stretch_->getStartDelay());
}

// The stretcher pads its last block; the output stops where the call ends.
qint64 PlayerCore::SegmentOutputLength() const {
    return std::llround(static_cast<double>(samples_.size() - segmentStart_) / speed_);
}

qint64 PlayerCore::Render(qint16* out, qint64 max) {
    if (max <= 0)
        return 0;
    if (speed_ == 1.0) {
        const qint64 n = std::min<qint64>(max, samples_.size() - fed_);
        std::copy_n(samples_.constData() + fed_, n, out);
        fed_ += n;
        rendered_ += n;
        return n;
    }
    const qint64 wanted = std::min<qint64>(max, SegmentOutputLength() - rendered_);
    float block[kFeedBlock];
    qint64 done = 0;
    while (done < wanted) {
        const int available = stretch_->available();
        if (available > 0) {
            float* to = block;
            const qint64 ask = std::min<qint64>({available, kFeedBlock, wanted - done + skip_});
            const qint64 got = static_cast<qint64>(stretch_->retrieve(&to, static_cast<size_t>(ask)));
            const qint64 skipped = std::min(skip_, got);
            skip_ -= skipped;
            for (qint64 i = skipped; i < got; ++i)
                out[done++] = ToSample(block[i]);
            continue;
        }
        if (flushed_)
            break;  // all out
        const qint64 n = std::min<qint64>(kFeedBlock, samples_.size() - fed_);
        for (qint64 i = 0; i < n; ++i)
            block[i] = static_cast<float>(samples_[fed_ + i]) / 32768.0f;
        fed_ += n;
        flushed_ = fed_ >= samples_.size();
        const float* in = block;
        stretch_->process(&in, static_cast<size_t>(n), flushed_);
    }
    rendered_ += done;
    return done;
}

QVector<qint16> PlayerCore::RenderAll() {
    QVector<qint16> all;
    constexpr qint64 kChunk = 4096;
    for (;;) {
        const qsizetype at = all.size();
        all.resize(at + kChunk);
        const qint64 n = Render(all.data() + at, kChunk);
        all.resize(at + static_cast<qsizetype>(n));
        if (n == 0)
            return all;
    }
}

bool PlayerCore::AtEnd() const {
    if (speed_ == 1.0)
        return fed_ >= samples_.size();
    return rendered_ >= SegmentOutputLength() || (flushed_ && stretch_->available() <= 0);
}

qint64 PlayerCore::PositionMs(qint64 outputIndex) const {
    const qint64 source = segmentStart_ + std::llround(static_cast<double>(outputIndex) * speed_);
    return std::min<qint64>(source, samples_.size()) * 1000 / kPlayerRate;
}

}  // namespace qlm
