// The recorder's call files: a 12-character 8.3 name that is the call's start
// time (month code, day, year, hour, minute split by the dot, second) and a
// 512-byte header (number nibbles, flag byte) before the codec data.
#pragma once

#include <utility>

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTime>

#include "app/catalogue/callrecord.h"
#include "platform/error.h"

namespace qlm {

// Every card listing filters names with this wildcard first.
QString RecordingNamePattern();  // "????????.???"
inline constexpr int RecordingHeaderSize = 512;

// Flag byte (offset 15) bits.
namespace flag {
inline constexpr int kLine = 0x20;        // recorded from the telephone line
inline constexpr int kNumberKind = 0x10;  // dialled number / third source
inline constexpr int kSaved = 0x08;
inline constexpr int kRate1 = 0x01;  // 0.9 KB/s (wins over kRate2)
inline constexpr int kRate2 = 0x02;  // 0.55 KB/s
}  // namespace flag

struct RecordingInfo {
    qint16 Year = 0;  // 0-99; the calendar year is 2000 plus it
    qint16 Month = 0;
    qint16 Day = 0;
    qint16 Hour = 0;
    qint16 Minute = 0;
    qint16 Second = 0;
    qint32 Duration = 0;  // seconds
    QString CallerID;
    QString DialString;
    qint16 InorOut = 0;
    qint16 TelorMic = 0;
    qint16 Saved = 0;
    qint16 SampleRate = 0;

    bool operator==(const RecordingInfo&) const = default;
};

// The wildcard test alone: 12 characters with a dot at position 9.
bool MatchesRecordingPattern(const QString& name);

// True when the name is a real time stamp in the recorder's naming, alone or
// with a library's variant suffix (VariantRecordingName).
bool IsRecordingName(const QString& name);
// The same for a name's bytes as the file system holds them.
bool IsRecordingName(QLatin1String name);

// Reads the time stamp from the path's base name and the number, codes and
// estimated duration from the header. Only reads. When the file cannot be
// read or the name is not numeric, the error is set and the unfilled record
// returned; the caller shows it.
RecordingInfo ReadRecordingHeader(const QString& path, Error* error);
// The same for a path in the file system's encoding (QFile::encodeName), the
// name tested as bytes: a build reads thousands without converting each path.
RecordingInfo ReadRecordingHeader(const QByteArray& localPath, Error* error);

// The name of the recording that started at that moment, upper-case month.
QString RecordingNameFor(const QDate& date, const QTime& time);
// From a list line's texts: "MM/dd/yyyy" and "hh:mm:ss". Empty when either
// text cannot be read.
QString RecordingNameFor(const QString& dateText, const QString& timeText);

// The list texts ("MM/dd/yyyy", "hh:mm:ss") of a recording name's time stamp;
// false when the name is no recording name.
bool StampTextsOfName(const QString& name, QString* dateText, QString* timeText);

// Finds call recordings in a folder whatever the letter case of their names:
// a card mounted with lower-case short names, or filled by another tool,
// holds b1124101.010 for B1124101.010. The name as written wins; among names
// that differ from it only in letter case, the first in name order. The
// folder is listed at most once, at the first name not there as written, so
// a run over many calls costs one listing.
class RecordingLookup {
public:
    explicit RecordingLookup(QString folder) : folder_(std::move(folder)) {}
    const QString& Folder() const { return folder_; }
    // The path of the recording of that name, or "" when the folder holds
    // none.
    QString PathOf(const QString& name);
    // The recording of a call: its exact file when the catalogue names it
    // (a call is its recording: no other letter case stands in for it), else
    // the one of its time stamp as PathOf finds it. "" when there is none.
    QString PathOfCall(const QString& file, const QString& dateText, const QString& timeText);

private:
    QString folder_;
    bool listed_ = false;
    QHash<QString, QStringList> byFoldedName_;  // case-folded name -> names, in name order
};

// The name a library gives a recording whose name is taken there by other
// bytes: the name, a dash and the first 8 hex digits of its SHA-256.
QString VariantRecordingName(const QString& name, const QByteArray& sha256Hex);

// The name work files and results of a call are named after: the usual
// name of its time stamp (upper-case month, as the recorder writes it) when
// its recording file is that name in any letter case, else its exact file
// (a variant stored beside another). When the recordings folder holds a
// different recording under the usual name, a letter-case variant keeps its
// own name, so two calls never share results. "" when the texts cannot be
// read.
QString WorkNameOf(const QString& file, const QString& dateText, const QString& timeText,
                   const QString& folder = QString());

// Estimated call length: whole payload kilobytes over the rate code's
// kilobytes per second, halves to even.
qint32 EstimateDuration(qint64 fileLength, int sampleRate);

// The rate code that the flag byte gives.
qint16 SampleRateFromFlags(int flags);

// The header the recorder writes for a number and a flag byte (the inverse of
// the header reading; digit 0 is written as code 0xB, empty places as 0xF).
// Numbers longer than 16 digits are cut; characters other than digits are
// skipped.
QByteArray MakeRecordingHeader(const QString& number, int flags);

// The catalogue row for a recording; empty numbers and the comment are a
// single blank.
CallRecord CallRecordFromInfo(const RecordingInfo& info);

}  // namespace qlm
