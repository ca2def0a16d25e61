// The program's main window: search panel, output options, the call list
// lvData, toolbar tbaMain and status bar sbaMain.
#pragma once

#include <QMainWindow>

class QLabel;

namespace qlm {

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);

    // The load handler: texts, status panels, then the window is shown.
    void Load();

    // Status bar panels 1-3.
    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;

private:
    QLabel* panels_[3] = {};
};

}  // namespace qlm
