#include "app/prjpublic.h"

namespace qlm {

void PrjPublicState::CloseCatalogue() {
    if (CatalogueDatabase)
        CatalogueDatabase->Close();
    CatalogueDatabase.reset();
}

void PrjPublicState::Reset() {
    CloseCatalogue();
    *this = PrjPublicState();
}

PrjPublicState& PrjPublicM() {
    static PrjPublicState state;
    return state;
}

}  // namespace qlm
