// The call list's own behaviours: check-all on the first header, sorting that
// flips direction on every header click, item checks switching convert, the
// pop-up menu on a right press over a line, and the double click to play.
#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QStyle>
#include <QTreeView>

#include "app/catalogue/calllistmodel.h"
#include "app/strings/strnames.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/ui/checkheader.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"

namespace qlm {

void frmMain::SetUpList() {
    auto* header = new CheckHeader(lvData);
    header->setObjectName(QStringLiteral("lvDataHeader"));
    lvData->setHeader(header);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(true);
    header->setSortIndicatorClearable(false);
    lvData->setContextMenuPolicy(Qt::NoContextMenu);
    lvData->viewport()->installEventFilter(this);

    connect(header, &QHeaderView::sectionClicked, this, &frmMain::lvData_ColumnClick);
    connect(lvDataModel, &CallListModel::CheckChanged, this, [this](int, bool) { lvData_ItemCheck(); });
    // Anywhere on a line, the check box included (its two clicks tick and
    // untick it again).
    connect(lvData, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            PlaySelected(*this);
    });
    connect(optMp3, &QRadioButton::clicked, this, [] { PrjPublicM().Mp3Output = 1; });
    connect(optWav, &QRadioButton::clicked, this, [] { PrjPublicM().Mp3Output = 0; });
}

void frmMain::lvData_ColumnClick(int section) {
    Q_ASSERT(section >= 0 && section < kListColumnCount);  // a click on a header section
    SortDescending = !SortDescending;
    PrjPublicState& state = PrjPublicM();
    if (section == 0 && lvDataModel->rowCount() > 0) {
        state.AllChecked = !state.AllChecked;
        lvDataModel->SetHeaderImageKey(state.AllChecked ? QStringLiteral("def") : QStringLiteral("abc"));
        lvDataModel->SetAllChecked(state.AllChecked);
        lvData->header()->viewport()->update();
        EnableConvert(*this, state.AllChecked);
        // The header moved its arrow to the clicked column; the order stays.
        if (lvData->isSortingEnabled())
            lvData->header()->setSortIndicator(sortSection_, sortOrder_);
        return;
    }
    sortSection_ = section;
    sortOrder_ = SortDescending ? Qt::DescendingOrder : Qt::AscendingOrder;
    SetListSorted(true);
}

void frmMain::SetListSorted(bool on) {
    QHeaderView* header = lvData->header();
    if (on && sortSection_ >= 0)
        header->setSortIndicator(sortSection_, sortOrder_);
    lvData->setSortingEnabled(on && sortSection_ >= 0);
    // The view would sort again on every change of the arrow, and the header
    // flips the arrow on each click, check-all clicks included; the window
    // sorts itself. Switched off, the view would stop header clicks too.
    disconnect(header, SIGNAL(sortIndicatorChanged(int, Qt::SortOrder)), lvData, nullptr);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(lvData->isSortingEnabled() && sortSection_ > 0);
}

void frmMain::SortAsShown() {
    if (lvData->isSortingEnabled() && sortSection_ >= 0) {
        lvDataModel->sort(sortSection_, sortOrder_);
        lvData->header()->setSortIndicator(sortSection_, sortOrder_);
    }
}

void frmMain::FitListColumns() {
    // Every text a column can show in this language, and its header.
    static const QList<int> kValues[kListColumnCount] = {{},
                                                         {},
                                                         {},
                                                         {},
                                                         {},
                                                         {},
                                                         {str::Incoming, str::Outgoing},
                                                         {str::Telephone, str::Microphone, str::VoiceActivated},
                                                         {str::SavedMark, str::NotSaved},
                                                         {str::Rate1200, str::Rate900, str::Rate550},
                                                         {}};
    static const char* const kSamples[kListColumnCount] = {
        "", "12/31/2026", "23:59:59", "23:59:59", "0123456789012", "0123456789012", "", "", "", "", ""};
    QHeaderView* header = lvData->header();
    const QFontMetrics cell = lvData->fontMetrics();
    const QFontMetrics head = header->fontMetrics();
    const int padding = 2 * lvData->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, lvData) + 12;
    const int arrow = header->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) +
                      2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    header->resizeSection(0, 32);
    for (int c = 1; c < kListColumnCount; ++c) {
        int width = cell.horizontalAdvance(QString::fromLatin1(kSamples[c]));
        for (int n : kValues[c])
            width = qMax(width, cell.horizontalAdvance(LibStr(n)));
        width = qMax(width + padding,
                     head.horizontalAdvance(lvDataModel->headerData(c, Qt::Horizontal).toString()) + padding + arrow);
        header->resizeSection(c, qMax(width, 60));
    }
}

void frmMain::lvData_ItemCheck() { EnableConvert(*this, lvDataModel->AnyChecked()); }

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvData && event->type() == QEvent::KeyPress && ListKeyPressed(static_cast<QKeyEvent*>(event)))
        return true;
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
