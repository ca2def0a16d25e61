#include "tools/layoutreport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTreeView>

namespace qlm {
namespace {

// Lines looked at per list: enough for a screenful, cheap for huge lists.
constexpr int kRowsMeasured = 200;

QString NamedParent(const QWidget* w, const QWidget* form) {
    for (const QWidget* p = w->parentWidget(); p && p != form; p = p->parentWidget())
        if (!p->objectName().isEmpty() && !p->objectName().startsWith(u"qt_"))
            return p->objectName();
    return form->objectName();
}

QJsonObject Fit(const QString& name, const QString& text, int need, int have) {
    return {{QStringLiteral("name"), name},
            {QStringLiteral("text"), text},
            {QStringLiteral("need"), need},
            {QStringLiteral("have"), have},
            {QStringLiteral("fits"), need <= have}};
}

void ComboFits(const QComboBox* combo, QJsonArray* out) {
    QString longest;
    const QFontMetrics fm = combo->fontMetrics();
    for (int i = 0; i < combo->count(); ++i)
        if (fm.horizontalAdvance(combo->itemText(i)) > fm.horizontalAdvance(longest))
            longest = combo->itemText(i);
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    opt.editable = combo->isEditable();
    opt.frame = combo->hasFrame();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo);
    out->append(Fit(combo->objectName(), longest, fm.horizontalAdvance(longest), field.width()));
}

void ColumnFits(const QTreeView* view, QJsonArray* out) {
    const QAbstractItemModel* model = view->model();
    const QHeaderView* header = view->header();
    if (!model)
        return;
    const QStyle* style = view->style();
    const int cellMargin = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    const int headMargin =
        2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) +
        (header->isSortIndicatorShown() ? style->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) +
                                              style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header)
                                        : 0);
    const QFontMetrics cell = view->fontMetrics();
    const QFontMetrics head = header->fontMetrics();
    const int rows = qMin(model->rowCount(), kRowsMeasured);
    for (int c = 0; c < model->columnCount(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        const QString name = view->objectName() + u':' + QString::number(c);
        const QString title = model->headerData(c, Qt::Horizontal).toString();
        out->append(Fit(name + QStringLiteral(":header"), title, head.horizontalAdvance(title) + headMargin,
                        header->sectionSize(c)));
        QString longest;
        for (int r = 0; r < rows; ++r) {
            const QString text = model->index(r, c).data().toString();
            if (cell.horizontalAdvance(text) > cell.horizontalAdvance(longest))
                longest = text;
        }
        if (!longest.isEmpty())
            out->append(Fit(name, longest, cell.horizontalAdvance(longest) + cellMargin, header->sectionSize(c)));
    }
}

}  // namespace

QJsonObject LayoutReport(QWidget* form, const QString& shot) {
    QJsonArray widgets;
    QJsonArray texts;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(u"qt_"))
            continue;
        const QPoint at = w->mapTo(form, QPoint(0, 0));
        widgets.append(QJsonObject{{QStringLiteral("name"), name},
                                   {QStringLiteral("class"), QString::fromLatin1(w->metaObject()->className())},
                                   {QStringLiteral("parent"), NamedParent(w, form)},
                                   {QStringLiteral("x"), at.x()},
                                   {QStringLiteral("y"), at.y()},
                                   {QStringLiteral("width"), w->width()},
                                   {QStringLiteral("height"), w->height()},
                                   {QStringLiteral("visible"), w->isVisible()}});
        if (!w->isVisible())
            continue;
        if (const auto* combo = qobject_cast<const QComboBox*>(w))
            ComboFits(combo, &texts);
        else if (const auto* view = qobject_cast<const QTreeView*>(w))
            ColumnFits(view, &texts);
    }
    return {{QStringLiteral("shot"), shot},           {QStringLiteral("form"), form->objectName()},
            {QStringLiteral("width"), form->width()}, {QStringLiteral("height"), form->height()},
            {QStringLiteral("widgets"), widgets},     {QStringLiteral("texts"), texts}};
}

}  // namespace qlm
