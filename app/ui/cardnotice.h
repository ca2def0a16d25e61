// The notice that the recorder's card has arrived: a strip in the main
// window's status bar with the card's name, how many recordings it holds, a
// button that opens the copy dialog on it, and a button to dismiss it. It
// only speaks while the user is signed in and no dialog is open; nothing is
// copied until the user asks.
#pragma once

#include <QFrame>

#include "app/card/cardarrival.h"

class QLabel;
class QPushButton;
class QTimer;

namespace qlm {

class frmMain;

class CardNotice : public QFrame {
    Q_OBJECT
public:
    // Watches the given detector, or the system's mount table when none.
    explicit CardNotice(frmMain& main, CardArrival* arrival = nullptr);

    // The card shown now (root empty when hidden).
    const CardVolume& Shown() const { return shown_; }
    // Hides the notice until the next card comes.
    void Dismiss();

    QLabel* lblCardNotice = nullptr;
    QPushButton* cmdCardCopy = nullptr;
    QPushButton* cmdCardDismiss = nullptr;

private:
    void ShowWhenIdle();
    void Arrived(const CardVolume& card);
    void Removed(const QString& root);
    void CopyFromCard();

    frmMain& main_;
    CardArrival* arrival_;
    QTimer* retry_;
    CardVolume pending_;
    CardVolume shown_;
};

// Puts a notice into the main window's status bar; the window owns it.
CardNotice* AttachCardNotice(frmMain& main);

}  // namespace qlm
