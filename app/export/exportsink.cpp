#include "app/export/exportsink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVector>

#include <zip.h>

#include "app/card/copy.h"
#include "platform/appfolder.h"
#include "platform/durablefile.h"

namespace qlm {
namespace {

Error Cancelled() { return Error{kCancelled, QStringLiteral("User interrupt occurred")}; }

// The folder's files wait in a hidden folder inside it and are renamed into
// place by Commit(): a rename within one file system, so the last step is
// quick and cannot run out of space.
class FolderSink : public ExportSink {
public:
    explicit FolderSink(const QString& folder)
        : folder_(folder), staging_(JoinPath(folder, QStringLiteral(".qlm-export-XXXXXX"))) {}
    bool Ready() const { return staging_.isValid(); }
    QString WhyNot() const { return staging_.errorString(); }

    bool AddFile(const QString& name, const QString& sourcePath, Error* error) override {
        // The staging folder is synced once, by Commit().
        if (!CopyFileSafely(sourcePath, staging_.filePath(name), {}, error, DurableFile::FolderSync::Later))
            return false;
        names_ << name;
        return true;
    }

    bool AddData(const QString& name, const QByteArray& data, Error* error) override {
        QString why;
        if (!WriteFileDurably(staging_.filePath(name), data, &why)) {
            if (error)
                *error = FileError(err::kDiskFull, JoinPath(folder_, name), why);
            return false;
        }
        names_ << name;
        return true;
    }

    bool Commit(const Progress& progress, Error* error) override {
        if (progress && !progress(0)) {
            if (error)
                *error = Cancelled();
            return false;
        }
        // What is staged is complete on the medium before any of it shows.
        SyncFolder(staging_.path());
        QStringList moved;
        for (const QString& name : std::as_const(names_)) {
            const QByteArray from = QFile::encodeName(staging_.filePath(name));
            const QByteArray to = QFile::encodeName(JoinPath(folder_, name));
            if (std::rename(from.constData(), to.constData()) != 0) {
                // All or nothing: what went in already goes again.
                for (const QString& done : std::as_const(moved))
                    QFile::remove(JoinPath(folder_, done));
                if (error)
                    *error = FileError(err::kPermissionDenied, JoinPath(folder_, name),
                                       QString::fromLocal8Bit(std::strerror(errno)));
                return false;
            }
            moved << name;
        }
        SyncFolder(folder_);
        if (progress)
            progress(1);
        return true;
    }

private:
    QString folder_;
    QTemporaryDir staging_;  // removed with whatever is left in it
    QStringList names_;
};

// libzip writes the archive at zip_close() under a temporary name beside the
// destination and renames it over the destination when complete; on failure
// or cancel it removes that file, and zip_discard() writes nothing at all.
class ZipSink : public ExportSink {
public:
    explicit ZipSink(zip_t* archive, const QString& path) : archive_(archive), path_(path) {}
    ~ZipSink() override {
        if (archive_)
            zip_discard(archive_);
    }

    bool AddFile(const QString& name, const QString& sourcePath, Error* error) override {
        zip_source_t* source = zip_source_file(archive_, QFile::encodeName(sourcePath).constData(), 0, 0);
        return Add(name, source, error);
    }

    bool AddData(const QString& name, const QByteArray& data, Error* error) override {
        buffers_ << data;  // libzip reads it at zip_close()
        const QByteArray& kept = buffers_.last();
        zip_source_t* source = zip_source_buffer(archive_, kept.constData(), static_cast<zip_uint64_t>(kept.size()), 0);
        return Add(name, source, error);
    }

    bool Commit(const Progress& progress, Error* error) override {
        progress_ = progress;
        zip_register_progress_callback_with_state(archive_, 0.01, &ZipSink::OnProgress, nullptr, this);
        zip_register_cancel_callback_with_state(archive_, &ZipSink::OnCancel, nullptr, this);
        if (progress_ && !progress_(0)) {
            if (error)
                *error = Cancelled();
            return false;
        }
        if (zip_close(archive_) == 0) {
            archive_ = nullptr;
            SyncPlacedFile(path_);
            return true;
        }
        if (error)
            *error = cancelled_ ? Cancelled() : Failure();
        return false;
    }

private:
    bool Add(const QString& name, zip_source_t* source, Error* error) {
        const zip_flags_t flags = ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE;
        const zip_int64_t index = source ? zip_file_add(archive_, name.toUtf8().constData(), source, flags) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            if (error)
                *error = Failure();
            return false;
        }
        // MP3 does not shrink; storing it saves the time.
        if (name.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive))
            zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        return true;
    }

    Error Failure() const {
        zip_error_t* failed = zip_get_error(archive_);
        const int number = zip_error_code_system(failed) == ENOSPC || zip_error_code_zip(failed) == ZIP_ER_WRITE
                               ? err::kDiskFull
                               : err::kPathFileAccess;
        return FileError(number, path_, QString::fromUtf8(zip_error_strerror(failed)));
    }

    static void OnProgress(zip_t*, double done, void* self) {
        auto* sink = static_cast<ZipSink*>(self);
        if (sink->progress_ && !sink->progress_(done))
            sink->cancelled_ = true;
    }
    static int OnCancel(zip_t*, void* self) { return static_cast<ZipSink*>(self)->cancelled_ ? 1 : 0; }

    zip_t* archive_;
    QString path_;
    QVector<QByteArray> buffers_;
    Progress progress_;
    bool cancelled_ = false;
};

}  // namespace

bool IsZipDestination(const QString& destination) {
    return destination.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive);
}

bool CheckExportDestination(const QString& destination, Error* error) {
    const QFileInfo info(destination);
    const QFileInfo folder(IsZipDestination(destination) ? info.absolutePath() : destination);
    Error failed;
    if (destination.isEmpty() || !folder.isDir())
        failed = FileError(err::kPathNotFound, destination, QStringLiteral("no such folder"));
    else if (!folder.isWritable())
        failed = FileError(err::kPermissionDenied, destination, QStringLiteral("the folder cannot be written"));
    else if (IsZipDestination(destination) && info.exists() && !info.isFile())
        failed = FileError(err::kPathFileAccess, destination, QStringLiteral("not a file"));
    if (failed.IsSet() && error)
        *error = failed;
    return !failed.IsSet();
}

std::unique_ptr<ExportSink> ExportSink::Open(const QString& destination, Error* error) {
    if (!CheckExportDestination(destination, error))
        return nullptr;
    if (!IsZipDestination(destination)) {
        auto sink = std::make_unique<FolderSink>(destination);
        if (sink->Ready())
            return sink;
        if (error)
            *error = FileError(err::kPermissionDenied, destination, sink->WhyNot());
        return nullptr;
    }
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(destination).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        zip_error_t failed;
        zip_error_init_with_code(&failed, code);
        if (error)
            *error = FileError(err::kPathFileAccess, destination, QString::fromUtf8(zip_error_strerror(&failed)));
        zip_error_fini(&failed);
        return nullptr;
    }
    return std::make_unique<ZipSink>(archive, destination);
}

}  // namespace qlm
