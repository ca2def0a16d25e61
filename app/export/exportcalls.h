// Export of calls for someone else: each call converted through the
// conversion pipeline (its work files in the temp folder reused), then the
// audio files under readable names with calls.csv and calls.json, into a
// folder or a ZIP archive. The window and qlmtool run this same routine and
// show its lines through ConvertProgress; cancel stops it at the
// conversion's points and while the files are written.
#pragma once

#include <QStringList>
#include <QVector>

#include "app/catalogue/callrecord.h"
#include "app/convert/convertfiles.h"
#include "platform/error.h"
#include "app/export/manifest.h"

namespace qlm {

struct ExportRequest {
    QVector<CallRecord> calls;  // in the order they are listed
    QString recordingsFolder;
    QString destination;  // a folder, or a file name ending in .zip
    int mp3Option = 0;    // > 0: MP3 files, else levelled WAV files
};

struct ExportResult {
    // RecordsNotFound and ConverterMissing: nothing done, message says why.
    // Cancelled: nothing written. Finished: see error and exported.
    ConvertOutcome outcome = ConvertOutcome::Finished;
    QString message;
    Error error;                  // the files could not be written; nothing was
    int exported = 0;             // calls in the export
    QVector<ExportedCall> calls;  // what the export holds, as its manifest lists it
    QStringList failed;           // "MM/dd/yyyy hh:mm:ss" of calls left out: no audio
    QString summary;              // the closing line, also shown as the last line
};

// Converts and writes the calls. The run's last line tells how many calls
// were exported and where, or why nothing was; a call whose conversion
// failed is left out and named in a line before it. Without a single
// converted call nothing is written.
ExportResult ExportCalls(const ExportRequest& request, ConvertProgress& progress);

}  // namespace qlm
