// Copying the recordings of a card folder to a folder on the computer.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>
#include <QVector>

#include "app/card/imports.h"

#include "platform/durablefile.h"
#include "platform/error.h"

namespace qlm {

struct CopyHooks {
    // After each file that was copied completely; copied counts from 1.
    std::function<void(int copied, const QString& name)> copiedFile;
    // A file that could not be copied; the copy goes on with the next one.
    std::function<void(const QString& name, const Error& error)> failedFile;
    // Lets the window repaint; called at least every 100 ms while working.
    std::function<void()> repaint;
};

struct CopyResult {
    int copied = 0;
    int alreadyThere = 0;            // recordings the destination held with the same bytes
    int notRegular = 0;              // entries under a recording's name that are no regular files
    QStringList storedBeside;        // names given to recordings whose name was taken by others
    QStringList failed;              // names of files that could not be copied
    QVector<ImportedFile> imported;  // what each copy stored, with its checksum
    Error listError;                 // the source folder could not be read
    Error ledgerError;               // the checksums could not be kept (the copies stand)
};

// Copies every valid recording file of the source folder into the
// destination. A recording the destination holds with the same bytes (under
// its name in any letter case, or a variant of it) is not copied again; one
// whose name is taken there by other bytes is stored beside it under
// VariantRecordingName, never over it. Each copy is written under a
// temporary name and renamed when complete, so an interrupted copy never
// leaves a truncated recording under a recording's name; the copy keeps the
// file's modification time, and its SHA-256 is taken from the bytes read
// and kept in the destination's import ledger (imports.h). Only regular
// files are read (a link only to one in the same folder); other files and
// subfolders are not copied.
CopyResult CopyRecordings(const QString& source, const QString& destination, const CopyHooks& hooks);

// What a copy did beyond copying, one line each, in the user's language:
// recordings there already, stored beside others, skipped entries, checksums
// that could not be kept. None when there is nothing to tell.
QStringList CopyNoticeLines(const CopyResult& result);

// One file copied that way: true when the destination holds a complete copy.
// With FolderSync::Later the caller syncs the destination's folder itself,
// once for many files.
// With Replace::No an existing target stays and the copy fails with
// err::kFileAlreadyExists. sha256 and size, when given, get the checksum
// (lower-case hex) and length of the bytes copied.
bool CopyFileSafely(const QString& from, const QString& to, const std::function<void()>& tick, Error* error,
                    DurableFile::FolderSync folderSync = DurableFile::FolderSync::Now,
                    DurableFile::Replace replace = DurableFile::Replace::Yes, QByteArray* sha256 = nullptr,
                    qint64* size = nullptr);

// The names of the entries directly in the folder that are no folders (nor
// links to one), hidden ones too, in no particular order; none when it
// cannot be read. With a suffix, only the names ending in it (letter case
// counting).
QStringList FileNamesIn(const QString& folder, QLatin1String suffix = QLatin1String());

// The recording files of a folder (wildcard and name check both hold), by
// name. The error is set when the folder cannot be read. notRegular, when
// given, counts the entries of recording names that are skipped because they
// are no regular files (a FIFO, a device, a link out of the folder).
QStringList RecordingFilesIn(const QString& folder, Error* error, int* notRegular = nullptr);
// The same names as the file system holds them (ASCII), for reading
// thousands of files by path without converting each name. With others, the
// same listing also gives the names ending in the suffix (as FileNamesIn
// gives them): a folder of thousands of files is listed once.
std::vector<std::string> RecordingFileNamesIn(const QString& folder, Error* error, QStringList* others = nullptr,
                                              QLatin1String suffix = QLatin1String(), int* notRegular = nullptr);

}  // namespace qlm
