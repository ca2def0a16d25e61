// Building a new catalogue from a folder of recordings: one row per valid
// recording file, in a new database file placed in that folder.
#pragma once

#include <functional>

#include <QDate>
#include <QString>

#include "platform/error.h"

namespace qlm {

class CallListModel;

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
    QString path;     // the new catalogue; "" when it could not be created
    int rows = 0;     // rows stored
    int skipped = 0;  // recordings whose header could not be read
    int listed = 0;   // lines added to the model
    Error error;      // set when the build failed
};

// Make DB for a known folder, from closing the open catalogue on: creates
// the catalogue, stores every recording, makes it the current catalogue
// (CataloguePath, RecordingsFolder = the folder as given) and lists it into
// the model (cleared first) when one is given. On failure the error is set;
// a catalogue already created stays open as CatalogueDatabase with the rows
// stored so far, and CataloguePath / RecordingsFolder keep their values.
BuildResult BuildCatalogueIn(const QString& folder, CallListModel* model, const BuildHooks& hooks);

}  // namespace qlm
