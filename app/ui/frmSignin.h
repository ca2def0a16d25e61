// The sign-in dialog: one password box, Submit and Cancel. It stays open
// until the password matches or the user cancels.
#pragma once

#include <functional>

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qlm {

// A password box as both access dialogs use it: "*" for every character,
// at most 16 characters.
QLineEdit* NewPasswordBox(QWidget* parent, const QString& name);

// Places the dialog centred over the window (the main window, usually).
void CentreOver(QWidget* dialog, const QWidget* window);

// Shows library string n in the common message box; a number beyond the
// loaded library shows nothing.
void ShowLibMessage(int n, QWidget* parent, const QString& detail = QString());

class frmSignin : public QDialog {
    Q_OBJECT
public:
    explicit frmSignin(QWidget* parent = nullptr);

    // Runs once the password matched, before the dialog closes.
    std::function<void()> onSignedIn;

    QLabel* Label1 = nullptr;
    QLineEdit* txtPwd = nullptr;
    QPushButton* cmdSubmit = nullptr;
    QPushButton* cmdCancel = nullptr;
    // The first-start hint; only there while no password file exists.
    QLabel* lblFirstStart = nullptr;

private:
    void ApplyFonts();
    void ApplyTexts();
    void cmdSubmit_Click();
};

}  // namespace qlm
