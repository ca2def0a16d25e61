// The catalogue statements' dialect, on top of SQLite's own: the '#' date and
// time literals of the original engine (#2003-1-1#, #03/07/2024#, #9:5:0#, a
// date followed by a time) rewritten to quoted ISO texts, and the stored
// Date/Time texts ('YYYY-MM-DD', 'HH:MM:SS') to and from calendar values.
// Exports TranslateStatement, DateTimeStoredText and StoredToValue
// (declared in dialect.h).
#include "app/catalogue/dialect.h"

#include <algorithm>

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>

#include "app/catalogue/engine.h"

namespace qlm {

namespace {

QString IsoDate(int y, int m, int d) {
    const QDate date(y, m, d);
    if (!date.isValid() || y < 100)
        return QString();
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString TwoDigits(int value) {
    const QChar digits[2] = {QChar(u'0' + value / 10), QChar(u'0' + value % 10)};
    return QString(digits, 2);
}

QString IsoTime(int h, int m, int s) {
    const QTime time(h, m, s);
    return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : QString();
}

QString ParseDatePart(const QString& text) {
    static const QRegularExpression ymd(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    static const QRegularExpression mdy(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    if (const auto m = ymd.match(text); m.hasMatch())
        return IsoDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (const auto m = mdy.match(text); m.hasMatch())
        return IsoDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
    return QString();
}

QString ParseTimePart(const QString& text) {
    static const QRegularExpression hms(QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?$"));
    if (const auto m = hms.match(text); m.hasMatch())
        return IsoTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return QString();
}

// A date, a time, or a date and a time, as stored; "" when not a real one.
QString ParseDateTimeText(const QString& raw) {
    const QString text = raw.trimmed();
    if (text.contains(u':') && !text.contains(u' '))
        return ParseTimePart(text);
    const qsizetype space = text.indexOf(u' ');
    if (space < 0)
        return ParseDatePart(text);
    const QString date = ParseDatePart(text.left(space));
    const QString time = ParseTimePart(text.mid(space + 1).trimmed());
    return date.isEmpty() || time.isEmpty() ? QString() : date + u' ' + time;
}

int Digits(const QString& text, int from, int count) {
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

}  // namespace

// Read for every listed row, so parsed by hand rather than through a format
// string.
QVariant StoredToValue(const QString& text) {
    if (text.size() == 10 && text[4] == u'-' && text[7] == u'-') {
        const QDate date(Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2));
        return date.isValid() ? QVariant(date) : QVariant(text);
    }
    if (text.size() == 8 && text[2] == u':' && text[5] == u':') {
        const QTime time(Digits(text, 0, 2), Digits(text, 3, 2), Digits(text, 6, 2));
        return time.isValid() ? QVariant(time) : QVariant(text);
    }
    if (text.size() == 19 && text[4] == u'-' && text[10] == u' ')
        return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return text;
}

QString DateTimeStoredText(const QVariant& value) {
    switch (value.typeId()) {
    // Put together by hand: a build writes two per row, and a format string
    // costs more than the rest of the row.
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        if (d.isValid() && d.year() >= 1000 && d.year() <= 9999)
            return QString::number(d.year()) + u'-' + TwoDigits(d.month()) + u'-' + TwoDigits(d.day());
        return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : QString();
    }
    case QMetaType::QTime: {
        const QTime t = value.toTime();
        return t.isValid() ? TwoDigits(t.hour()) + u':' + TwoDigits(t.minute()) + u':' + TwoDigits(t.second())
                           : QString();
    }
    case QMetaType::QDateTime:
        return value.toDateTime().isValid() ? value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                            : QString();
    default:
        return ParseDateTimeText(value.toString());
    }
}

QString TranslateStatement(const QString& sql, Error* error) {
    QString out;
    out.reserve(sql.size() + 16);
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"' || c == u'[') {
            // Copy the quoted text or name unchanged, doubled quotes included.
            const QChar close = c == u'[' ? QChar(u']') : c;
            qsizetype j = i + 1;
            while (j < sql.size()) {
                if (sql[j] == close) {
                    if (close != u']' && j + 1 < sql.size() && sql[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += QStringView(sql).mid(i, std::min(j, sql.size() - 1) - i + 1);
            i = j;
            continue;
        }
        if (c != u'#') {
            out += c;
            continue;
        }
        const qsizetype end = sql.indexOf(u'#', i + 1);
        const QString literal = end < 0 ? sql.mid(i) : sql.mid(i, end - i + 1);
        const QString stored = end < 0 ? QString() : ParseDateTimeText(sql.mid(i + 1, end - i - 1));
        if (stored.isEmpty()) {
            if (error)
                *error = Error{dberr::kSyntax,
                               QStringLiteral("Syntax error in date in query expression '%1'.").arg(literal)};
            return QString();
        }
        out += u'\'' + stored + u'\'';
        i = end;
    }
    return out;
}

}  // namespace qlm
