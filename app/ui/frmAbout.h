// The about box: product, version and three lines of text, all from the
// string library.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace qlm {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* cmdOK = nullptr;
};

}  // namespace qlm
