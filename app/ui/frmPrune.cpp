#include "app/ui/frmPrune.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/applyfont.h"
#include "app/ui/plaintext.h"

namespace qlm {
namespace {

constexpr int kDefaultDays = 365;

}  // namespace

frmPrune::frmPrune(QWidget* parent, QVector<AgedCall> calls) : QDialog(parent), calls_(std::move(calls)) {
    setObjectName(QStringLiteral("frmPrune"));
    setWindowTitle(PlainText(LibStr(str::DeleteOldCalls, QStringLiteral("Delete Old Calls"))));
    optDays = new QRadioButton(LibStr(str::OlderThanDays, QStringLiteral("Calls &older than (days):")), this);
    optDays->setObjectName(QStringLiteral("optDays"));
    optDays->setChecked(true);
    txtDays = new QSpinBox(this);
    txtDays->setObjectName(QStringLiteral("txtDays"));
    txtDays->setRange(0, 36500);
    txtDays->setValue(kDefaultDays);
    txtDays->setAccessibleName(PlainText(optDays->text()));
    optDate = new QRadioButton(LibStr(str::DatedBefore, QStringLiteral("Calls dated &before:")), this);
    optDate->setObjectName(QStringLiteral("optDate"));
    dtpBefore = new QDateEdit(PruneLimitDate(kDefaultDays), this);
    dtpBefore->setObjectName(QStringLiteral("dtpBefore"));
    dtpBefore->setCalendarPopup(true);
    dtpBefore->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtpBefore->setAccessibleName(PlainText(optDate->text()));
    dtpBefore->setEnabled(false);
    chkSaved = new QCheckBox(LibStr(str::IncludeSaved, QStringLiteral("Include calls marked &saved")), this);
    chkSaved->setObjectName(QStringLiteral("chkSaved"));
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblCount->setWordWrap(true);
    cmdDelete = new QPushButton(LibStr(str::DeleteButton, QStringLiteral("&Delete")), this);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdCancel = new QPushButton(LibStr(str::Cancel, QStringLiteral("Cancel")), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setDefault(true);  // Enter never deletes by accident
    ApplyFont(this, 2);
    for (QWidget* control : {static_cast<QWidget*>(txtDays), static_cast<QWidget*>(dtpBefore),
                             static_cast<QWidget*>(cmdDelete), static_cast<QWidget*>(cmdCancel)})
        ApplyFont(control, 1);

    auto* grid = new QGridLayout;
    grid->addWidget(optDays, 0, 0);
    grid->addWidget(txtDays, 0, 1);
    grid->addWidget(optDate, 1, 0);
    grid->addWidget(dtpBefore, 1, 1);
    grid->addWidget(chkSaved, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdDelete);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(lblCount);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(460, 200);

    connect(optDays, &QRadioButton::toggled, this, [this](bool days) {
        txtDays->setEnabled(days);
        dtpBefore->setEnabled(!days);
        Recount();
    });
    connect(txtDays, &QSpinBox::valueChanged, this, &frmPrune::Recount);
    connect(dtpBefore, &QDateEdit::dateChanged, this, &frmPrune::Recount);
    connect(chkSaved, &QCheckBox::toggled, this, &frmPrune::Recount);
    connect(cmdDelete, &QPushButton::clicked, this, &frmPrune::cmdDelete_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    Recount();
}

void frmPrune::Recount() {
    const QDate keepFrom = optDays->isChecked() ? PruneLimitDate(txtDays->value()) : dtpBefore->date();
    plan_ = PlanPrune(calls_, keepFrom, chkSaved->isChecked());
    QString text = LibStr(str::PruneSummary, QStringLiteral("%1 calls, %2 MB of recordings."))
                       .arg(plan_.calls.size())
                       .arg(static_cast<double>(plan_.bytes) / 1e6, 0, 'f', 1);
    if (plan_.savedKept > 0)
        text += u' ' + LibStr(str::SavedKept, QStringLiteral("%1 saved calls are kept.")).arg(plan_.savedKept);
    lblCount->setText(text);
    cmdDelete->setEnabled(!plan_.calls.isEmpty());
}

void frmPrune::cmdDelete_Click() {
    const QString question =
        LibStr(str::ConfirmPrune, QStringLiteral("Delete %1 calls and their recordings? This cannot be undone."));
    const auto answer = QMessageBox::question(this, LibStr(str::MessageTitle), question.arg(plan_.calls.size()),
                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer == QMessageBox::Ok)
        accept();
}

}  // namespace qlm
