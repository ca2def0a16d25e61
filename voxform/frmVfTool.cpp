#include "voxform/frmVfTool.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "voxform/vfcore.h"
#include "voxform/vfwindows.h"

namespace qlm::vf {

namespace {

template <typename T, typename... Args>
T* Make(const char* name, Args&&... args) {
    T* widget = new T(std::forward<Args>(args)...);
    widget->setObjectName(QLatin1StringView(name));
    return widget;
}

}  // namespace

OpenDlg::OpenDlg(QWidget* owner) : QObject(owner) {
    setObjectName(QStringLiteral("OpenDlg"));
    CMDialog1 = new QFileDialog(owner, QStringLiteral("Open File"));
    CMDialog1->setObjectName(QStringLiteral("CMDialog1"));
    CMDialog1->setOption(QFileDialog::DontUseNativeDialog);
    // Both boxes browse with it, also for the WAV file still to be written.
    CMDialog1->setFileMode(QFileDialog::AnyFile);
    CMDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    CMDialog1->setNameFilters({QStringLiteral("Data (*.wav *.dat)"), QStringLiteral("All Files (*)")});
}

QString OpenDlg::Choose() {
    if (CMDialog1->exec() != QDialog::Accepted)
        return QString();
    return CMDialog1->selectedFiles().value(0);
}

frmVfTool::frmVfTool(CodecLibrary& codec, VfWindows* windows, QWidget* parent)
    : QWidget(parent), codec_(codec), windows_(windows) {
    setObjectName(QStringLiteral("frmVfTool"));
    setWindowTitle(kVfToolCaption.toString());

    // The WAV box is made first: the automation counts the text boxes in
    // child order.
    Label2 = Make<QLabel>("Label2", QStringLiteral("WAV file:"));
    txtWavFile = Make<QLineEdit>("txtWavFile");
    cmdOutput = Make<QPushButton>("cmdOutput", QStringLiteral("..."));
    Label1 = Make<QLabel>("Label1", QStringLiteral("DAT file:"));
    txtDatFile = Make<QLineEdit>("txtDatFile");
    cmdInput = Make<QPushButton>("cmdInput", QStringLiteral("..."));
    Frame1 = Make<QGroupBox>("Frame1", QStringLiteral("Encoder Options"));
    opt96 = Make<QRadioButton>("opt96", QStringLiteral("9.6"));
    opt72 = Make<QRadioButton>("opt72", QStringLiteral("7.2"));
    opt44 = Make<QRadioButton>("opt44", QStringLiteral("4.4"));
    chkVAD = Make<QCheckBox>("chkVAD", QStringLiteral("VAD"));
    chkSilenceCoding = Make<QCheckBox>("chkSilenceCoding", QStringLiteral("Silence coding"));
    cmdEncode = Make<QPushButton>("cmdEncode", QStringLiteral("&Encode"));
    cmdDecode = Make<QPushButton>("cmdDecode", QStringLiteral("&Decode"));
    lblStatus = Make<QLabel>("lblStatus");
    openDlg = new OpenDlg(this);

    Label2->setBuddy(txtWavFile);
    Label1->setBuddy(txtDatFile);
    txtWavFile->setMinimumWidth(320);
    txtDatFile->setMinimumWidth(320);
    cmdInput->setFixedWidth(32);
    cmdOutput->setFixedWidth(32);
    opt44->setChecked(true);

    auto* options = new QGridLayout(Frame1);
    options->addWidget(opt96, 0, 0);
    options->addWidget(opt72, 0, 1);
    options->addWidget(opt44, 0, 2);
    options->addWidget(chkVAD, 1, 0);
    options->addWidget(chkSilenceCoding, 1, 1, 1, 2);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdEncode);
    buttons->addWidget(cmdDecode);
    buttons->addStretch();

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(txtWavFile, 0, 1);
    grid->addWidget(cmdOutput, 0, 2);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(txtDatFile, 1, 1);
    grid->addWidget(cmdInput, 1, 2);
    grid->addWidget(Frame1, 2, 0, 1, 2);
    grid->addLayout(buttons, 2, 2);
    grid->addWidget(lblStatus, 3, 0, 1, 3);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(chkVAD, &QCheckBox::toggled, this, &frmVfTool::chkVAD_Click);
    connect(cmdInput, &QPushButton::clicked, this, &frmVfTool::cmdInput_Click);
    connect(cmdOutput, &QPushButton::clicked, this, &frmVfTool::cmdOutput_Click);
    connect(cmdDecode, &QPushButton::clicked, this, &frmVfTool::cmdDecode_Click);
    connect(cmdEncode, &QPushButton::clicked, this, &frmVfTool::cmdEncode_Click);

    if (windows_) {
        windows_->AddMainWindow(this);
        windows_->AddTextBox(txtWavFile);
        windows_->AddTextBox(txtDatFile);
    }
    Form_Load();
}

void frmVfTool::Form_Load() {
    // Conversions return here, so "tmp.wav" always lies in this folder.
    startFolder_ = QDir::currentPath();
    adjustSize();
    CenterForm();
    lblStatus->clear();
    chkVAD_Click();
}

void frmVfTool::CenterForm() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = frameGeometry().size();
    move(area.left() + std::max(0, (area.width() - size.width()) / 2),
         area.top() + std::max(0, (area.height() - size.height()) / 2));
}

void frmVfTool::chkVAD_Click() {
    if (chkVAD->isChecked()) {
        chkSilenceCoding->setEnabled(true);
    } else {
        chkSilenceCoding->setChecked(false);
        chkSilenceCoding->setEnabled(false);
    }
}

// A cancelled dialog leaves the box as it was.
void frmVfTool::cmdInput_Click() {
    const QString name = openDlg->Choose();
    if (!name.isEmpty())
        txtDatFile->setText(name);
}

void frmVfTool::cmdOutput_Click() {
    const QString name = openDlg->Choose();
    if (!name.isEmpty())
        txtWavFile->setText(name);
}

void frmVfTool::cmdDecode_Click() {
    // The conversion lets the window handle its events now and then; a second
    // press meanwhile must not start another one over the same files.
    if (busy_ || failed_)
        return;
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    Hooks hooks;
    hooks.showMessage = [this](const QString& text, const QString& caption) { ShowMessage(text, caption); };
    const Error error = DecodeDatToWav(codec_, startFolder_, txtDatFile->text(), txtWavFile->text(), hooks);
    QCoreApplication::processEvents();
    QApplication::restoreOverrideCursor();
    busy_ = false;
    if (error.IsSet())
        Fail(error);
}

void frmVfTool::cmdEncode_Click() {
    if (busy_ || failed_)
        return;
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    EncodeOptions options;
    options.rate = opt44->isChecked() ? 0 : opt72->isChecked() ? 1 : 2;
    options.vad = chkVAD->isChecked();
    options.silenceCoding = chkSilenceCoding->isChecked();
    Hooks hooks;
    hooks.setStatus = [this](const QString& text) {
        lblStatus->setText(text);
        QCoreApplication::processEvents();
    };
    hooks.showMessage = [this](const QString& text, const QString& caption) { ShowMessage(text, caption); };
    const Error error = EncodeWavToDat(codec_, startFolder_, txtWavFile->text(), txtDatFile->text(), options, hooks);
    lblStatus->clear();
    QCoreApplication::processEvents();
    QApplication::restoreOverrideCursor();
    busy_ = false;
    if (error.IsSet())
        Fail(error);
}

void frmVfTool::ShowMessage(const QString& text, const QString& caption) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    if (windows_) {
        windows_->ShowBox(this, QMessageBox::Warning, caption, text);
    } else {
        QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("msgBox"));
        box.exec();
    }
    QApplication::restoreOverrideCursor();
}

void frmVfTool::Fail(const Error& error) {
    failed_ = true;
    const QString text = QStringLiteral("Run-time error '%1':\n\n%2").arg(error.number).arg(error.description);
    ShowMessage(text, kVfToolTitle.toString());
    hide();
    emit ProgramEnds(1);
}

void frmVfTool::closeEvent(QCloseEvent* event) {
    // Closing the window, by hand or by a posted request, ends the program;
    // a conversion in progress still runs to its end first.
    event->accept();
    if (!failed_)
        emit ProgramEnds(0);
}

}  // namespace qlm::vf
