#include "app/ui/frmMain.h"

#include <QLabel>
#include <QScreen>
#include <QStatusBar>

#include "app/strings/strlib.h"

namespace qlm {

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    resize(960, 640);
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("sbaMain"));
    setStatusBar(bar);
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("sbaMainPanel%1").arg(i + 1));
        bar->addWidget(panels_[i], i == 0 ? 3 : 1);
    }
}

void frmMain::Load() {
    setWindowTitle(LibStr(122, QStringLiteral("QLM6200")) + QStringLiteral(" V") + LibStr(123));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    SetPanelText(1, LibStr(43));
    SetPanelText(2, LibStr(44));
    SetPanelText(3, LibStr(45));
    show();
}

void frmMain::SetPanelText(int panel, const QString& text) {
    if (panel >= 1 && panel <= 3)
        panels_[panel - 1]->setText(text);
}

QString frmMain::PanelText(int panel) const {
    return panel >= 1 && panel <= 3 ? panels_[panel - 1]->text() : QString();
}

}  // namespace qlm
