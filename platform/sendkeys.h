// Keystroke texts in SendKeys notation, as the automation writes them:
// "+" Shift, "^" Ctrl and "%" Alt hold for the next key; "~" is Enter;
// named keys in braces ("{Enter}", "{Tab}", "{Esc}", ...), any case; "{%}"
// and friends stand for the character itself. Every other character is
// typed as it stands.
#pragma once

#include <QList>
#include <QString>
#include <Qt>

namespace qlm {

struct KeyStroke {
    int key = 0;  // Qt::Key
    Qt::KeyboardModifiers modifiers;
    QString text;  // what the key types, "" for keys that type nothing

    bool operator==(const KeyStroke&) const = default;
};

// The keystrokes of a text; false (and nothing in *keys) when the text is
// malformed: an unknown name in braces, an unclosed brace, or a modifier at
// the end with no key to hold it for.
bool ParseKeys(const QString& text, QList<KeyStroke>* keys);

}  // namespace qlm
