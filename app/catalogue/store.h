// The catalogue store: the work folder, folder helpers, reading rows into
// the call list, and opening a catalogue file.
#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"
#include "platform/error.h"

namespace qlm {

class CallListModel;
class Database;
class Recordset;

// This process's own folder in the work folder, with a trailing "/";
// created when missing. The work folder is "temp" in a portable application
// folder, else the user's cache folder (see UserStateFolders); each process
// works in a folder of its own there (see ProcessWorkFolder).
QString GetTempFolder();

// Deletes every file directly in the folder (not in subfolders); single
// failures are ignored. The folder text may end in a separator or not.
void DeleteFilesIn(const QString& folder);

// The path up to and including its last "/" or "\"; "" without either.
QString FolderOf(const QString& path);

// The record set's current row as a call.
CallRecord ReadCallRecord(const Recordset& rows);

// False with error 3265 naming the first catalogue column the record set
// lacks: a table qlm of another program must not list as blank calls.
bool HasCatalogueColumns(const Recordset& rows, Error* error);

// Adds one line per row of the record set, from its first row on, at the end
// of the model (which is not cleared). Returns the number of lines added; a
// row that cannot be read stops the listing with the error set, the lines
// before it staying listed.
int ListCatalogueRows(Recordset* rows, CallListModel* model, Error* error);

// Lists the rows of a statement into the model, in place of its lines, as
// the window lists a catalogue or a search: all of them counted at once,
// read in steps (CallListModel::ListInSteps). A statement that fails leaves
// the model as it was. Returns the number of rows (the model's lines), or -1
// with the error set when the statement fails or lacks a catalogue column.
int ListCatalogueStatement(Database* db, const QString& statement, CallListModel* model, Error* error);

// Whether the catalogue keeps its calls' recording files (kRecordingTable);
// one built by an older version does not.
bool KeepsRecordingFiles(Database* db);

// A statement of the design's form "SELECT * FROM qlm ..." that also gives
// each row's identity: its rowid as qlm_id and, where the catalogue keeps
// them, its recording's file name as qlm_file. Other statements unchanged.
QString WithCallIdentity(Database* db, const QString& statement);

// Gives a catalogue the index its searches and comment updates look calls
// up by (kCreateDateIndex), when it lacks it and can be written; a catalogue that
// cannot take it (read-only, locked, no table qlm) is left as it is.
void EnsureCatalogueIndexes(Database* db);

// What OpenCatalogueFile opened, for the caller to keep (the window and
// qlmtool hold their open catalogue; this module holds none).
struct OpenedCatalogue {
    std::shared_ptr<Database> database;  // null when the file could not be opened
    QString path;
    QString recordingsFolder;  // the catalogue's folder, where its calls are
    int listed = -1;           // rows listed into the model; -1 when listing failed
    // Opened and listed.
    explicit operator bool() const { return database && listed >= 0; }
};

// Open DB once the file is chosen: opens the file exclusively (the caller
// closes its own open catalogue first, or a second open of the same file is
// refused), gives it its index (EnsureCatalogueIndexes) and lists all its
// rows into the model (ListCatalogueStatement; listed is the full count).
// On failure the error is set; database is the file when it could be opened
// but not listed.
// prepare, when given, runs on the open file before it is listed.
OpenedCatalogue OpenCatalogueFile(const QString& path, CallListModel* model, Error* error,
                                  const std::function<void(Database*)>& prepare = {});

// The statement that lists a whole catalogue.
inline constexpr char kSelectAllCalls[] = "SELECT * FROM qlm";
// The index on Date (then Time): every search has a date range and a time
// window, and a comment finds its call by date and time. With Time in it
// the window is tested, and a search's rows counted, in the index alone.
inline constexpr char kCreateDateIndex[] = "CREATE INDEX IF NOT EXISTS qlm_date ON qlm (Date, Time)";

}  // namespace qlm
