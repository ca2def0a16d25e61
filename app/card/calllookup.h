// Naming one call from outside the list (a command line, a script): by its
// recording's file name, or by its date and time while those name it alone.
// Two recorders, a reset clock or a card of two letter cases give calls that
// share a time stamp; each is still its own recording.
#pragma once

#include <QString>
#include <QVector>

#include "app/catalogue/callrecord.h"
#include "platform/error.h"

namespace qlm {

class Database;

// The calls at that date ("MM/dd/yyyy") and time ("hh:mm:ss"), with their
// identity (Id, and File where the catalogue keeps it). None with the error
// set when the texts cannot be read or the catalogue not queried.
QVector<CallRecord> CallsAt(Database* db, const QString& dateText, const QString& timeText, Error* error);

// The call of that recording file: the one the catalogue keeps under that
// exact name. A catalogue that keeps no names (built before they were kept)
// gives the calls at the name's time stamp. None when there is no such call.
QVector<CallRecord> CallsOfFile(Database* db, const QString& file, Error* error);

}  // namespace qlm
