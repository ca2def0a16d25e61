// Naming calls on qlmtool's command line: a call is a recording file name
// ("B1124101.010", as `list --json` gives it) or a date and time pair
// ("11/24/2024 10:10:10") while those name one call alone.
#pragma once

#include <memory>

#include <QStringList>
#include <QVector>

#include "app/catalogue/callrecord.h"

namespace qlm {
class Database;
struct Error;
}  // namespace qlm

namespace qlm::cli {

// Opens the catalogue for a command, exclusively, as Database::Open does,
// and first completes a deletion a kill interrupted (its journal beside the
// catalogue), so no command meets a row whose recording is gone.
std::unique_ptr<Database> OpenCatalogueForCommand(const QString& path, Error* error);

// How many arguments the call named at args[at] takes: 1 for a recording
// file name, else 2 (date and time).
qsizetype CallArgCount(const QStringList& args, qsizetype at);

// Whether the arguments at args[at] can name a call at all: a recording
// file name, or a date as MM/dd/yyyy and a time as hh:mm:ss.
bool CallArgsReadable(const QStringList& args, qsizetype at);

// The call named at args[at]. False, with the message on stderr, when the
// arguments name no call, or a date and time that several calls share (their
// files are listed, so the user can name one).
bool ResolveCall(Database* db, const QString& catalogue, const QStringList& args, qsizetype at, CallRecord* call);

}  // namespace qlm::cli
