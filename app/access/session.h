// The project-wide state the access commands read and reset: whether someone
// has signed in, and the four paths that signing out forgets.
#pragma once

#include <QString>

namespace qlm {

struct ProjectState {
    bool SignedIn = false;
    QString CataloguePath;
    QString RecordingsFolder;
    QString SourceFolder;
    QString DestinationFolder;
};

// The one instance of the process.
ProjectState& Prj();

// Empties CataloguePath, SourceFolder, DestinationFolder and RecordingsFolder.
void EmptyProjectPaths();

}  // namespace qlm
