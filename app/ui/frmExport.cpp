#include "app/ui/frmExport.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/export/exportsink.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/applyfont.h"
#include "app/ui/errorbox.h"
#include "app/ui/plaintext.h"

namespace qlm {

frmExport::frmExport(QWidget* parent, int callCount, const QString& format, const QString& destination)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(LibStr(str::ExportCalls, QStringLiteral("Export Calls")));
    lblCalls =
        new QLabel(LibStr(str::ExportSummary, QStringLiteral("%1 checked calls, as %2, with calls.csv and calls.json."))
                       .arg(callCount)
                       .arg(format),
                   this);
    lblCalls->setObjectName(QStringLiteral("lblCalls"));
    lblCalls->setWordWrap(true);
    lblDestination = new QLabel(LibStr(str::ExportTo, QStringLiteral("Export &to (a folder or a .zip file):")), this);
    lblDestination->setObjectName(QStringLiteral("lblDestination"));
    txtDestination = new QLineEdit(destination, this);
    txtDestination->setObjectName(QStringLiteral("txtDestination"));
    txtDestination->setAccessibleName(PlainText(lblDestination->text()));
    lblDestination->setBuddy(txtDestination);
    cmdFolder = new QPushButton(LibStr(str::ChooseFolder, QStringLiteral("&Folder...")), this);
    cmdFolder->setObjectName(QStringLiteral("cmdFolder"));
    cmdZip = new QPushButton(LibStr(str::ChooseZipFile, QStringLiteral("&ZIP File...")), this);
    cmdZip->setObjectName(QStringLiteral("cmdZip"));
    cmdOK = new QPushButton(LibStr(str::ExportButton, QStringLiteral("&Export")), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(LibStr(str::Cancel, QStringLiteral("Cancel")), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* button : {cmdFolder, cmdZip, cmdOK, cmdCancel})
        ApplyFont(button, 1);
    ApplyFont(this, 2);
    ApplyFont(txtDestination, 1);

    auto* grid = new QGridLayout;
    grid->addWidget(lblDestination, 0, 0, 1, 3);
    grid->addWidget(txtDestination, 1, 0);
    grid->addWidget(cmdFolder, 1, 1);
    grid->addWidget(cmdZip, 1, 2);
    grid->setColumnStretch(0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCalls);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(560, 170);

    connect(cmdFolder, &QPushButton::clicked, this, &frmExport::cmdFolder_Click);
    connect(cmdZip, &QPushButton::clicked, this, &frmExport::cmdZip_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmExport::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString frmExport::Destination() const { return txtDestination->text().trimmed(); }

void frmExport::cmdFolder_Click() {
    const QString folder = QFileDialog::getExistingDirectory(this, PlainText(cmdFolder->text()), Destination(),
                                                             QFileDialog::DontUseNativeDialog);
    if (!folder.isEmpty())
        txtDestination->setText(folder);
}

void frmExport::cmdZip_Click() {
    QFileDialog dialog(this, PlainText(cmdZip->text()), QFileInfo(Destination()).absolutePath());
    dialog.setObjectName(QStringLiteral("cdlExport"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(LibStr(str::ZipFilter, QStringLiteral("ZIP archives (*.zip)")));
    dialog.setDefaultSuffix(QStringLiteral("zip"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        txtDestination->setText(dialog.selectedFiles().first());
}

void frmExport::cmdOK_Click() {
    Error error;
    // Said now, not after the conversion.
    if (!CheckExportDestination(Destination(), &error)) {
        ShowMessage(error.description, this);
        return;
    }
    accept();
}

}  // namespace qlm
