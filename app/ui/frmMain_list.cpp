// The call list's own behaviours: check-all on the first header, sorting that
// flips direction on every header click, item checks switching convert, the
// pop-up menu on a right press over a line, and the double click to play.
#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTreeView>

#include "app/catalogue/calllistmodel.h"
#include "app/prjpublic.h"
#include "app/ui/checkheader.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"

namespace qlm {

void frmMain::SetUpList() {
    auto* header = new CheckHeader(lvData);
    header->setObjectName(QStringLiteral("lvDataHeader"));
    lvData->setHeader(header);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(true);
    header->resizeSection(0, 32);
    static const int kWidths[] = {32, 90, 75, 75, 120, 120, 80, 115, 80, 95};
    for (int c = 0; c < int(std::size(kWidths)); ++c)
        header->resizeSection(c, kWidths[c]);
    lvData->setContextMenuPolicy(Qt::NoContextMenu);
    lvData->viewport()->installEventFilter(this);

    connect(header, &QHeaderView::sectionClicked, this, &frmMain::lvData_ColumnClick);
    connect(lvDataModel, &CallListModel::CheckChanged, this, [this](int, bool) { lvData_ItemCheck(); });
    connect(lvData, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        // A double click on a check box only ticks it.
        if (index.isValid() && index.column() != 0)
            PlaySelected(*this);
    });
    connect(optMp3, &QRadioButton::clicked, this, [] { PrjPublicM().Mp3Output = 1; });
    connect(optWav, &QRadioButton::clicked, this, [] { PrjPublicM().Mp3Output = 0; });
}

void frmMain::lvData_ColumnClick(int section) {
    SortDescending = !SortDescending;
    PrjPublicState& state = PrjPublicM();
    if (section == 0 && lvDataModel->rowCount() > 0) {
        state.AllChecked = !state.AllChecked;
        lvDataModel->SetHeaderImageKey(state.AllChecked ? QStringLiteral("def") : QStringLiteral("abc"));
        lvDataModel->SetAllChecked(state.AllChecked);
        lvData->header()->viewport()->update();
        EnableConvert(*this, state.AllChecked);
        return;
    }
    const Qt::SortOrder order = SortDescending ? Qt::DescendingOrder : Qt::AscendingOrder;
    lvDataModel->sort(section, order);
    lvData->header()->setSortIndicatorShown(section != 0);
    lvData->header()->setSortIndicator(section, order);
}

void frmMain::lvData_ItemCheck() { EnableConvert(*this, lvDataModel->AnyChecked()); }

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvData->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        ItemUnderMouse = lvData->indexAt(press->position().toPoint()).isValid();
        if (press->button() == Qt::RightButton && PrjPublicM().SignedIn && ItemUnderMouse) {
            // The line under the mouse joins the selection the menu acts on.
            const QModelIndex index = lvData->indexAt(press->position().toPoint());
            if (!lvData->selectionModel()->isRowSelected(index.row(), QModelIndex()))
                lvData->setCurrentIndex(index);
            MnuPop->popup(press->globalPosition().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace qlm
