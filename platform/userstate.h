// Where a user's own files live: the password file and the "temp" work
// folder. A portable application folder (one this user may write) keeps both
// inside, as it always has. An installed one is shared and read-only, so
// each user gets $XDG_CONFIG_HOME/qlm6200/ (owner-only) for the password file
// and $XDG_CACHE_HOME/qlm6200/temp/ for the work files. QLM6200 and qlmtool
// both ask here, so they always agree.
#pragma once

#include <QString>

namespace qlm {

struct StateFolders {
    QString settings;  // folder of the password file, no trailing separator
    QString work;      // the work folder ("temp"), no trailing separator
    bool perUser = false;
};

// The folders for the current application folder and user. In the per-user
// case the "qlm6200" folders under the config and cache folders are created
// owner-only (0700) when missing; the work folder itself is left to its
// user. Never fails: a folder that cannot be created shows up later as a
// file that cannot be written.
StateFolders UserStateFolders();

// This process's own folder in the work folder (a run folder, see
// runfolder.h), without a trailing separator: where its conversions,
// playback preparations and exports keep their files, apart from every other
// process's. The work folder itself when no run folder can be made there.
QString ProcessWorkFolder();

// Empties the work folder, as a catalogue's open, a build and the exit do:
// this process's folder loses its files; run folders that no live process
// holds, and loose files, go. releaseOwn removes this process's folder too
// (at exit). Folders that live runs hold stay as they are.
void EmptyWorkFolder(bool releaseOwn = false);

// The file a package puts into the application folder to say that the
// folder is a shared installation: root may write it, but what the package
// manager installed must not collect one user's files.
inline constexpr char kSharedInstallationMarker[] = "shared-installation";

// The password file's name, wherever it lives.
inline constexpr char kPasswordFileName[] = "qlm6200.pwd";

// True when the application folder is kept as a portable folder: it holds no
// shared-installation marker, and this user may write it or it already keeps
// the password file (a medium that went read-only keeps its password rather
// than falling back to an empty one elsewhere).
bool IsPortableFolder(const QString& folder);

}  // namespace qlm
