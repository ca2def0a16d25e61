// The program's work folder: "temp" under the application folder, where the
// conversion keeps its intermediate files and the front-end runs.
#pragma once

#include <QString>

namespace qlm {

// The application folder + "/temp/" (ending with the separator); the folder
// is created when it does not exist yet.
QString GetTempFolder();

}  // namespace qlm
