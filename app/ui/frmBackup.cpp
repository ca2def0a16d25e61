#include "app/ui/frmBackup.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/applyfont.h"
#include "app/ui/plaintext.h"

namespace qlm {

frmBackup::frmBackup(QWidget* parent, const QString& recordingsFolder, const QString& destination) : QDialog(parent) {
    setObjectName(QStringLiteral("frmBackup"));
    setWindowTitle(PlainText(LibStr(str::BackUpCatalogue, QStringLiteral("Back Up Catalogue"))));
    lblRecordings = new QLabel(
        LibStr(str::BackupWithoutRecordings, QStringLiteral("The backup holds the calls and their comments, not the "
                                                            "recordings. The recordings stay in:")) +
            u'\n' + QDir::toNativeSeparators(recordingsFolder),
        this);
    lblRecordings->setObjectName(QStringLiteral("lblRecordings"));
    lblRecordings->setWordWrap(true);
    lblRecordings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDestination = new QLabel(LibStr(str::BackUpTo, QStringLiteral("Back up &to:")), this);
    lblDestination->setObjectName(QStringLiteral("lblDestination"));
    txtDestination = new QLineEdit(destination, this);
    txtDestination->setObjectName(QStringLiteral("txtDestination"));
    txtDestination->setAccessibleName(PlainText(lblDestination->text()));
    lblDestination->setBuddy(txtDestination);
    cmdBrowse = new QPushButton(LibStr(str::Browse, QStringLiteral("&Browse...")), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdOK = new QPushButton(LibStr(str::Ok, QStringLiteral("OK")), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(LibStr(str::Cancel, QStringLiteral("Cancel")), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    ApplyFont(this, 2);
    for (QWidget* control : {static_cast<QWidget*>(txtDestination), static_cast<QWidget*>(cmdBrowse),
                             static_cast<QWidget*>(cmdOK), static_cast<QWidget*>(cmdCancel)})
        ApplyFont(control, 1);

    auto* row = new QHBoxLayout;
    row->addWidget(txtDestination, 1);
    row->addWidget(cmdBrowse);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblRecordings);
    layout->addWidget(lblDestination);
    layout->addLayout(row);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(520, 190);

    connect(cmdBrowse, &QPushButton::clicked, this, &frmBackup::cmdBrowse_Click);
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        if (!Destination().isEmpty())
            accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString frmBackup::Destination() const { return txtDestination->text().trimmed(); }

void frmBackup::cmdBrowse_Click() {
    QFileDialog dialog(this, windowTitle(), Destination());
    dialog.setObjectName(QStringLiteral("cdlBackup"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("ACCESS Files(*.mdb)"));
    dialog.setDefaultSuffix(QStringLiteral("mdb"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        txtDestination->setText(dialog.selectedFiles().first());
}

}  // namespace qlm
