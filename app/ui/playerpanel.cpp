#include "app/ui/playerpanel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "app/catalogue/calllistmodel.h"
#include "app/player/playerout.h"
#include "app/player/playfile.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/frmConverter.h"
#include "app/ui/waveformview.h"

namespace qlm {
namespace {

constexpr qint64 kStepMs = 5000;
constexpr qint64 kSmallStepMs = 1000;
// A line the user only passes over on the way to another is not converted.
constexpr int kPrepareDelayMs = 250;

QString Clock(qint64 ms) {
    const qint64 s = ms / 1000;
    return s >= 3600
               ? QStringLiteral("%1:%2:%3")
                     .arg(s / 3600)
                     .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                     .arg(s % 60, 2, 10, QLatin1Char('0'))
               : QStringLiteral("%1:%2").arg(s / 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QToolButton* MakeButton(QWidget* parent, const char* name, const char* theme, QStyle::StandardPixmap fallback) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(QIcon::fromTheme(QString::fromLatin1(theme), parent->style()->standardIcon(fallback)));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

}  // namespace

PlayerPanel::PlayerPanel(QTreeView* list, CallListModel* model, QWidget* parent)
    : QFrame(parent),
      list_(list),
      model_(model),
      output_(new PlayerOutput(core_, this)),
      prepareTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("fraPlayer"));
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    BuildControls();
    setFocusProxy(picWaveform);
    sound_ = PlayerOutput::HasDevice();

    prepareTimer_->setSingleShot(true);
    prepareTimer_->setInterval(kPrepareDelayMs);
    connect(prepareTimer_, &QTimer::timeout, this, [this] {
        if (Prepare() && playWhenPrepared_)
            PlayPause();
        playWhenPrepared_ = false;
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &PlayerPanel::SelectionChanged);
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this, &PlayerPanel::SelectionChanged);
    connect(model_, &QAbstractItemModel::modelReset, this, &PlayerPanel::SelectionChanged);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &PlayerPanel::SelectionChanged);
    connect(output_, &PlayerOutput::Tick, this, &PlayerPanel::ShowPosition);
    connect(output_, &PlayerOutput::Finished, this, &PlayerPanel::Finished);

    // Window-wide: the list and the panel alike step through the calls.
    auto* previous = new QAction(this);
    previous->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Up));
    previous->setShortcutContext(Qt::WindowShortcut);
    connect(previous, &QAction::triggered, this, [this] { StepCall(-1); });
    auto* next = new QAction(this);
    next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down));
    next->setShortcutContext(Qt::WindowShortcut);
    connect(next, &QAction::triggered, this, [this] { StepCall(1); });
    addAction(previous);
    addAction(next);

    setVisible(false);
    Unload();
}

// The output goes first: its sink pulls from the core.
PlayerPanel::~PlayerPanel() { delete output_; }

void PlayerPanel::BuildControls() {
    lblCall = new QLabel(this);
    lblCall->setObjectName(QStringLiteral("lblCall"));
    lblCall->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblPlayerStatus = new QLabel(this);
    lblPlayerStatus->setObjectName(QStringLiteral("lblPlayerStatus"));
    lblPlayerStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblPlayerStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    picWaveform = new WaveformView(this);
    picWaveform->setObjectName(QStringLiteral("picWaveform"));
    connect(picWaveform, &WaveformView::SeekRequested, this, &PlayerPanel::SeekMs);

    cmdPreviousCall = MakeButton(this, "cmdPreviousCall", "media-skip-backward", QStyle::SP_MediaSkipBackward);
    cmdBack = MakeButton(this, "cmdBack", "media-seek-backward", QStyle::SP_MediaSeekBackward);
    cmdPlay = MakeButton(this, "cmdPlay", "media-playback-start", QStyle::SP_MediaPlay);
    cmdStop = MakeButton(this, "cmdStop", "media-playback-stop", QStyle::SP_MediaStop);
    cmdForward = MakeButton(this, "cmdForward", "media-seek-forward", QStyle::SP_MediaSeekForward);
    cmdNextCall = MakeButton(this, "cmdNextCall", "media-skip-forward", QStyle::SP_MediaSkipForward);
    connect(cmdPreviousCall, &QToolButton::clicked, this, [this] { StepCall(-1); });
    connect(cmdBack, &QToolButton::clicked, this, [this] { SkipMs(-kStepMs); });
    connect(cmdPlay, &QToolButton::clicked, this, &PlayerPanel::PlayPause);
    connect(cmdStop, &QToolButton::clicked, this, &PlayerPanel::Stop);
    connect(cmdForward, &QToolButton::clicked, this, [this] { SkipMs(kStepMs); });
    connect(cmdNextCall, &QToolButton::clicked, this, [this] { StepCall(1); });

    sldPosition = new QSlider(Qt::Horizontal, this);
    sldPosition->setObjectName(QStringLiteral("sldPosition"));
    sldPosition->setFocusPolicy(Qt::TabFocus);
    sldPosition->setSingleStep(static_cast<int>(kSmallStepMs));
    sldPosition->setPageStep(static_cast<int>(kStepMs));
    connect(sldPosition, &QSlider::actionTriggered, this, [this] {
        // The slider's own move is not done yet; seek where it goes.
        QTimer::singleShot(0, this, [this] { SeekMs(sldPosition->value()); });
    });
    lblPlayerTime = new QLabel(this);
    lblPlayerTime->setObjectName(QStringLiteral("lblPlayerTime"));
    cboSpeed = new QComboBox(this);
    cboSpeed->setObjectName(QStringLiteral("cboSpeed"));
    cboSpeed->setFocusPolicy(Qt::TabFocus);
    for (double speed : kPlayerSpeeds)
        cboSpeed->addItem(QString::number(speed) + QStringLiteral(" \u00d7"), speed);
    cboSpeed->setCurrentIndex(kNormalSpeedIndex);
    connect(cboSpeed, &QComboBox::currentIndexChanged, this,
            [this](int index) { output_->SetSpeed(kPlayerSpeeds[qBound(0, index, kPlayerSpeedCount - 1)]); });
    sldVolume = new QSlider(Qt::Horizontal, this);
    sldVolume->setObjectName(QStringLiteral("sldVolume"));
    sldVolume->setFocusPolicy(Qt::TabFocus);
    sldVolume->setRange(0, 100);
    sldVolume->setValue(100);
    sldVolume->setMaximumWidth(90);
    connect(sldVolume, &QSlider::valueChanged, this, [this](int value) { output_->SetVolume(value / 100.0); });

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);
    auto* top = new QHBoxLayout;
    top->addWidget(lblCall);
    top->addWidget(lblPlayerStatus, 1);
    grid->addLayout(top, 0, 0);
    grid->addWidget(picWaveform, 1, 0);
    auto* controls = new QHBoxLayout;
    for (QToolButton* button : {cmdPreviousCall, cmdBack, cmdPlay, cmdStop, cmdForward, cmdNextCall})
        controls->addWidget(button);
    controls->addWidget(sldPosition, 1);
    controls->addWidget(lblPlayerTime);
    controls->addSpacing(8);
    controls->addWidget(cboSpeed);
    controls->addSpacing(8);
    controls->addWidget(sldVolume);
    grid->addLayout(controls, 2, 0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PlayerPanel::ApplyTexts() {
    const auto name = [](QWidget* w, int n, const char* english, bool tip = true) {
        const QString text = LibStr(n, QString::fromUtf8(english));
        w->setAccessibleName(text);
        if (tip)
            w->setToolTip(text);
    };
    name(this, str::Player, "Player", false);
    name(picWaveform, str::WaveformTip, "Waveform of the call: click to jump there");
    name(cmdPreviousCall, str::PreviousCall, "Previous call (Ctrl+Up)");
    name(cmdBack, str::Back5s, "Back 5 seconds (Left)");
    name(cmdStop, str::Stop, "Stop");
    name(cmdForward, str::Forward5s, "Forward 5 seconds (Right)");
    name(cmdNextCall, str::NextCall, "Next call (Ctrl+Down)");
    name(sldPosition, str::Position, "Position");
    name(lblPlayerTime, str::ElapsedAndTotal, "Elapsed and total time", false);
    name(cboSpeed, str::Speed, "Speed ([ and ])");
    name(sldVolume, str::Volume, "Volume");
    name(lblCall, str::PlayerCall, "Call", false);
    name(lblPlayerStatus, str::PlayerState, "Player state", false);
    for (int i = 0; i < kPlayerSpeedCount; ++i)
        cboSpeed->setItemText(
            i, LibStr(str::SpeedHalf + i, QString::number(kPlayerSpeeds[i]) + QStringLiteral(" \u00d7")));
    ShowPlaying();
    ShowStatus();
}

void PlayerPanel::SetSignedIn(bool signedIn) {
    if (!signedIn)
        Unload();
    setVisible(signedIn);
}

int PlayerPanel::SelectedRow() const {
    const QItemSelectionModel* selection = list_->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), QModelIndex()))
        return current.row();
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void PlayerPanel::SelectionChanged() {
    const int row = SelectedRow();
    const ConvertItem item =
        row >= 0 ? ConvertItem{model_->Text(row, kColDate), model_->Text(row, kColTime), model_->Record(row).File}
                 : ConvertItem{};
    // Sorting or a new selection of the same call keeps it playing.
    if (row >= 0 && haveItem_ && item.dateText == item_.dateText && item.timeText == item_.timeText)
        return;
    const bool wasPlaying = Playing();
    Unload();
    playWhenPrepared_ = false;
    if (row < 0)
        return;
    item_ = item;
    haveItem_ = true;
    QString number = model_->Text(row, kColCallerID);
    if (number.isEmpty())
        number = model_->Text(row, kColDialString);
    lblCall->setText(
        QStringLiteral("%1  %2   %3   %4").arg(item.dateText, item.timeText, number, model_->Text(row, kColDuration)));
    stage_ = LibStr(str::PreparingRecording, QStringLiteral("Preparing the recording for playing..."));
    ShowStatus();
    // Previous/next call go on playing; a line chosen in the list waits.
    playWhenPrepared_ = stepping_ && wasPlaying;
    prepareTimer_->start();
}

bool PlayerPanel::Prepare() {
    prepareTimer_->stop();
    if (prepared_ || !haveItem_)
        return prepared_;
    if (frmConverter::Running()) {
        failure_ = LibStr(str::ConversionRunning,
                          QStringLiteral("A conversion is still running. Try again when it has finished."));
        stage_.clear();
        ShowStatus();
        return false;
    }
    const QString preparing = LibStr(str::PreparingRecording, QStringLiteral("Preparing the recording for playing..."));
    PlayFileHooks hooks;
    hooks.stage = [this, &preparing](const QString& stage) {
        stage_ = preparing + u' ' + stage;
        ShowStatus();
    };
    // The window paints meanwhile, but takes no command that could start a
    // second conversion.
    hooks.processEvents = [] { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    const ConvertItem item = item_;
    QString path, error;
    const bool made = PreparePlayFile(item, PrjPublicM().RecordingsFolder, hooks, &path, &error);
    if (!haveItem_ || item.dateText != item_.dateText || item.timeText != item_.timeText)
        return false;  // another line was chosen meanwhile
    stage_.clear();
    if (!made || !core_.Load(path, &error)) {
        failure_ = LibStr(str::CannotPlay, QStringLiteral("This call cannot be played:")) + u' ' + error;
        ShowStatus();
        return false;
    }
    core_.SetSpeed(kPlayerSpeeds[cboSpeed->currentIndex()]);
    prepared_ = true;
    picWaveform->SetSamples(&core_.Samples());
    sldPosition->setRange(0, static_cast<int>(core_.DurationMs()));
    ShowPosition(0);
    ShowStatus();
    ShowPlaying();
    return true;
}

void PlayerPanel::Unload() {
    prepareTimer_->stop();
    output_->Pause();
    picWaveform->SetSamples(nullptr);
    core_.Clear();
    prepared_ = haveItem_ = ended_ = false;
    item_ = ConvertItem{};
    stage_.clear();
    failure_.clear();
    lblCall->clear();
    sldPosition->setRange(0, 0);
    ShowPosition(0);
    ShowStatus();
    ShowPlaying();
}

bool PlayerPanel::Playing() const { return output_->IsPlaying(); }

qint64 PlayerPanel::PositionMs() const { return output_->PositionMs(); }

void PlayerPanel::PlayPause() {
    if (Playing()) {
        output_->Pause();
    } else if (sound_ && Prepare()) {
        if (ended_ || PositionMs() >= core_.DurationMs())
            output_->Seek(0);
        ended_ = false;
        if (!output_->Play()) {
            sound_ = false;
        }
    }
    ShowPosition(PositionMs());
    ShowStatus();
    ShowPlaying();
}

void PlayerPanel::Stop() {
    output_->Pause();
    output_->Seek(0);
    ShowPosition(0);
    ShowPlaying();
}

void PlayerPanel::SeekMs(qint64 ms) {
    if (!Prepare())
        return;
    ended_ = false;
    output_->Seek(qBound<qint64>(0, ms, core_.DurationMs()));
    ShowPosition(PositionMs());
    ShowStatus();
}

void PlayerPanel::SkipMs(qint64 ms) { SeekMs(PositionMs() + ms); }

void PlayerPanel::StepSpeed(int step) {
    const int index = qBound(0, cboSpeed->currentIndex() + step, kPlayerSpeedCount - 1);
    cboSpeed->setCurrentIndex(index);
}

void PlayerPanel::StepCall(int step) {
    if (!isVisible() || model_->rowCount() == 0)
        return;
    const int from = SelectedRow();
    const int row = qBound(0, from < 0 ? 0 : from + step, model_->rowCount() - 1);
    if (row == from)
        return;
    stepping_ = true;
    // The step's own selection, whatever keys are held: the view's
    // setCurrentIndex would take Ctrl (of Ctrl+Down) for a widening click,
    // and a following Delete would take the calls stepped over too.
    list_->selectionModel()->setCurrentIndex(model_->index(row, kColDate),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    stepping_ = false;
    list_->scrollTo(model_->index(row, kColDate));
}

void PlayerPanel::ShowPosition(qint64 ms) {
    picWaveform->SetPositionMs(ms);
    if (!sldPosition->isSliderDown()) {
        const QSignalBlocker block(sldPosition);
        sldPosition->setValue(static_cast<int>(ms));
    }
    lblPlayerTime->setText(Clock(ms) + QStringLiteral(" / ") + Clock(core_.DurationMs()));
}

void PlayerPanel::ShowStatus() {
    QString text;
    if (!failure_.isEmpty())
        text = failure_;
    else if (!stage_.isEmpty())
        text = stage_;
    else if (!sound_)
        text = LibStr(str::NoSoundOutput,
                      QStringLiteral("No sound output on this computer: calls cannot be played here."));
    else if (ended_)
        text = LibStr(str::EndOfCall, QStringLiteral("End of call"));
    else if (!haveItem_)
        text = LibStr(str::SelectCallToListen, QStringLiteral("Select a call to listen to it."));
    lblPlayerStatus->setText(text);
    lblPlayerStatus->setToolTip(text);
}

void PlayerPanel::ShowPlaying() {
    const bool playing = Playing();
    const QString text =
        playing ? LibStr(str::Pause, QStringLiteral("Pause")) : LibStr(str::Play, QStringLiteral("Play"));
    cmdPlay->setIcon(
        QIcon::fromTheme(playing ? QStringLiteral("media-playback-pause") : QStringLiteral("media-playback-start"),
                         style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay)));
    cmdPlay->setAccessibleName(text);
    cmdPlay->setToolTip(text + QStringLiteral(" (Space)"));
    cmdPlay->setEnabled(sound_ && haveItem_ && failure_.isEmpty());
    for (QWidget* w : {static_cast<QWidget*>(cmdStop), static_cast<QWidget*>(cmdBack),
                       static_cast<QWidget*>(cmdForward), static_cast<QWidget*>(sldPosition)})
        w->setEnabled(prepared_);
}

void PlayerPanel::Finished() {
    ended_ = true;
    ShowPosition(core_.DurationMs());
    ShowStatus();
    ShowPlaying();
}

void PlayerPanel::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Space:
        PlayPause();
        break;
    case Qt::Key_Left:
        SkipMs(shift ? -kSmallStepMs : -kStepMs);
        break;
    case Qt::Key_Right:
        SkipMs(shift ? kSmallStepMs : kStepMs);
        break;
    case Qt::Key_Home:
        SeekMs(0);
        break;
    case Qt::Key_End:
        SeekMs(core_.DurationMs());
        break;
    case Qt::Key_BracketLeft:
        StepSpeed(-1);
        break;
    case Qt::Key_BracketRight:
        StepSpeed(1);
        break;
    default:
        QFrame::keyPressEvent(event);
        return;
    }
    event->accept();
}

}  // namespace qlm
