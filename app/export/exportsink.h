// Where an export's files go: a folder, or a ZIP archive (through libzip).
// Nothing of a run shows at the destination before Commit(): the files
// wait in a hidden staging folder inside the destination folder (the
// folder the archive goes to) and are renamed into place together. A sink
// dropped without Commit(), a failed Commit() and a cancelled one leave the
// destination as it was, an earlier export's files included; a run killed
// on the way leaves only its staging folder, which the next export there
// clears.
#pragma once

#include <functional>
#include <memory>

#include <QByteArray>
#include <QString>

#include "platform/error.h"

namespace qlm {

// True for a destination that names a ZIP archive (*.zip in any case).
bool IsZipDestination(const QString& destination);

// Whether an export could go there: an existing writable folder, or a .zip
// file name in one (the file itself may exist and is then replaced). False
// with the error set otherwise.
bool CheckExportDestination(const QString& destination, Error* error);

class ExportSink {
public:
    // Told the share of the writing done (0 to 1) now and then; returns
    // false to cancel.
    using Progress = std::function<bool(double done)>;

    // A sink for the destination; nullptr with the error set when it cannot
    // be written.
    static std::unique_ptr<ExportSink> Open(const QString& destination, Error* error);
    virtual ~ExportSink() = default;

    // A file taken from sourcePath, which must stay in place until Commit().
    virtual bool AddFile(const QString& name, const QString& sourcePath, Error* error) = 0;
    virtual bool AddData(const QString& name, const QByteArray& data, Error* error) = 0;
    // Puts everything in place at once. False with the error set when it
    // failed or was cancelled (number kCancelled); nothing is left then.
    virtual bool Commit(const Progress& progress, Error* error) = 0;
};

// The error number of a cancelled Commit().
inline constexpr int kCancelled = 18;  // the runtime's "user interrupt occurred"

}  // namespace qlm
