// Temporary names that exports and backups put beside their destination,
// and how a later run tells a killed run's leftovers from a live run's work.
// A run holds its destination folder (flock, shared) for as long as it has
// temporary names there; a run that finds the folder held by nobody else
// first removes what killed runs left, matching only our own exact names:
// ".qlm-export-" and six letters or digits (a folder) for exports, the
// backup's file name, "." and six letters or digits (a catalogue or
// nothing), and its journal, for backups.
#pragma once

#include <functional>

#include <QString>
#include <QStringList>

#include "platform/error.h"

namespace qlm {

class FolderRunGuard {
public:
    // Calls sweep first when no other run holds the folder. Never waits
    // for long: a folder held against us (another user may hold a folder
    // that both can read) only means no sweep.
    FolderRunGuard(const QString& folder, const std::function<void()>& sweep);
    ~FolderRunGuard();
    FolderRunGuard(const FolderRunGuard&) = delete;
    FolderRunGuard& operator=(const FolderRunGuard&) = delete;

private:
    int fd_ = -1;
};

// A staging folder of an export inside the destination folder: the files
// wait there until Place() moves them into the folder at once.
class ExportStaging {
public:
    explicit ExportStaging(const QString& folder);
    // Removes the staging folder with what is left in it; files set aside
    // from the folder go back where their name is still free.
    ~ExportStaging();
    ExportStaging(const ExportStaging&) = delete;
    ExportStaging& operator=(const ExportStaging&) = delete;

    bool IsValid() const { return !path_.isEmpty(); }
    QString ErrorString() const { return why_; }
    QString Path() const { return path_; }
    QString FilePath(const QString& name) const;

    // Moves the staged files into the folder under their names, all or
    // none. A file already there under one of the names (an earlier
    // export's) is set aside first and put back when a later name cannot
    // be placed; a name taken by anything but a file or a link fails the
    // whole.
    // False with the error set.
    bool Place(const QStringList& names, Error* error);

private:
    FolderRunGuard guard_;
    QString folder_;
    QString path_;
    QString why_;
};

// Removes the leftovers of killed exports in the folder; an earlier
// export's file that a killed run had set aside goes back when its name is
// free. Returns how many staging folders went.
int SweepExportLeftovers(const QString& folder);

// Removes the leftovers of killed backups to this destination. Returns how
// many files went.
int SweepBackupLeftovers(const QString& destination);

}  // namespace qlm
