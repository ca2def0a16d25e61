// Writing a file so that nobody ever sees half of it: the bytes go to a
// temporary file in the target's own folder (so the final rename cannot cross
// file systems); Commit() flushes them to disk, renames the temporary file
// over the target and syncs the folder, so that the rename itself survives a
// power cut. Until then the target keeps its old content (or stays absent).
// A DurableFile destroyed without a successful Commit() removes its
// temporary file: a full disk, a write error or an early return leaves no
// trace.
//
//   DurableFile out(path);
//   if (!out.Open() || !out.Write(bytes) || !out.Commit())
//       report(out.ErrorString());       // nothing at path has changed
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QString>

#include "platform/filename.h"

namespace qlm {

class DurableFile {
public:
    explicit DurableFile(const QString& path);
    // Discards the temporary file unless committed.
    ~DurableFile();
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    // Creates the temporary file. False with the error set when the folder
    // does not take it (missing, not writable, full).
    bool Open();
    // Appends at the write position. A failed write is remembered: every
    // later write and the Commit() fail too.
    bool Write(QByteArrayView bytes);
    // Moves the write position, e.g. back to a header whose sizes are known
    // only at the end.
    bool Seek(qint64 position);
    // Permissions the file will have (owner-only for a secret). By default a
    // replaced file keeps its permissions and a new one gets the usual ones.
    bool SetPermissions(QFileDevice::Permissions permissions);
    // The modification time the file will have (a copy keeps its
    // original's), put on it once the content is complete.
    void SetModificationTime(const QDateTime& when) {
        modified_ = when;
        synced_ = false;
    }

    // Puts what was written so far on the disk, still under the temporary
    // name (a test can stop there, as a power cut would).
    bool Sync();
    // Whether Commit() syncs the folder. Many files written into one folder
    // may leave that to one SyncFolder() at the end: until then a power cut
    // may lose a rename, but never leaves half a file under the target.
    enum class FolderSync { Now, Later };
    // Makes the new content the target's. False when any write, the flush,
    // the sync or the rename failed: the temporary file is then gone and the
    // target as it was. ErrorCode() is QFileDevice::RenameError when only
    // the last step failed (the target is a folder, say).
    // With Replace::No a target that exists by then is left as it is, and
    // the commit fails with errno EEXIST (ErrorCode() RenameError).
    enum class Replace { Yes, No };
    bool Commit(FolderSync folderSync = FolderSync::Now, Replace replace = Replace::Yes);
    // The errno of the last failure (0 when none).
    int ErrorNumber() const { return errno_; }
    // Drops what was written; the target stays as it was.
    void Discard();

    QString Path() const { return path_; }
    // The temporary file while open (for tests that stop short of a commit).
    QString TemporaryPath() const { return fd_ >= 0 ? DecodeName(temporary_) : QString(); }
    bool IsOpen() const { return fd_ >= 0; }
    bool Committed() const { return committed_; }
    // QFileDevice::ResourceError stands for a full disk.
    QFileDevice::FileError ErrorCode() const { return error_; }
    QString ErrorString() const { return errorString_; }

private:
    bool Fail(int code);
    bool Fail(QFileDevice::FileError error, int code);
    bool WriteOut(const char* data, qsizetype size);
    bool Flush();

    QString path_;
    QByteArray temporary_;
    int fd_ = -1;
    QByteArray buffer_;
    bool committed_ = false;
    bool synced_ = false;  // nothing written since the last Sync()
    int errno_ = 0;
    QDateTime modified_;
    QFileDevice::FileError error_ = QFileDevice::NoError;
    QString errorString_;
};

// The whole content in one call. False (and *errorText, when given) when it
// could not be put in place; the old file then stays.
bool WriteFileDurably(const QString& path, QByteArrayView bytes, QString* errorText = nullptr);

// Makes the names created, renamed or removed in the folder survive a power
// cut. Nothing is reported: whatever the folder holds is complete either way.
void SyncFolder(const QString& folder);

// For a file that another writer (a library) put in place by a rename of its
// own: its content and then its folder go to the medium.
void SyncPlacedFile(const QString& path);

}  // namespace qlm
