// A caption without its mnemonic marks: "&Export..." reads "Export...", for
// accessible names and dialog titles taken from buttons and labels.
#pragma once

#include <QString>

namespace qlm {

inline QString PlainText(QString caption) {
    // "&&" is a literal "&"; a single "&" marks the mnemonic.
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(u'&');
    caption.replace(u'\x01', u'&');
    return caption;
}

}  // namespace qlm
