#include "app/player/playercore.h"

#include <soundtouch/SoundTouch.h>

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

PlayerCore::PlayerCore() : stretch_(std::make_unique<soundtouch::SoundTouch>()) {
    stretch_->setSampleRate(kPlayerRate);
    stretch_->setChannels(1);
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
    stretch_->clear();
    stretch_->setTempo(speed_);
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
    while (static_cast<qint64>(stretch_->numSamples()) < wanted && !flushed_) {
        const qint64 n = std::min<qint64>(kFeedBlock, samples_.size() - fed_);
        for (qint64 i = 0; i < n; ++i)
            block[i] = static_cast<float>(samples_[fed_ + i]) / 32768.0f;
        if (n > 0)
            stretch_->putSamples(block, static_cast<uint>(n));
        fed_ += n;
        if (fed_ >= samples_.size()) {
            stretch_->flush();
            flushed_ = true;
        }
    }
    qint64 done = 0;
    while (done < wanted) {
        const uint n = stretch_->receiveSamples(block, static_cast<uint>(std::min<qint64>(kFeedBlock, wanted - done)));
        if (n == 0)
            break;
        for (uint i = 0; i < n; ++i)
            out[done + i] = ToSample(block[i]);
        done += n;
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
    return rendered_ >= SegmentOutputLength() || (flushed_ && stretch_->numSamples() == 0);
}

qint64 PlayerCore::PositionMs(qint64 outputIndex) const {
    const qint64 source = segmentStart_ + std::llround(static_cast<double>(outputIndex) * speed_);
    return std::min<qint64>(source, samples_.size()) * 1000 / kPlayerRate;
}

}  // namespace qlm
