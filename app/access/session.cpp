#include "app/access/session.h"

namespace qlm {

ProjectState& Prj() {
    static ProjectState state;
    return state;
}

void EmptyProjectPaths() {
    ProjectState& s = Prj();
    s.CataloguePath.clear();
    s.SourceFolder.clear();
    s.DestinationFolder.clear();
    s.RecordingsFolder.clear();
}

}  // namespace qlm
