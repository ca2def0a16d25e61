#include "platform/sendkeys.h"

#include <QHash>

namespace qlm {

namespace {

int NamedKey(const QString& name) {
    static const QHash<QString, int> keys = {
        {QStringLiteral("ENTER"), Qt::Key_Return}, {QStringLiteral("TAB"), Qt::Key_Tab},
        {QStringLiteral("ESC"), Qt::Key_Escape},   {QStringLiteral("ESCAPE"), Qt::Key_Escape},
        {QStringLiteral("BS"), Qt::Key_Backspace}, {QStringLiteral("BACKSPACE"), Qt::Key_Backspace},
        {QStringLiteral("DEL"), Qt::Key_Delete},   {QStringLiteral("DELETE"), Qt::Key_Delete},
        {QStringLiteral("UP"), Qt::Key_Up},        {QStringLiteral("DOWN"), Qt::Key_Down},
        {QStringLiteral("LEFT"), Qt::Key_Left},    {QStringLiteral("RIGHT"), Qt::Key_Right},
        {QStringLiteral("HOME"), Qt::Key_Home},    {QStringLiteral("END"), Qt::Key_End},
        {QStringLiteral("F1"), Qt::Key_F1},        {QStringLiteral("F4"), Qt::Key_F4},
    };
    return keys.value(name.toUpper(), 0);
}

KeyStroke CharacterKey(QChar c, Qt::KeyboardModifiers modifiers) {
    KeyStroke stroke;
    stroke.modifiers = modifiers;
    const QChar upper = c.toUpper();
    if (upper >= u'A' && upper <= u'Z') {
        stroke.key = Qt::Key_A + (upper.unicode() - u'A');
        // Shift types the capital; with Alt or Ctrl the key is a command and
        // types the letter as its key is labelled in lower case.
        stroke.text = modifiers & Qt::ShiftModifier ? QString(upper) : QString(c.toLower());
    } else {
        stroke.key = c.unicode();
        stroke.text = QString(c);
    }
    return stroke;
}

}  // namespace

bool ParseKeys(const QString& text, QList<KeyStroke>* keys) {
    QList<KeyStroke> result;
    Qt::KeyboardModifiers held;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'+' || c == u'^' || c == u'%') {
            held |= c == u'+' ? Qt::ShiftModifier : c == u'^' ? Qt::ControlModifier : Qt::AltModifier;
            continue;
        }
        KeyStroke stroke;
        if (c == u'~') {
            stroke = KeyStroke{Qt::Key_Return, held, QStringLiteral("\r")};
        } else if (c == u'{') {
            // "{}}" is a closing brace; otherwise the name ends at the first "}".
            const bool closingBrace = text.mid(i + 1, 2) == u"}}";
            const qsizetype close = closingBrace ? i + 2 : text.indexOf(u'}', i + 1);
            if (close < 0 || close == i + 1)
                return false;
            const QString name = text.mid(i + 1, close - i - 1);
            i = close;
            if (name.size() == 1) {
                stroke = CharacterKey(name[0], held);
            } else if (const int key = NamedKey(name)) {
                stroke = KeyStroke{key, held,
                                   key == Qt::Key_Return ? QStringLiteral("\r")
                                   : key == Qt::Key_Tab  ? QStringLiteral("\t")
                                                         : QString()};
            } else {
                return false;
            }
        } else {
            stroke = CharacterKey(c, held);
        }
        result.append(stroke);
        held = {};
    }
    if (held)
        return false;
    *keys = result;
    return true;
}

}  // namespace qlm
