// The search of the catalogue: the criteria of the search panel turned into
// one SELECT on table qlm. The date range and the daily time window are
// always part of it; the other criteria add a condition only when set.
#pragma once

#include <QString>

namespace qlm {

// The panel's criteria. The four choice fields hold the displayed text of the
// chosen item, recognised by exact comparison with the library strings.
struct SearchCriteria {
    qint16 YearF = 0, MonthF = 0, DayF = 0;
    qint16 YearL = 0, MonthL = 0, DayL = 0;
    qint16 HourF = 0, MinF = 0, SecF = 0;
    qint16 HourL = 0, MinL = 0, SecL = 0;
    QString CallerID;  // "" = no criterion
    QString DialStr;   // "" = no criterion
    QString InOut;
    QString TelMic;
    QString Saved;
    QString SamRate;
    QString Comment;  // "" = no criterion
    bool MatchAll = false;
};

// The texts of the choice lists' items, by their meaning. Distinct texts are
// all the building needs.
struct SearchChoiceTexts {
    QString All;                  // 48
    QString Incoming, Outgoing;   // 46, 47
    QString Tel, Mic, Vox;        // 49, 50, 104
    QString SavedYes, SavedNo;    // 51, 52
    QString Rate0, Rate1, Rate2;  // 53, 54, 55

    // The loaded string library's texts.
    static SearchChoiceTexts FromLibrary();
};

// The statement for the criteria, before the engine's translation of the
// #...# literals. A direction other than "all" forces the source to the
// telephone line (line calls only). Single quotes inside the three typed
// texts are doubled, so a typed text is always one SQL string; texts without
// a quote are inserted as they stand.
QString BuildSearchStatement(const SearchCriteria& criteria, const SearchChoiceTexts& choices);

// A text as the inside of a single-quoted SQL string.
QString QuoteSqlText(const QString& text);

}  // namespace qlm
