// The catalogue store: the work folder, folder helpers, reading rows into
// the call list, and opening a catalogue file as the current one.
#pragma once

#include <QString>

#include "app/catalogue/callrecord.h"
#include "app/error.h"

namespace qlm {

class CallListModel;
class Recordset;

// The work folder, with a trailing "/"; created when missing. It is "temp"
// in a portable application folder, else the user's cache folder (see
// UserStateFolders).
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

// Open DB once the file is chosen: closes the open catalogue, makes the file
// the current one (CataloguePath, RecordingsFolder = its folder), opens it
// exclusively and lists all its rows into the model. On failure the error is
// set and the state is as far as it got: the path and folder name the new
// file, CatalogueDatabase is the file when it could be opened.
bool OpenCatalogueFile(const QString& path, CallListModel* model, int* listed, Error* error);

// The statement that lists a whole catalogue.
inline constexpr char kSelectAllCalls[] = "SELECT * FROM qlm";

}  // namespace qlm
