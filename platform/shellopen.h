// Opening a document with the desktop's default application for its type,
// as the shell's "open" action does (xdg-open here). The opener can be
// replaced, so that tests see what would be opened without starting a player.
#pragma once

#include <functional>

#include <QString>

namespace qlm {

// Starts the default application on the file, detached, in the working
// folder. True when it could be started; callers do not need the result.
bool ShellOpen(const QString& path, const QString& workingFolder = QStringLiteral("/"));

using ShellOpener = std::function<bool(const QString& path, const QString& workingFolder)>;
// Replaces the opener for this process; an empty one restores xdg-open.
void SetShellOpener(ShellOpener opener);

}  // namespace qlm
