// The player's sound output: the core pulled into Qt Multimedia's QAudioSink
// on the default output device, and the position of what has been heard.
#pragma once

#include <QObject>

class QAudioSink;
class QIODevice;
class QTimer;

namespace qlm {

class PlayerCore;

class PlayerOutput : public QObject {
    Q_OBJECT
public:
    explicit PlayerOutput(PlayerCore& core, QObject* parent = nullptr);
    ~PlayerOutput() override;

    // True when the system has a sound output to play on.
    static bool HasDevice();

    // Plays from the core's next position; false when there is no sound
    // output or the sink would not start.
    bool Play();
    // Stops the sound; the core stays at the position heard last.
    void Pause();
    bool IsPlaying() const { return sink_ != nullptr; }

    // The position heard (while playing) or where playing will start, in ms.
    qint64 PositionMs() const;
    // Seeks and changes speed while playing or not.
    void Seek(qint64 ms);
    void SetSpeed(double speed);
    // 0 to 1.
    void SetVolume(double volume);
    double Volume() const { return volume_; }

signals:
    // The end of the call has been heard; the output has stopped.
    void Finished();
    // About every 20 ms while playing.
    void Tick(qint64 positionMs);

private:
    qint64 HeardSamples() const;
    void CheckEnd();
    void StopSink();

    PlayerCore& core_;
    QIODevice* feed_ = nullptr;
    QAudioSink* sink_ = nullptr;
    QTimer* ticker_ = nullptr;
    qint64 base_ = 0;  // the core's rendered count when the sink started
    int idleTicks_ = 0;
    double volume_ = 1.0;
};

}  // namespace qlm
