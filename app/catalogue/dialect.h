// The statement dialect of the catalogue's queries: '#' date and time
// literals, and the stored texts of Date/Time columns.
#pragma once

#include <QString>
#include <QVariant>

#include "platform/error.h"

namespace qlm {

// Rewrites the #...# literals of a statement into quoted ISO texts. Quoted
// texts ('...') and quoted names ("...", [...]) are left alone. Returns the
// statement, or "" with error 3075 set for a literal that is no real date or
// time.
QString TranslateStatement(const QString& sql, Error* error);

// A Date/Time value as it is assigned (QDate, QTime, QDateTime, or texts such
// as 2005-10-25, 10/25/2005, 14:35:27, 9:5:7): its stored text, or "" when it
// is no real date or time.
QString DateTimeStoredText(const QVariant& value);

// A stored Date/Time text back as QDate, QTime or QDateTime; any other text
// comes back as it is.
QVariant StoredToValue(const QString& text);

}  // namespace qlm
