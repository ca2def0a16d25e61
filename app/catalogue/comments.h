// The user's comment on a call: the blank-comment convention and the UPDATE
// that stores it, the call named by its list texts of date and time.
#pragma once

#include <QString>

#include "platform/error.h"

namespace qlm {

class Database;

// A stored comment of a single blank means "no comment": the box shows it
// empty, and an empty box is stored as that blank.
QString CommentBoxText(const QString& stored);

// The UPDATE for the call at the list's date ("MM/dd/yyyy") and time
// ("hh:mm:ss"). A single quote in the comment is doubled so the text is
// stored exactly as typed; otherwise the comment goes in unchanged, line
// breaks included.
QString CommentUpdateStatement(const QString& dateText, const QString& timeText, const QString& comment);

// Runs that statement on the catalogue. With the call's identity (its rowid,
// CallRecord::Id) only that row gets the comment: two recordings may share a
// time stamp. Without it every row of that date and time gets it. False
// with the engine's error when the update is rejected (no catalogue, a date
// or time other than a list text, locked or read-only file); nothing is
// stored then.
bool WriteCatalogueComment(Database* db, const QString& dateText, const QString& timeText, const QString& comment,
                           Error* error, int* rowsChanged = nullptr, qint64 callId = 0);

}  // namespace qlm
