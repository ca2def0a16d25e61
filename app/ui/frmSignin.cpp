#include "app/ui/frmSignin.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/access/passwordgate.h"
#include "platform/error.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/applyfont.h"
#include "app/ui/errorbox.h"

namespace qlm {
namespace {

// Qt draws a password box with the style's mask character (often a bullet);
// the program has always shown "*".
class StarMaskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return u'*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

QLineEdit* NewPasswordBox(QWidget* parent, const QString& name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    auto* style = new StarMaskStyle;
    style->setParent(box);
    box->setStyle(style);
    box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(kPasswordLength);
    box->setMinimumWidth(220);
    return box;
}

void CentreOver(QWidget* dialog, const QWidget* window) {
    if (!window)
        return;
    dialog->adjustSize();
    const QRect main = window->frameGeometry();
    const QSize own = dialog->frameGeometry().size();
    dialog->move(main.left() + main.width() / 2 - own.width() / 2, main.top() + main.height() / 2 - own.height() / 2);
}

void ShowLibMessage(int n, QWidget* parent, const QString& detail) {
    if (!HasLibStr(n))
        return;
    ShowMessage(detail.isEmpty() ? LibStr(n) : LibStr(n) + u'\n' + detail, parent);
}

frmSignin::frmSignin(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSignin"));
    setWindowTitle(QStringLiteral("Sign In"));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Enter the  password"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtPwd = NewPasswordBox(this, QStringLiteral("txtPwd"));
    Label1->setBuddy(txtPwd);
    cmdSubmit = new QPushButton(QStringLiteral("Submit"), this);
    cmdSubmit->setObjectName(QStringLiteral("cmdSubmit"));
    cmdSubmit->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSubmit);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addWidget(Label1);
    // On the first start nothing tells the user that there is no password
    // yet; once the file exists the dialog is as it always was.
    if (!QFileInfo::exists(PasswordFilePath())) {
        lblFirstStart = new QLabel(this);
        lblFirstStart->setObjectName(QStringLiteral("lblFirstStart"));
        layout->addWidget(lblFirstStart);
    }
    layout->addWidget(txtPwd);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdSubmit, &QPushButton::clicked, this, &frmSignin::cmdSubmit_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    ApplyFonts();
    ApplyTexts();
    CentreOver(this, parent ? parent->window() : nullptr);
    txtPwd->setFocus();
}

void frmSignin::ApplyFonts() {
    ApplyFont(this, 2);
    for (QWidget* control : std::initializer_list<QWidget*>{cmdSubmit, cmdCancel, Label1, txtPwd})
        ApplyFont(control, 1);
    if (lblFirstStart)
        ApplyFont(lblFirstStart, 1);
}

void frmSignin::ApplyTexts() {
    setWindowTitle(LibStr(str::SignIn, windowTitle()));
    Label1->setText(LibStr(str::EnterPassword, Label1->text()));
    if (lblFirstStart) {
        lblFirstStart->setText(
            LibStr(str::NoPasswordYet,
                   QStringLiteral("No password has been set yet: leave the box empty and press OK.")) +
            u'\n' + LibStr(str::SetPasswordLater, QStringLiteral("Afterwards, set a password with Change Password.")));
    }
    cmdSubmit->setText(LibStr(str::Ok, cmdSubmit->text()));
    cmdCancel->setText(LibStr(str::Cancel, cmdCancel->text()));
}

void frmSignin::cmdSubmit_Click() {
    const AccessResult result = SignInAttempt(txtPwd->text(), BrakeMode::Refuse);
    if (result.outcome == AccessOutcome::Done) {
        if (onSignedIn)
            onSignedIn();
        accept();
        return;
    }
    // A file that cannot be used is not a wrong password, and a try the
    // brake held back was not looked at: each says what it is.
    ShowMessage(AccessMessage(result), this);
    // A held-back try keeps what was typed, to be sent again after the wait.
    if (result.outcome != AccessOutcome::TooEarly)
        txtPwd->clear();
    txtPwd->setFocus();
}

}  // namespace qlm
