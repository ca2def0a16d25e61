// One call of the catalogue (a row of table qlm), how it is written and how
// the list shows it.
#pragma once

#include <QDate>
#include <QStringList>
#include <QTime>

namespace qlm {

struct CallRecord {
    QDate Date;
    QTime Time;
    qint32 Duration = 0;
    QString CallerID;
    QString DialString;
    qint16 InorOut = 0;
    qint16 TelorMic = 0;
    qint16 Saved = 0;
    qint16 SampleRate = 0;
    QString Comment;

    bool operator==(const CallRecord&) const = default;
};

// Table and column names, in the table's order.
inline constexpr char kCatalogueTable[] = "qlm";
QStringList CatalogueColumns();
// The table as a new catalogue gets it: the columns above with their types.
struct TableDef;
TableDef CatalogueTableDef();

// Seconds as h:mm:ss, hours without leading zeros.
QString FormatDuration(qint32 seconds);

// The texts assigned to Date and Time when a row is written: no leading
// zeros (2006-2-3, 9:5:7).
QString DateWriteText(const QDate& date);
QString TimeWriteText(const QTime& time);

// The list line's texts for the columns 2 to 11: date, time, duration,
// caller ID, dial string, in/out, tel/mic, saved, sample rate, comment.
enum ListColumn {
    kColCheck = 0,
    kColDate,
    kColTime,
    kColDuration,
    kColCallerID,
    kColDialString,
    kColInOut,
    kColTelMic,
    kColSaved,
    kColSampleRate,
    kColComment,
    kListColumnCount
};
QStringList DisplayTexts(const CallRecord& record);
QString DateDisplayText(const QDate& date);  // MM/dd/yyyy
QString TimeDisplayText(const QTime& time);  // hh:mm:ss
QString InOutText(qint16 inorOut, qint16 telorMic);
QString TelMicText(qint16 telorMic);
QString SavedText(qint16 saved);
QString SampleRateText(qint16 sampleRate);

}  // namespace qlm
