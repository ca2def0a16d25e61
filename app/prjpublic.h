// The program-wide state shared by the commands and forms: the open
// catalogue, the folder dialog's mode and results, the sign-in, and the list
// and output options. One instance for the process.
#pragma once

#include <memory>

#include <QString>

#include "app/catalogue/engine.h"

namespace qlm {

struct PrjPublicState {
    // The open catalogue (or none), its file and the folder of its recordings.
    // Shared, so long work that lets events run (the build) keeps the object
    // it writes to even when a handler closes the catalogue meanwhile.
    std::shared_ptr<Database> CatalogueDatabase;
    QString CataloguePath;
    QString RecordingsFolder;
    // The folder dialog: mode 0-4 set by the caller, results read after it.
    qint16 SelectMode = 0;
    QString SourceFolder;
    QString DestinationFolder;
    bool SignedIn = false;
    // Check-all state of the list; 0 = WAV output, 1 = MP3.
    bool AllChecked = false;
    qint32 Mp3Output = 0;

    // Closes the open catalogue, if any (its file lock goes with it).
    void CloseCatalogue();
    // Back to the start: no catalogue, every text empty.
    void Reset();
};

PrjPublicState& PrjPublicM();

}  // namespace qlm
