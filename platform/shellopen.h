// Opening a document with the desktop's default application for its type,
// as the shell's "open" action does (xdg-open here). The opener can be
// replaced, so that tests see what would be opened without starting a player.
#pragma once

#include <functional>

#include <QString>

class QObject;

namespace qlm {

// The outcome of an opening: true when the opener ended with status 0 (it
// handed the file to a program), false when it could not be started, failed
// (a desktop with no program for the type) or crashed.
using ShellOpenDone = std::function<void(bool opened)>;

// Starts the default application on the file in the working folder and
// returns at once; the caller's window goes on while the opener runs. done,
// when given, is called once from the event loop with the outcome, unless
// context (when given) is destroyed first. False when the opener could not
// be started at all (done is still called, with false). An opener still
// running when the program ends is left to finish: it may be the player.
bool ShellOpen(const QString& path, const QString& workingFolder = QStringLiteral("/"), QObject* context = nullptr,
               ShellOpenDone done = {});

using ShellOpener = std::function<bool(const QString& path, const QString& workingFolder)>;
// Replaces the opener for this process: its result is the outcome. An empty
// one restores xdg-open.
void SetShellOpener(ShellOpener opener);

}  // namespace qlm
