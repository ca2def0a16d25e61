// Run folders: every process that converts, prepares playback or exports
// keeps its work files in a folder of its own under the user's work folder,
// so the window and qlmtool, or two qlmtool runs, never read each other's
// files (which are named after the recording and would otherwise collide).
// A process holds its folder with a lock on the folder itself, which the
// system drops when the process ends, however it ends; tidying the work
// folder removes only folders that no live process holds.
#pragma once

#include <QString>

namespace qlm {

// Run folders are named "run-XXXXXX" inside the work folder.
inline constexpr char kRunFolderPrefix[] = "run-";

// This process's run folder in workFolder, without a trailing separator.
// The work folder is created owner-only (0700) when missing and made so when
// it is ours; the run folder is made (0700) and locked on first use. Asked
// for another work folder (the application folder changed), the process
// lets go of its old run folder (removing it) and makes a new one. "" when
// none can be made there.
QString RunFolderIn(const QString& workFolder);

// This process's run folder, "" when it has none.
QString OwnRunFolder();

// True when the folder is a run folder ("run-..." in a work folder) that a
// live process holds, this one included. A folder whose lock cannot be
// tested counts as held.
bool IsHeldRunFolder(const QString& folder);

// True when the folder's name is that of a run folder and it lies directly
// in workFolder (it need not exist any more).
bool IsRunFolderOf(const QString& folder, const QString& workFolder);

// Tidies the work folder: removes the run folders no live process holds and
// the loose files directly in it (work files of older versions); other
// folders stay. With emptyOwn, this process's run folder loses the files
// directly in it, as the work folder always did at a catalogue's open.
// Links are removed, never followed. Single failures are ignored.
void TidyWorkFolder(const QString& workFolder, bool emptyOwn);

// Removes this process's run folder and lets go of its lock; the next
// RunFolderIn makes a new one.
void ReleaseRunFolder();

// Makes a file that lies in this process's run folder readable by its owner
// only (0600): decoded calls are as private as the recordings. Other files
// and links are left as they are.
void KeepToOwner(const QString& path);

// True when the two paths name the same folder: the same text once cleaned,
// or the same folder once links are resolved.
bool SameFolder(const QString& a, const QString& b);

}  // namespace qlm
