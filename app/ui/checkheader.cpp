#include "app/ui/checkheader.h"

#include <QPainter>
#include <QStyleOptionButton>

#include "app/catalogue/calllistmodel.h"

namespace qlm {

CheckHeader::CheckHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
}

void CheckHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (logicalIndex != 0)
        return;
    const auto* model = qobject_cast<const CallListModel*>(this->model());
    QStyleOptionButton box;
    const QSize size = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &box, this).size();
    box.rect = QRect(rect.x() + (rect.width() - size.width()) / 2, rect.y() + (rect.height() - size.height()) / 2,
                     size.width(), size.height());
    box.state =
        QStyle::State_Enabled | (model && model->HeaderImageKey() == u"def" ? QStyle::State_On : QStyle::State_Off);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, this);
}

}  // namespace qlm
