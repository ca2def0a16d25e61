// Emptying the recorder's card of its recordings once they have been copied.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/error.h"

namespace qlm {

// The attribute value that leaves a file only its archive mark.
inline constexpr qint32 kArchiveAttribute = 32;
inline constexpr qint32 kReadOnlyAttribute = 1;

// When a file or folder exists at the path, gives it the attributes. Linux
// has only the read-only mark of them: without it the owner may write the
// file (so a card file marked read-only becomes deletable); hidden, system
// and archive have no counterpart. Nothing happens for a missing path.
void SetAttributesIfExists(const QString& path, qint32 attributes);

struct CardWipeResult {
    QStringList deleted;  // names, in the folder's order
    QStringList failed;   // recording names that could not be deleted
    Error error;          // set when the folder could not be read
};

// Deletes every recording in the folder, whatever its marks. Only names that
// are real recording time stamps are touched: a camera's PHOTO001.JPG or an
// ABCDEFGH.XYZ shares the 8.3 shape with them but is not the recorder's.
// Subfolders, catalogues and other files stay. A file that cannot be deleted
// (write-protected card) is skipped and the rest go on.
CardWipeResult DeleteCardRecordingsIn(const QString& folder);

// The recordings that DeleteCardRecordingsIn would delete.
QStringList CardRecordingNames(const QString& folder, Error* error);

}  // namespace qlm
