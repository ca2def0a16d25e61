// The password-change dialog: old password, new one, the new one again.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qlm {

class frmChangepwd : public QDialog {
    Q_OBJECT
public:
    explicit frmChangepwd(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtOldPwd = nullptr;
    QLineEdit* txtNewPwd = nullptr;
    QLineEdit* txtNewpwd_Check = nullptr;
    QPushButton* cmdSubmit = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void ApplyFonts();
    void ApplyTexts();
    void cmdSubmit_Click();
    void StartOver();
};

}  // namespace qlm
