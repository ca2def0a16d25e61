#include "app/ui/frmWriteCom.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/comments.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/applyfont.h"
#include "app/ui/errorbox.h"
#include "app/ui/keyboard.h"

namespace qlm {

frmWriteCom::frmWriteCom(QWidget* parent, CallListModel* model, int row)
    : QDialog(parent), model_(model), row_(model && row >= 0 && row < model->rowCount() ? row : -1) {
    setObjectName(QStringLiteral("frmWriteCom"));
    setWindowTitle(QStringLiteral("Write Comment"));
    Frame1 = new QGroupBox(QStringLiteral("Call"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));

    static const char* const kLabels[8] = {"Date",   "Time",    "Caller ID", "Dial String",
                                           "In/Out", "Tel/Mic", "Saved",     "Sample Rate"};
    QLineEdit** boxes[8] = {&txtDate,  &txtTime,   &txtCallerID, &txtDialString,
                            &txtInOut, &txtTelMic, &txtSaved,    &txtSampleRate};
    static const char* const kBoxNames[8] = {"txtDate",  "txtTime",   "txtCallerID", "txtDialString",
                                             "txtInOut", "txtTelMic", "txtSaved",    "txtSampleRate"};
    auto* grid = new QGridLayout(Frame1);
    for (int i = 0; i < 8; ++i) {
        labels_[i] = new QLabel(QString::fromLatin1(kLabels[i]), Frame1);
        labels_[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        boxes_[i] = new QLineEdit(Frame1);
        boxes_[i]->setObjectName(QString::fromLatin1(kBoxNames[i]));
        // Display only, on the scroll-bar colour as the boxes always were,
        // but read-only rather than disabled: legible and selectable.
        boxes_[i]->setReadOnly(true);
        QPalette pal = boxes_[i]->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        boxes_[i]->setPalette(pal);
        labels_[i]->setBuddy(boxes_[i]);
        *boxes[i] = boxes_[i];
        // Two columns of label and box.
        grid->addWidget(labels_[i], i / 2, (i % 2) * 2);
        grid->addWidget(boxes_[i], i / 2, (i % 2) * 2 + 1);
    }
    Label1 = labels_[0];
    Label2 = labels_[1];
    Label3 = labels_[2];
    Label4 = labels_[3];
    Label5 = labels_[4];
    Label6 = labels_[5];
    Label7 = labels_[6];
    Label8 = labels_[7];

    txtRecCom = new QPlainTextEdit(this);
    txtRecCom->setObjectName(QStringLiteral("txtRecCom"));
    txtRecCom->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtRecCom->setTabChangesFocus(true);
    txtRecCom->installEventFilter(this);

    cmdSubmit = new QPushButton(QStringLiteral("OK"), this);
    cmdSubmit->setObjectName(QStringLiteral("cmdSubmit"));
    cmdSubmit->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdSubmit, &QPushButton::clicked, this, &frmWriteCom::cmdSubmit_Click);
    // Esc reaches QDialog::reject, as the cancel button does.
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSubmit);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(txtRecCom, 1);
    layout->addLayout(buttons);
    resize(520, 360);
}

void frmWriteCom::ApplyWriteComFonts() {
    ApplyFont(this, 2);
    for (QWidget* w :
         {static_cast<QWidget*>(cmdSubmit), static_cast<QWidget*>(cmdCancel), static_cast<QWidget*>(txtRecCom)})
        ApplyFont(w, 1);
    for (QLineEdit* box : boxes_)
        ApplyFont(box, 1);
    ApplyFont(Frame1, 2);
    for (QLabel* label : labels_)
        ApplyFont(label, 2);
}

void frmWriteCom::ApplyWriteComTexts() {
    setWindowTitle(LibStr(str::WriteComment, windowTitle()));
    Frame1->setTitle(LibStr(str::Call, Frame1->title()));
    for (int i = 0; i < 8; ++i)
        labels_[i]->setText(LibStr(str::Date + i, labels_[i]->text()));
    cmdSubmit->setText(LibStr(str::Ok, cmdSubmit->text()));
    cmdCancel->setText(LibStr(str::Cancel, cmdCancel->text()));
    txtRecCom->setToolTip(LibStr(
        str::CommentBoxTip, QStringLiteral("Enter saves the comment; Ctrl+Enter or Shift+Enter starts a new line.")));
    SetAccessibleName(txtRecCom, {LibStr(str::Comment, QStringLiteral("Comment"))});
}

bool frmWriteCom::eventFilter(QObject* watched, QEvent* event) {
    // Enter submits, as the default button promises; with Ctrl or Shift it
    // breaks the line.
    if (watched == txtRecCom && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
            if (mods == Qt::NoModifier) {
                cmdSubmit->click();
                return true;
            }
            if (mods == Qt::ControlModifier || mods == Qt::ShiftModifier) {
                txtRecCom->insertPlainText(QStringLiteral("\n"));
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmWriteCom::Load() {
    if (QWidget* main = parentWidget()) {
        const QRect m = main->frameGeometry();
        move(m.left() + m.width() / 2 - width() / 2, m.top() + m.height() / 2 - height() / 2);
    }
    ApplyWriteComFonts();
    ApplyWriteComTexts();
    txtRecCom->setFocus();  // the one box meant for typing
    if (row_ < 0)
        return;
    static const int kColumns[8] = {kColDate,  kColTime,   kColCallerID, kColDialString,
                                    kColInOut, kColTelMic, kColSaved,    kColSampleRate};
    for (int i = 0; i < 8; ++i)
        boxes_[i]->setText(model_->Text(row_, kColumns[i]));
    txtRecCom->setPlainText(CommentBoxText(model_->Text(row_, kColComment)));
}

void frmWriteCom::cmdSubmit_Click() {
    const QString comment = txtRecCom->toPlainText();
    Error error;
    if (WriteCatalogueComment(PrjPublicM().CatalogueDatabase.get(), txtDate->text(), txtTime->text(), comment, &error,
                              nullptr, row_ >= 0 ? model_->Record(row_).Id : 0)) {
        if (row_ >= 0)
            model_->SetComment(row_, comment);
    } else {
        // Nothing was stored, so the line keeps the comment the catalogue has.
        ShowMessage(
            LibStr(str::CommentNotSaved, QStringLiteral("The comment could not be saved.")) + u'\n' + error.BoxText(),
            this);
    }
    accept();
}

}  // namespace qlm
