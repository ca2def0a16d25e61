// The dialog of Delete Old Calls: an age in days or a date, whether saved
// calls go too, and what that comes to (calls, megabytes) before anything
// happens. Delete asks once more; the dialog then ends with the plan, which
// the command carries out.
#pragma once

#include <QDialog>

#include "app/export/prune.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace qlm {

class frmPrune : public QDialog {
    Q_OBJECT
public:
    frmPrune(QWidget* parent, QVector<AgedCall> calls);

    // What the chosen limit takes, as shown.
    const PrunePlan& Plan() const { return plan_; }

    QRadioButton* optDays = nullptr;
    QSpinBox* txtDays = nullptr;
    QRadioButton* optDate = nullptr;
    QDateEdit* dtpBefore = nullptr;
    QCheckBox* chkSaved = nullptr;
    QLabel* lblCount = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void Recount();
    void cmdDelete_Click();

    QVector<AgedCall> calls_;
    PrunePlan plan_;
};

}  // namespace qlm
