// The user's library folder: where copies from the card go and catalogues
// are built. Never the card itself: a catalogue built there would point at
// recordings that the next wipe of the card removes.
#pragma once

#include <QString>

#include "platform/error.h"

namespace qlm {

// The library folder the user used last, if it still exists; else "Calls"
// in the user's documents folder (XDG), created when missing. "" when
// neither can be had.
QString DefaultLibraryFolder();

// Remembers the folder as the last library folder (per user, beside the
// password file). False with the error set when it cannot be written.
bool RememberLibraryFolder(const QString& folder, Error* error = nullptr);

// The last library folder remembered, "" when none or gone.
QString LastLibraryFolder();

// True when the destination is the source folder or inside it (links
// resolved; a destination yet to be made counts by its nearest existing
// parent).
bool IsSameOrInside(const QString& destination, const QString& source);

// The catalogue last changed in the folder (by modification time), "" when
// it holds none.
QString NewestCatalogueIn(const QString& folder);

}  // namespace qlm
