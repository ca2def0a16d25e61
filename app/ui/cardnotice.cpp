#include "app/ui/cardnotice.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmConverter.h"
#include "app/ui/frmMain.h"

namespace qlm {
namespace {

// While a dialog is open the card waits; it is looked at again this often.
constexpr int kRetryMs = 1000;

bool Idle() {
    return PrjPublicM().SignedIn && !QApplication::activeModalWidget() && !QApplication::activePopupWidget() &&
           !frmConverter::Running();
}

}  // namespace

CardNotice::CardNotice(frmMain& main, CardArrival* arrival)
    : QFrame(&main), main_(main), arrival_(arrival ? arrival : new CardArrival(this)), retry_(new QTimer(this)) {
    setObjectName(QStringLiteral("cardNotice"));
    setFrameShape(QFrame::StyledPanel);
    lblCardNotice = new QLabel(this);
    lblCardNotice->setObjectName(QStringLiteral("lblCardNotice"));
    cmdCardCopy = new QPushButton(LibStr(str::CopyFromCard, QStringLiteral("&Copy Recordings...")), this);
    cmdCardCopy->setObjectName(QStringLiteral("cmdCardCopy"));
    cmdCardCopy->setToolTip(LibStr(str::CopyFromCardTip));
    cmdCardCopy->setAccessibleName(cmdCardCopy->text());
    cmdCardDismiss = new QPushButton(this);
    cmdCardDismiss->setObjectName(QStringLiteral("cmdCardDismiss"));
    cmdCardDismiss->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    cmdCardDismiss->setFlat(true);
    cmdCardDismiss->setToolTip(LibStr(str::DismissNotice));
    cmdCardDismiss->setAccessibleName(LibStr(str::DismissNotice));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 2, 0);
    layout->addWidget(lblCardNotice);
    layout->addWidget(cmdCardCopy);
    layout->addWidget(cmdCardDismiss);
    hide();

    retry_->setSingleShot(true);
    retry_->setInterval(kRetryMs);
    connect(retry_, &QTimer::timeout, this, &CardNotice::ShowWhenIdle);
    connect(arrival_, &CardArrival::CardArrived, this, &CardNotice::Arrived);
    connect(arrival_, &CardArrival::CardRemoved, this, &CardNotice::Removed);
    connect(cmdCardCopy, &QPushButton::clicked, this, &CardNotice::CopyFromCard);
    connect(cmdCardDismiss, &QPushButton::clicked, this, &CardNotice::Dismiss);
}

void CardNotice::Arrived(const CardVolume& card) {
    pending_ = card;
    ShowWhenIdle();
}

void CardNotice::ShowWhenIdle() {
    if (pending_.root.isEmpty())
        return;
    if (!PrjPublicM().SignedIn) {
        // A card that came while signed out is not offered later: signing in
        // leads to the copy dialog anyway.
        pending_ = CardVolume();
        return;
    }
    if (!Idle()) {
        retry_->start();
        return;
    }
    shown_ = pending_;
    pending_ = CardVolume();
    const QString text = LibStr(str::CardFound, QStringLiteral("Recorder card found:")) + u' ' + shown_.name + u' ' +
                         u'(' + QString::number(shown_.recordings) + u' ' +
                         LibStr(str::Recordings, QStringLiteral("recordings")) + u')';
    lblCardNotice->setText(text);
    lblCardNotice->setToolTip(shown_.root);
    setAccessibleName(text);
    show();
}

void CardNotice::Removed(const QString& root) {
    if (pending_.root == root)
        pending_ = CardVolume();
    if (shown_.root == root)
        Dismiss();
}

void CardNotice::Dismiss() {
    shown_ = CardVolume();
    hide();
}

void CardNotice::CopyFromCard() {
    const QString root = shown_.root;
    Dismiss();
    if (!root.isEmpty() && PrjPublicM().SignedIn)
        CopyRecordingsFrom(main_, root);
}

CardNotice* AttachCardNotice(frmMain& main) {
    auto* notice = new CardNotice(main);
    main.statusBar()->addPermanentWidget(notice);
    // Signing out leaves no offer to copy behind.
    QObject::connect(main.MnuSignOut, &QAction::triggered, notice, &CardNotice::Dismiss);
    if (QAction* button = main.ToolbarButton(QStringLiteral("Sign_Out")))
        QObject::connect(button, &QAction::triggered, notice, &CardNotice::Dismiss);
    return notice;
}

}  // namespace qlm
