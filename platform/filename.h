// File and folder names as the file system holds them: bytes. Qt decodes a
// name as UTF-8 whatever the locale and turns every byte that is not valid
// UTF-8 into U+FFFD, so two different names ("card\xff" and the UTF-8 of
// "card\uFFFD") became one QString, and one of them the other's file. Here a
// name is decoded without loss: each byte that is not part of valid UTF-8
// becomes the lone surrogate U+DC00 + byte, which no valid UTF-8 yields, and
// EncodeName gives those bytes back. Our code turns paths into bytes only
// through EncodeName, and reads names only through DecodeName.
//
// Qt's file classes (QFile, QDir, QFileInfo, QDirIterator, QSaveFile) encode
// such a name into other bytes (a lone surrogate becomes the UTF-8 of
// U+FFFD) and leave such entries out of their listings: a path for which
// HasRawBytes holds must reach the file system through the byte calls below
// or be refused (RefuseRawBytes), never through those classes.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qlm {

struct Error;

// The name of these bytes, without loss (see above).
QString DecodeName(QByteArrayView bytes);
// The bytes of a name: DecodeName's inverse, and QFile::encodeName for every
// name without raw bytes. A lone surrogate that is no raw byte (none comes
// from DecodeName) becomes the UTF-8 of U+FFFD, as Qt writes it.
QByteArray EncodeName(const QString& name);

// True when the name holds a lone surrogate: a byte that is not valid UTF-8,
// or text that Qt's file classes would turn into other bytes.
bool HasRawBytes(const QString& name);
// The name for people: each raw byte shown as U+FFFD. Only for showing; never
// a path again.
QString ShownName(const QString& name);
// For a place that cannot use the exact bytes: false and a "bad file name"
// error naming the path (shown with replacement marks) when it holds raw
// bytes; true otherwise.
bool RefuseRawBytes(const QString& path, Error* error);

// The same place under a name Qt's file classes reach exactly, so that code
// built on them (QFile, QDir, SQLite's path) acts on this file and no other:
// the path itself when it has no raw bytes (nor is relative to a working
// folder that has); else the folder that ends with
// its last raw byte, opened once by its bytes and named by its descriptor in
// /proc ("/proc/<pid>/fd/<n>"), followed by the rest. That folder must exist
// (so a file whose own name has raw bytes cannot be reached): "" and a "bad
// file name" error otherwise. The folder stays open until the process ends;
// ShownPaths turns such names back into the path given.
QString QtReachablePath(const QString& path, Error* error);
// The text with every name QtReachablePath made replaced by the path it was
// made from, for messages and output; raw bytes stay raw (see ShownName).
QString UnaliasPaths(const QString& text);

// QFile::moveToTrash, whose record of where the file came from (the trash's
// .trashinfo) names the path given, not a name QtReachablePath made. False
// when the file could not be moved to a trash.
bool MoveToTrash(const QString& path);

// Byte-exact stand-ins for the Qt calls that lose raw bytes.
// The path made absolute against the working folder as the kernel reports it.
QString AbsoluteName(const QString& path);
// True when the path (after links) is a folder we may list and enter.
bool IsReadableFolderAt(const QString& path);
// True when something exists at the path (a dangling link counts).
bool ExistsAt(const QString& path);
// Makes the folder and the missing folders above it, as QDir::mkpath; true
// when it is a folder afterwards.
bool MakeFolders(const QString& path);
// ::open of the path's bytes; -1 and errno on failure.
int OpenName(const QString& path, int flags, unsigned mode = 0);
// ::unlink of the path's bytes; false and errno on failure.
bool RemoveName(const QString& path);

}  // namespace qlm
