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
    // Which call this is, beyond the ten columns: the row's rowid in qlm (0
    // when unknown) and the exact name of its recording file in the library
    // folder ("" when the catalogue does not record it, as in catalogues of
    // older versions: then the recording is found by its time stamp). Two
    // recordings with one time stamp are two calls.
    qint64 Id = 0;
    QString File;

    bool operator==(const CallRecord&) const = default;
};

// Our table beside qlm: one row per call, keyed by qlm's rowid, naming its
// recording exactly, with the size and SHA-256 (lower-case hex) of the bytes
// imported and the time of import (ISO 8601, UTC); size, checksum and time
// are NULL for recordings not copied by us.
inline constexpr char kRecordingTable[] = "qlm_recording";
inline constexpr char kCreateRecordingTable[] =
    "CREATE TABLE IF NOT EXISTS qlm_recording (call INTEGER PRIMARY KEY, file TEXT NOT NULL, "
    "size INTEGER, sha256 TEXT, imported TEXT)";

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
