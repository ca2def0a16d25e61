#include "app/catalogue/search.h"

#include "app/strings/strlib.h"
#include "app/strings/strnames.h"

namespace qlm {
namespace {

// The connector between the conditions; also the fixed join of the two
// number terms inside the group of direction "all".
const QString kAnd = QStringLiteral(" AND ");
const QString kOr = QStringLiteral(" OR ");
const QString kTermEnd = QStringLiteral("' ");

bool HasWildcard(const QString& value) { return value.contains(QLatin1Char('*')); }

// "* anywhere" selects the engine's pattern comparison; anything else is an
// exact comparison, even with ? # or [ in it.
QString TextTerm(const QString& likePiece, const QString& equalPiece, const QString& value) {
    return (HasWildcard(value) ? likePiece : equalPiece) + QuoteSqlText(value) + kTermEnd;
}

QString CallerTerm(const QString& value) {
    return TextTerm(QStringLiteral("CallerID LIKE '"), QStringLiteral("CallerID = '"), value);
}

QString DialTerm(const QString& value) {
    return TextTerm(QStringLiteral(" DialString LIKE '"), QStringLiteral(" DialString  ='"), value);
}

QString CommentTerm(const QString& value) {
    return TextTerm(QStringLiteral("Comment LIKE '"), QStringLiteral("Comment = '"), value);
}

QString DatePart(qint16 year, qint16 month, qint16 day) {
    return QString::number(year) + QLatin1Char('-') + QString::number(month) + QLatin1Char('-') + QString::number(day);
}

QString TimePart(qint16 hour, qint16 minute, qint16 second) {
    return QString::number(hour) + QLatin1Char(':') + QString::number(minute) + QLatin1Char(':') +
           QString::number(second);
}

}  // namespace

SearchChoiceTexts SearchChoiceTexts::FromLibrary() {
    SearchChoiceTexts t;
    t.All = LibStr(str::All);
    t.Incoming = LibStr(str::Incoming);
    t.Outgoing = LibStr(str::Outgoing);
    t.Tel = LibStr(str::Telephone);
    t.Mic = LibStr(str::Microphone);
    t.Vox = LibStr(str::VoiceActivated);
    t.SavedYes = LibStr(str::SavedMark);
    t.SavedNo = LibStr(str::NotSaved);
    t.Rate0 = LibStr(str::Rate1200);
    t.Rate1 = LibStr(str::Rate900);
    t.Rate2 = LibStr(str::Rate550);
    return t;
}

QString QuoteSqlText(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return quoted;
}

QString BuildSearchStatement(const SearchCriteria& c, const SearchChoiceTexts& t) {
    const QString& connector = c.MatchAll ? kAnd : kOr;
    QString tail;
    QString telMic = c.TelMic;

    // Number terms: the direction decides which number counts.
    if (c.InOut == t.Incoming) {
        if (!c.CallerID.isEmpty())
            tail = connector + CallerTerm(c.CallerID);
    } else if (c.InOut == t.Outgoing) {
        if (!c.DialStr.isEmpty())
            tail = connector + DialTerm(c.DialStr);
    } else if (c.InOut == t.All) {
        QString group;
        if (!c.CallerID.isEmpty())
            group = CallerTerm(c.CallerID);
        if (!c.DialStr.isEmpty()) {
            if (!group.isEmpty())
                group += kOr;
            group += DialTerm(c.DialStr);
        }
        if (!group.isEmpty())
            tail = connector + QStringLiteral(" ( ") + group + QStringLiteral(" ) ");
    }

    // A direction means a line call, whatever source was chosen.
    if (c.InOut == t.Incoming) {
        tail += connector + QStringLiteral(" InorOut = 0 ");
        telMic = t.Tel;
    } else if (c.InOut == t.Outgoing) {
        tail += connector + QStringLiteral(" InorOut = 1 ");
        telMic = t.Tel;
    }

    if (telMic == t.Tel)
        tail += connector + QStringLiteral(" TelorMic = 0 ");
    else if (telMic == t.Mic)
        tail += connector + QStringLiteral(" TelorMic = 1 ");
    else if (telMic == t.Vox)
        tail += connector + QStringLiteral(" TelorMic = 2 ");

    if (c.Saved == t.SavedYes)
        tail += connector + QStringLiteral(" Saved = 1 ");
    else if (c.Saved == t.SavedNo)
        tail += connector + QStringLiteral(" Saved = 0 ");

    if (c.SamRate == t.Rate0)
        tail += connector + QStringLiteral(" SampleRate = 0 ");
    else if (c.SamRate == t.Rate1)
        tail += connector + QStringLiteral(" SampleRate = 1 ");
    else if (c.SamRate == t.Rate2)
        tail += connector + QStringLiteral(" SampleRate = 2 ");

    if (!c.Comment.isEmpty())
        tail += connector + CommentTerm(c.Comment);

    return QStringLiteral("SELECT * FROM qlm WHERE  ") + QStringLiteral(" Date BETWEEN #") +
           DatePart(c.YearF, c.MonthF, c.DayF) + QStringLiteral("# AND #") + DatePart(c.YearL, c.MonthL, c.DayL) +
           QStringLiteral("#") + connector + QStringLiteral("Time BETWEEN #") + TimePart(c.HourF, c.MinF, c.SecF) +
           QStringLiteral("# AND #") + TimePart(c.HourL, c.MinL, c.SecL) + QStringLiteral("#") + tail;
}

}  // namespace qlm
