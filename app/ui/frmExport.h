// The export dialog: where the checked calls go, a folder or a ZIP file.
// It only chooses; the export itself runs in the converter window.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qlm {

class frmExport : public QDialog {
    Q_OBJECT
public:
    // format: the audio format the window's options give ("WAVE", "MP3").
    frmExport(QWidget* parent, int callCount, const QString& format, const QString& destination);

    QString Destination() const;

    QLabel* lblCalls = nullptr;
    QLabel* lblDestination = nullptr;
    QLineEdit* txtDestination = nullptr;
    QPushButton* cmdFolder = nullptr;
    QPushButton* cmdZip = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void cmdFolder_Click();
    void cmdZip_Click();
    void cmdOK_Click();
};

}  // namespace qlm
