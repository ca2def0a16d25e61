// The list's column header: column 1 shows the check-all image, an empty box
// ("abc": not all lines checked) or a ticked one ("def").
#pragma once

#include <QHeaderView>

namespace qlm {

class CheckHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit CheckHeader(QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

}  // namespace qlm
