// The backup dialog: where the copy of the open catalogue goes, and where
// the recordings are, which the backup does not hold. It only chooses; the
// command makes the copy.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qlm {

class frmBackup : public QDialog {
    Q_OBJECT
public:
    frmBackup(QWidget* parent, const QString& recordingsFolder, const QString& destination);

    QString Destination() const;

    QLabel* lblRecordings = nullptr;
    QLabel* lblDestination = nullptr;
    QLineEdit* txtDestination = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void cmdBrowse_Click();
};

}  // namespace qlm
