#include "app/ui/keyboard.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QRegularExpression>
#include <QStringList>

namespace qlm {
namespace {

// The letter after a single "&" ("&&" is a literal ampersand), or a null
// character when the text has no mnemonic.
QChar MnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != u'&')
            continue;
        if (text.at(i + 1) != u'&')
            return text.at(i + 1).toLower();
        ++i;
    }
    return QChar();
}

QString WithMnemonic(const QString& text, QSet<QChar>* used) {
    if (text.isEmpty() || !MnemonicOf(text).isNull())
        return text;
    // Word starts read best ("Write &Comment"); any letter is the fallback.
    for (int pass = 0; pass < 2; ++pass) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            const bool wordStart = i == 0 || text.at(i - 1).isSpace();
            if (!c.isLetterOrNumber() || c == u'&' || (pass == 0 && !wordStart) || used->contains(c.toLower()))
                continue;
            used->insert(c.toLower());
            return text.left(i) + u'&' + text.mid(i);
        }
    }
    return text;
}

template <typename Get, typename Set>
void AssignAll(const QList<QAction*>& actions, Get text, Set setText) {
    QSet<QChar> used;
    for (QAction* a : actions)
        if (const QChar m = MnemonicOf(text(a)); !m.isNull())
            used.insert(m);
    for (QAction* a : actions)
        if (!a->isSeparator())
            setText(a, WithMnemonic(text(a), &used));
}

}  // namespace

void AssignMnemonics(QMenu* menu) {
    AssignAll(
        menu->actions(), [](QAction* a) { return a->text(); }, [](QAction* a, const QString& t) { a->setText(t); });
}

void AssignMnemonics(QMenuBar* bar) {
    const QList<QAction*> titles = bar->actions();
    AssignAll(
        titles, [](QAction* a) { return a->menu() ? a->menu()->title() : a->text(); },
        [](QAction* a, const QString& t) {
            if (a->menu())
                a->menu()->setTitle(t);
            else
                a->setText(t);
        });
    for (QAction* a : titles)
        if (a->menu())
            AssignMnemonics(a->menu());
}

void SetAccessibleName(QWidget* control, std::initializer_list<QString> captions) {
    QStringList parts;
    for (QString caption : captions) {
        caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        caption = caption.simplified();
        if (!caption.isEmpty())
            parts << caption;
    }
    control->setAccessibleName(parts.join(u' '));
}

}  // namespace qlm
