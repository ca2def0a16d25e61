// Copying the recordings of a card folder to a folder on the computer.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

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
    QStringList failed;  // names of files that could not be copied
    Error listError;     // the source folder could not be read
};

// Copies every valid recording file of the source folder into the
// destination, replacing files of the same name there. Each copy is written
// under a temporary name and renamed when complete, so an interrupted copy
// never leaves a truncated recording under a recording's name; the copy keeps
// the file's modification time. Other files and subfolders are not copied.
CopyResult CopyRecordings(const QString& source, const QString& destination, const CopyHooks& hooks);

// One file copied that way: true when the destination holds a complete copy.
// With FolderSync::Later the caller syncs the destination's folder itself,
// once for many files.
bool CopyFileSafely(const QString& from, const QString& to, const std::function<void()>& tick, Error* error,
                    DurableFile::FolderSync folderSync = DurableFile::FolderSync::Now);

// The names of the entries directly in the folder that are no folders (nor
// links to one), hidden ones too, in no particular order; none when it
// cannot be read. With a suffix, only the names ending in it (letter case
// counting).
QStringList FileNamesIn(const QString& folder, QLatin1String suffix = QLatin1String());

// The recording files of a folder (wildcard and name check both hold), by
// name. The error is set when the folder cannot be read.
QStringList RecordingFilesIn(const QString& folder, Error* error);
// The same names as the file system holds them (ASCII), for reading
// thousands of files by path without converting each name. With others, the
// same listing also gives the names ending in the suffix (as FileNamesIn
// gives them): a folder of thousands of files is listed once.
std::vector<std::string> RecordingFileNamesIn(const QString& folder, Error* error, QStringList* others = nullptr,
                                              QLatin1String suffix = QLatin1String());

}  // namespace qlm
