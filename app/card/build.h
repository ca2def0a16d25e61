// Building a new catalogue from a folder of recordings: one row per valid
// recording file, in a new database file placed in that folder.
#pragma once

#include <functional>
#include <memory>

#include <QDate>
#include <QString>

#include "app/card/carryforward.h"
#include "platform/error.h"

namespace qlm {

class CallListModel;
class Database;

// The file name (without folder) of the next catalogue built today in the
// folder: today's date in the recording-name code (month code, day, year of
// the century), a serial one above the largest of today's catalogues there,
// ".mdb" (C08261.mdb, C08262.mdb, ...).
QString NextCatalogueName(const QString& folder, const QDate& today = QDate::currentDate());

struct BuildHooks {
    // Status bar texts (panel 1 or 2) as the build goes.
    std::function<void(int panel, const QString& text)> status;
    // A recording whose header cannot be read: reported, then skipped.
    std::function<void(const QString& path, const Error& error)> unreadable;
    // Lets the window repaint; called at least every 100 ms while working.
    std::function<void()> repaint;
};

struct BuildResult {
    QString path;  // the new catalogue; "" when it could not be created
    // The new catalogue, open and held exclusively; null when it could not be
    // created. The model's listing reads through it: keep it while listing.
    std::shared_ptr<Database> database;
    int rows = 0;         // rows stored
    int skipped = 0;      // recordings whose header could not be read
    int notRegular = 0;   // entries of recording names that are no regular files, passed over
    int listed = 0;       // lines added to the model
    CarryResult carried;  // comments and checksums taken from earlier catalogues
    Error error;          // set when the build failed
};

// Make DB for a known folder: creates the catalogue, stores every recording
// and lists it into the model (cleared first) when one is given. Leaves the
// program-wide state alone: the caller closes the catalogue open before and
// keeps the one returned. On failure the error is set; a catalogue already
// created is returned open with the rows stored so far.
BuildResult BuildCatalogueIn(const QString& folder, CallListModel* model, const BuildHooks& hooks);

}  // namespace qlm
