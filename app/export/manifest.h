// What an export says about its calls: the readable names of the audio
// files and the two manifests, calls.csv (for spreadsheets) and calls.json
// (for programs), holding the same fields: the keys of `qlmtool list --json`
// followed by the audio file's name and its length in seconds.
#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVector>

#include "app/catalogue/callrecord.h"

namespace qlm {

struct ExportedCall {
    CallRecord record;
    QString file;        // the audio file's name inside the export
    double seconds = 0;  // the audio's length
};

inline constexpr char kManifestCsv[] = "calls.csv";
inline constexpr char kManifestJson[] = "calls.json";

// "2024-03-07 09-05-00 Incoming 5551234.wav": the start, the direction (the
// source for calls not from the line), the call's number when it has one.
// Characters that common file systems refuse (/ \ : * ? " < > | and control
// characters) become "_".
QString ReadableFileName(const CallRecord& record, const QString& extension);

// The manifest's keys, and one call's values in their order: dates as
// YYYY-MM-DD, times as HH:MM:SS, the codes as the list shows them, and the
// catalogue's single blank for "none" as an empty text.
QStringList ManifestKeys();
QStringList ManifestValues(const ExportedCall& call);

// RFC 4180: a header line of the keys, then one line per call; fields with
// a comma, quote or line break quoted, quotes doubled; UTF-8 with a
// byte-order mark and CRLF line ends, as spreadsheet programs open it. A
// value that starts with = + - @, Tab or CR gets a leading apostrophe, so
// that spreadsheets show it as text rather than run it as a formula.
QByteArray ManifestCsv(const QVector<ExportedCall>& calls);
// One array of objects, every value a text but seconds, a number.
QByteArray ManifestJson(const QVector<ExportedCall>& calls);

// The length of a PCM WAV file in seconds, to the millisecond; 0 when the
// file cannot be read as one.
double WavSeconds(const QString& path);

}  // namespace qlm
