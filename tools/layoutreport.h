// The layout report of qlmshots: for a rendered form, the geometry and
// visibility of every named widget (in the form's pixels), and for every
// combo box and list column whether its longest text fits. Tests read it to
// check the window at several sizes and in several languages.
#pragma once

#include <QJsonObject>

class QWidget;

namespace qlm {

// {"shot", "form", "width", "height", "widgets": [{"name", "class", "parent",
// "x", "y", "width", "height", "visible"}], "texts": [{"name", "text",
// "need", "have", "fits"}]}. "parent" is the nearest named ancestor (or the
// form), so siblings can be told apart from nested controls.
QJsonObject LayoutReport(QWidget* form, const QString& shot);

}  // namespace qlm
