// The comment dialog: the selected call's data in eight read-only boxes and
// its comment in txtRecCom, stored on submit.
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace qlm {

class CallListModel;

class frmWriteCom : public QDialog {
    Q_OBJECT
public:
    // The line is a row of the model, or -1 when no line is selected (the
    // boxes then stay empty and nothing can be stored).
    frmWriteCom(QWidget* parent, CallListModel* model, int row);

    // The load handler: centred over the parent, fonts, texts, the line.
    void Load();
    void ApplyWriteComFonts();
    void ApplyWriteComTexts();

    void cmdSubmit_Click();

    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* txtDate = nullptr;
    QLineEdit* txtTime = nullptr;
    QLineEdit* txtCallerID = nullptr;
    QLineEdit* txtDialString = nullptr;
    QLineEdit* txtInOut = nullptr;
    QLineEdit* txtTelMic = nullptr;
    QLineEdit* txtSaved = nullptr;
    QLineEdit* txtSampleRate = nullptr;
    QPlainTextEdit* txtRecCom = nullptr;
    QPushButton* cmdSubmit = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* labels_[8] = {};
    QLineEdit* boxes_[8] = {};
    CallListModel* model_;
    int row_;
};

}  // namespace qlm
