// The application folder: where the running program, its libraries, the
// string library, the password file and the "temp" work folder live.
// Everything that needs it asks here, so tests can point it elsewhere.
#pragma once

#include <QString>

namespace qlm {

// Folder of the running executable, without a trailing separator, unless a
// test has set another one.
QString ApplicationFolder();

// Overrides the folder for this process (tests); an empty text restores the
// executable's folder.
void SetApplicationFolder(const QString& folder);

// Joins a folder and a name with exactly one "/" between them; a folder that
// already ends in "/" or "\" keeps its separator.
QString JoinPath(const QString& folder, const QString& name);

}  // namespace qlm
