#include "app/ui/frmConverter.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/applyfont.h"

namespace qlm {
namespace {

QPointer<frmConverter>& Instance() {
    static QPointer<frmConverter> instance;
    return instance;
}

bool& RunFlag() {
    static bool running = false;
    return running;
}

void Exclamation(QWidget* owner, const QString& text) {
    QMessageBox::warning(owner, LibStr(str::MessageTitle), text, QMessageBox::Ok);
}

}  // namespace

frmConverter::frmConverter(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmConverter"));
    setWindowTitle(QStringLiteral("Converter"));
    setModal(false);
    resize(560, 300);

    LstConverted = new QListWidget(this);
    LstConverted->setObjectName(QStringLiteral("LstConverted"));
    LstConverted->setAccessibleName(LibStr(str::ConvertedFiles, QStringLiteral("Converted Files")));
    lblStatus = new QLabel(QStringLiteral("Wait a moment!"), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblStatus, 1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LstConverted, 1);
    layout->addLayout(buttons);

    for (QWidget* control :
         {static_cast<QWidget*>(LstConverted), static_cast<QWidget*>(cmdOK), static_cast<QWidget*>(cmdCancel)})
        ApplyFont(control, 1);
    ApplyFont(lblStatus, 2);

    connect(cmdOK, &QPushButton::clicked, this, &frmConverter::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConverter::cmdCancel_Click);
}

frmConverter::~frmConverter() = default;

frmConverter* frmConverter::Loaded() { return Instance().data(); }

bool frmConverter::Running() { return RunFlag(); }

bool frmConverter::ConvertFiles(QWidget* owner, const QVector<ConvertItem>& items, const QString& destination,
                                qint16 mp3Option, bool closeWhenDone, ConvertResult* result) {
    const Work convert = [&](ConvertProgress& progress) {
        return ConvertRecordings(items, PrjPublicM().RecordingsFolder, destination, mp3Option, progress);
    };
    return RunWork(owner, convert, closeWhenDone, result);
}

bool frmConverter::RunWork(QWidget* owner, const Work& work, bool closeWhenDone, ConvertResult* result) {
    if (RunFlag())
        return false;
    frmConverter* window = Instance().data();
    const bool fresh = window == nullptr;
    if (fresh) {
        window = new frmConverter(owner);
        Instance() = window;
    }

    RunFlag() = true;
    const ConvertResult run = work(*window);
    RunFlag() = false;
    if (result)
        *result = run;

    switch (run.outcome) {
    case ConvertOutcome::RecordsNotFound:
    case ConvertOutcome::ConverterMissing:
        if (fresh) {
            Instance() = nullptr;
            delete window;
        }
        Exclamation(owner, run.message);
        return true;
    case ConvertOutcome::Cancelled:
        window->Unload();
        return true;
    case ConvertOutcome::Finished:
        break;
    }
    if (closeWhenDone || window->cancel_ || window->unloaded_) {
        window->Unload();
    } else {
        window->lblStatus->setText(LibStr(str::Done));
        window->cmdOK->setEnabled(true);
        window->cmdCancel->setEnabled(false);
    }
    return true;
}

void frmConverter::Unload() {
    if (RunFlag() && Instance() == this) {
        cancel_ = true;
        return;
    }
    if (unloaded_)
        return;
    unloaded_ = true;
    CloseFrontEnd();
    hide();
    if (Instance() == this)
        Instance() = nullptr;
    deleteLater();
}

int frmConverter::LineCount() const { return LstConverted->count(); }

void frmConverter::AddLine(const QString& text) { LstConverted->addItem(text); }

int frmConverter::SelectedLine() const { return LstConverted->currentRow(); }

void frmConverter::SelectLine(int index) { LstConverted->setCurrentRow(index); }

void frmConverter::SetLineText(int index, const QString& text) {
    if (QListWidgetItem* item = LstConverted->item(index))
        item->setText(text);
}

void frmConverter::RunStarted() {
    // Each run lists its own recordings, also in a window left open by the
    // run before.
    LstConverted->clear();
    cancel_ = false;
    lblStatus->setText(LibStr(str::ConvertingWait));
    cmdOK->setEnabled(false);
    cmdCancel->setEnabled(true);
    show();
    raise();
    ProcessEvents();
}

void frmConverter::ProcessEvents() { QCoreApplication::processEvents(); }

void frmConverter::cmdOK_Click() { Unload(); }

void frmConverter::cmdCancel_Click() { cancel_ = true; }

void frmConverter::closeEvent(QCloseEvent* event) {
    if (RunFlag() && Instance() == this) {
        // Closing during the work asks it to stop; the run closes the window
        // at its next cancel point, never from under its feet.
        cancel_ = true;
        event->ignore();
        return;
    }
    event->ignore();
    Unload();
}

void frmConverter::reject() { close(); }

}  // namespace qlm
