// What the copy from a card learnt of each recording it stored: the SHA-256
// of the bytes read off the card, their size and the time of import. Kept in
// the library folder in a small append-only file until the next catalogue
// build stores it with the calls (qlm_recording), and read again by later
// builds: a catalogue may be built long after the copy, or rebuilt.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include "platform/error.h"

namespace qlm {

struct ImportedFile {
    QString name;       // the recording's file name in the library folder
    qint64 size = -1;   // bytes copied
    QByteArray sha256;  // lower-case hex, 64 digits
    QString imported;   // ISO 8601, UTC, to the second
};

// The ledger's name in the library folder.
inline constexpr char kImportLedgerName[] = ".qlm-imports";

// Appends the lines to the folder's ledger and syncs it. False with the error
// set when it cannot be written; the recordings themselves stay.
bool AppendImports(const QString& folder, const QVector<ImportedFile>& files, Error* error);

// The ledger's entries by file name, the last line of a name winning. Lines
// that cannot be read (a torn last line, other text) are passed over; a
// missing ledger gives none.
QHash<QString, ImportedFile> ReadImports(const QString& folder);

// The SHA-256 (lower-case hex) of a regular file's bytes, opened without
// blocking; empty with the error set when it cannot be read. size, when
// given, gets the bytes read.
QByteArray FileSha256(const QString& path, Error* error, qint64* size = nullptr);

// The time of import as the ledger and the catalogue keep it: now, UTC.
QString ImportTimeNow();

}  // namespace qlm
