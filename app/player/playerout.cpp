#include "app/player/playerout.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>

#include "app/player/playercore.h"
#include "app/player/wavfile.h"

namespace qlm {
namespace {

constexpr int kTickMs = 20;
// Half a second in the sink's buffer rides out a busy machine's pauses; the
// position comes from the server's clock, so it does not lag by as much.
constexpr qsizetype kBufferBytes = kPlayerRate;
// Ticks the sink may sit idle after the last sample before the end counts
// as heard (a server that stops its clock short of the last buffer).
constexpr int kIdleTicksAtEnd = 15;

// The core as a sequential device the sink pulls from.
class CoreFeed : public QIODevice {
public:
    CoreFeed(PlayerCore& core, QObject* parent) : QIODevice(parent), core_(core) {}
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return (core_.AtEnd() ? 0 : kPlayerRate * 2) + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        return core_.Render(reinterpret_cast<qint16*>(data), maxSize / 2) * 2;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    PlayerCore& core_;
};

}  // namespace

PlayerOutput::PlayerOutput(PlayerCore& core, QObject* parent)
    : QObject(parent), core_(core), feed_(new CoreFeed(core, this)), ticker_(new QTimer(this)) {
    feed_->open(QIODevice::ReadOnly);
    ticker_->setInterval(kTickMs);
    connect(ticker_, &QTimer::timeout, this, [this] {
        emit Tick(PositionMs());
        CheckEnd();
    });
}

PlayerOutput::~PlayerOutput() { StopSink(); }

bool PlayerOutput::HasDevice() { return !QMediaDevices::defaultAudioOutput().isNull(); }

bool PlayerOutput::Play() {
    if (sink_)
        return true;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(kPlayerRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    sink_ = new QAudioSink(device, format, this);
    sink_->setVolume(volume_);
    sink_->setBufferSize(kBufferBytes);
    base_ = core_.Rendered();
    idleTicks_ = 0;
    sink_->start(feed_);
    if (sink_->error() != QAudio::NoError) {
        StopSink();
        return false;
    }
    ticker_->start();
    return true;
}

void PlayerOutput::Pause() {
    if (!sink_)
        return;
    const qint64 heard = PositionMs();
    StopSink();
    core_.Seek(heard);
}

qint64 PlayerOutput::HeardSamples() const {
    if (!sink_)
        return 0;
    // The sink's clock is the time played by the server, not the time
    // handed to it.
    return qMin(base_ + sink_->processedUSecs() * kPlayerRate / 1000000, core_.Rendered());
}

qint64 PlayerOutput::PositionMs() const { return sink_ ? core_.PositionMs(HeardSamples()) : core_.NextPositionMs(); }

void PlayerOutput::Seek(qint64 ms) {
    const bool playing = IsPlaying();
    StopSink();
    core_.Seek(ms);
    if (playing)
        Play();
}

void PlayerOutput::SetSpeed(double speed) {
    const bool playing = IsPlaying();
    const qint64 heard = PositionMs();
    StopSink();
    core_.SetSpeed(speed);
    core_.Seek(heard);
    if (playing)
        Play();
}

void PlayerOutput::SetVolume(double volume) {
    volume_ = qBound(0.0, volume, 1.0);
    if (sink_)
        sink_->setVolume(volume_);
    sink_->setBufferSize(kBufferBytes);
}

void PlayerOutput::CheckEnd() {
    if (!sink_ || !core_.AtEnd())
        return;
    const bool allHeard = HeardSamples() >= core_.Rendered();
    if (sink_->state() == QAudio::IdleState || sink_->state() == QAudio::StoppedState)
        ++idleTicks_;
    if (allHeard || idleTicks_ >= kIdleTicksAtEnd) {
        StopSink();
        emit Finished();
    }
}

void PlayerOutput::StopSink() {
    ticker_->stop();
    if (!sink_)
        return;
    QAudioSink* sink = sink_;
    sink_ = nullptr;
    sink->stop();
    delete sink;
}

}  // namespace qlm
