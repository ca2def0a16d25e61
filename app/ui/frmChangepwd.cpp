#include "app/ui/frmChangepwd.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/access/passwordgate.h"
#include "platform/error.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/applyfont.h"
#include "app/ui/errorbox.h"
#include "app/ui/frmSignin.h"

namespace qlm {

frmChangepwd::frmChangepwd(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmChangepwd"));
    setWindowTitle(QStringLiteral("Modify Password"));
    setModal(true);

    const auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    Label1 = label("Label1", QStringLiteral("Enter the old password"));
    Label2 = label("Label2", QStringLiteral("Enter a new password"));
    Label3 = label("Label3", QStringLiteral("Enter the password again"));
    Label4 = label("Label4", QStringLiteral("(The max length is 16) "));
    txtOldPwd = NewPasswordBox(this, QStringLiteral("txtOldPwd"));
    txtNewPwd = NewPasswordBox(this, QStringLiteral("txtNewPwd"));
    txtNewpwd_Check = NewPasswordBox(this, QStringLiteral("txtNewpwd_Check"));
    Label1->setBuddy(txtOldPwd);
    Label2->setBuddy(txtNewPwd);
    Label3->setBuddy(txtNewpwd_Check);
    cmdSubmit = new QPushButton(QStringLiteral("Submit"), this);
    cmdSubmit->setObjectName(QStringLiteral("cmdSubmit"));
    cmdSubmit->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(txtOldPwd, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(txtNewPwd, 1, 1);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(txtNewpwd_Check, 2, 1);
    grid->addWidget(Label4, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSubmit);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(txtOldPwd, txtNewPwd);
    setTabOrder(txtNewPwd, txtNewpwd_Check);
    setTabOrder(txtNewpwd_Check, cmdSubmit);
    setTabOrder(cmdSubmit, cmdCancel);

    connect(cmdSubmit, &QPushButton::clicked, this, &frmChangepwd::cmdSubmit_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    ApplyFonts();
    ApplyTexts();
    CentreOver(this, parent ? parent->window() : nullptr);
    txtOldPwd->setFocus();
}

void frmChangepwd::ApplyFonts() {
    ApplyFont(this, 2);
    ApplyFont(Label4, 2);
    for (QWidget* control : std::initializer_list<QWidget*>{Label1, Label2, Label3, cmdSubmit, cmdCancel, txtOldPwd,
                                                            txtNewPwd, txtNewpwd_Check})
        ApplyFont(control, 1);
}

void frmChangepwd::ApplyTexts() {
    setWindowTitle(LibStr(str::ChangePassword, windowTitle()));
    Label1->setText(LibStr(str::EnterOldPassword, Label1->text()));
    Label2->setText(LibStr(str::EnterNewPassword, Label2->text()));
    Label3->setText(LibStr(str::EnterPasswordAgain, Label3->text()));
    Label4->setText(LibStr(str::PasswordMaxLength, Label4->text()));
    cmdSubmit->setText(LibStr(str::Ok, cmdSubmit->text()));
    cmdCancel->setText(LibStr(str::Cancel, cmdCancel->text()));
}

void frmChangepwd::StartOver() {
    txtOldPwd->clear();
    txtNewPwd->clear();
    txtNewpwd_Check->clear();
    txtOldPwd->setFocus();
}

void frmChangepwd::cmdSubmit_Click() {
    // The new password and its confirmation are compared exactly (case and
    // blanks count), and a password the file cannot keep as it is is
    // refused, before the old password is looked at.
    const AccessResult result =
        ChangePasswordAttempt(txtOldPwd->text(), txtNewPwd->text(), txtNewpwd_Check->text(), BrakeMode::Refuse);
    if (result.outcome == AccessOutcome::Done) {
        ShowLibMessage(str::PasswordChanged, this);
        accept();
        return;
    }
    // A failed write is not a wrong old password: the old one still holds.
    ShowMessage(AccessMessage(result), this);
    if (result.outcome == AccessOutcome::TooEarly)
        return;
    StartOver();
}

}  // namespace qlm
