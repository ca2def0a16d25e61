// The player panel below the call list: the selected call's date, time,
// number and duration, its waveform, play/pause, stop, position, 5 s steps,
// speed with the pitch kept, volume and previous/next call. Keys while it
// has focus: Space, Left/Right (Shift: 1 s), Home/End, [ and ]; Ctrl+Up/Down
// window-wide. The work is PlayerCore's and PlayerOutput's; the file comes
// from the conversion (PreparePlayFile).
#pragma once

#include <QFrame>

#include "app/convert/convertfiles.h"
#include "app/player/playercore.h"

class QComboBox;
class QLabel;
class QSlider;
class QTimer;
class QToolButton;
class QTreeView;

namespace qlm {

class CallListModel;
class PlayerOutput;
class WaveformView;

class PlayerPanel : public QFrame {
    Q_OBJECT
public:
    PlayerPanel(QTreeView* list, CallListModel* model, QWidget* parent);
    ~PlayerPanel() override;

    // The texts from the string library.
    void ApplyTexts();
    // Shown while signed in; signing out stops and forgets the call.
    void SetSignedIn(bool signedIn);

    // The call's file is loaded (prepared) and what the panel shows.
    bool Prepared() const { return prepared_; }
    bool Playing() const;
    bool SoundAvailable() const { return sound_; }
    qint64 PositionMs() const;
    const PlayerCore& Core() const { return core_; }

    void PlayPause();
    void Stop();
    void SeekMs(qint64 ms);
    void SkipMs(qint64 ms);
    void StepSpeed(int step);
    void StepCall(int step);

    QLabel* lblCall = nullptr;
    QLabel* lblPlayerStatus = nullptr;
    WaveformView* picWaveform = nullptr;
    QToolButton* cmdPlay = nullptr;
    QToolButton* cmdStop = nullptr;
    QToolButton* cmdBack = nullptr;
    QToolButton* cmdForward = nullptr;
    QToolButton* cmdPreviousCall = nullptr;
    QToolButton* cmdNextCall = nullptr;
    QSlider* sldPosition = nullptr;
    QLabel* lblPlayerTime = nullptr;
    QComboBox* cboSpeed = nullptr;
    QSlider* sldVolume = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void SelectionChanged();
    int SelectedRow() const;
    bool Prepare();
    void Unload();
    void ShowPosition(qint64 ms);
    void ShowStatus();
    void ShowPlaying();
    void Finished();

    QTreeView* list_;
    CallListModel* model_;
    PlayerCore core_;
    PlayerOutput* output_ = nullptr;
    QTimer* prepareTimer_ = nullptr;
    ConvertItem item_;
    bool haveItem_ = false;
    bool prepared_ = false;
    bool sound_ = false;
    bool ended_ = false;
    bool playWhenPrepared_ = false;
    bool stepping_ = false;  // StepCall is moving the list's selection
    QString stage_;          // the conversion's stage while it works
    QString failure_;        // why the call cannot be played
};

}  // namespace qlm
