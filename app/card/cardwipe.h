// Emptying the recorder's card of the recordings that are safe in the
// library: a card recording goes only when the library folder holds a copy
// of the same bytes (SHA-256) under its name or its variant name. Nothing is
// ever made writable, and only regular files are touched.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/error.h"

namespace qlm {

// The attribute values of the design: archive only, and the read-only mark.
inline constexpr qint32 kArchiveAttribute = 32;
inline constexpr qint32 kReadOnlyAttribute = 1;

// When a regular file exists at the path and the attributes carry the
// read-only mark, takes its write permissions away. Linux has only that mark
// of them, and a mark is never lifted: clearing it would make writable a
// file the user (or the card's write protection) kept from changes, or the
// target of a link. Nothing happens otherwise.
void SetAttributesIfExists(const QString& path, qint32 attributes);

// What a name in a folder is, for code that must touch only real recordings.
enum class EntryKind {
    Missing,  // nothing of that name
    Regular,  // a regular file
    Link,     // a link whose target is a regular file in the same folder
    Other,    // a FIFO, a device, a folder, a link out of the folder or to nothing
};
// Never opens the entry: a FIFO or a device is only looked at.
EntryKind RecordingEntryKind(const QString& folder, const QString& name);

struct CardWipeResult {
    QStringList deleted;       // names, in the folder's order
    QStringList failed;        // recordings in the library that could not be deleted (write protection)
    QStringList notInLibrary;  // kept: the library holds no copy of their bytes
    QStringList skipped;       // not regular files: left as they are
    Error error;               // set when the card or the library folder could not be read
};

// Deletes the recordings of the card folder that the library folder holds
// (see above); the others are kept and listed. Only names that are real
// recording time stamps are looked at: a camera's PHOTO001.JPG shares the 8.3
// shape with them but is not the recorder's. Subfolders, catalogues and
// other files stay; a library that is the card itself, or whose copy is the
// card's own file under another name (a link, a hard link), holds no copy.
CardWipeResult DeleteCardRecordingsIn(const QString& folder, const QString& library);

// The recordings that DeleteCardRecordingsIn looks at.
QStringList CardRecordingNames(const QString& folder, Error* error);

}  // namespace qlm
