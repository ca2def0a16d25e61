// The front-end's one window: two paths, Encode and Decode, the encoder's
// options and its progress. Its caption, text boxes (WAV first), Alt+D and
// the "vfTool" error box are what the main program's automation relies on.
#pragma once

#include <QString>
#include <QWidget>

#include "platform/error.h"

class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qlm::vf {

class CodecLibrary;
class VfWindows;

inline constexpr QStringView kVfToolCaption = u"Sonex Lab Encoding / Decoding Program";
inline constexpr QStringView kVfToolTitle = u"vfTool";  // caption of its run-time error boxes

// The file dialog both browse buttons share; it remembers the last name.
class OpenDlg : public QObject {
    Q_OBJECT
public:
    explicit OpenDlg(QWidget* owner);
    // The chosen file, or "" when the user cancelled.
    QString Choose();
    QFileDialog* CMDialog1;
};

class frmVfTool : public QWidget {
    Q_OBJECT
public:
    // windows may be null: the window then serves nothing to other programs.
    frmVfTool(CodecLibrary& codec, VfWindows* windows, QWidget* parent = nullptr);

    QLabel* Label2;
    QLineEdit* txtWavFile;
    QPushButton* cmdOutput;
    QLabel* Label1;
    QLineEdit* txtDatFile;
    QPushButton* cmdInput;
    QGroupBox* Frame1;
    QRadioButton* opt96;
    QRadioButton* opt72;
    QRadioButton* opt44;
    QCheckBox* chkVAD;
    QCheckBox* chkSilenceCoding;
    QPushButton* cmdEncode;
    QPushButton* cmdDecode;
    QLabel* lblStatus;
    OpenDlg* openDlg;

    QString StartFolder() const { return startFolder_; }
    // Set once an unhandled failure was reported: the program is ending.
    bool Failed() const { return failed_; }

signals:
    // The window is done with the program: closed (0), or an unhandled
    // failure was reported (1).
    void ProgramEnds(int exitCode);

public slots:
    void chkVAD_Click();
    void cmdInput_Click();
    void cmdOutput_Click();
    void cmdDecode_Click();
    void cmdEncode_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void CenterForm();
    void ShowMessage(const QString& text, const QString& caption);
    // An unhandled failure: the "vfTool" box, then the program ends.
    void Fail(const Error& error);

    CodecLibrary& codec_;
    VfWindows* windows_;
    QString startFolder_;
    bool busy_ = false;
    bool failed_ = false;
};

}  // namespace qlm::vf
