#include "app/export/exportsink.h"

#include <cerrno>

#include <QFile>
#include <QFileInfo>
#include <QVector>

#include <sys/stat.h>
#include <zip.h>

#include "app/card/copy.h"
#include "app/export/staging.h"
#include "platform/appfolder.h"
#include "platform/durablefile.h"

namespace qlm {
namespace {

Error Cancelled() { return Error{kCancelled, QStringLiteral("User interrupt occurred")}; }

// The folder's files wait in a staging folder inside it and are renamed
// into place by Commit(): a rename within one file system, so the last step
// is quick and cannot run out of space.
class FolderSink : public ExportSink {
public:
    explicit FolderSink(const QString& folder) : staging_(folder) {}
    bool Ready() const { return staging_.IsValid(); }
    QString WhyNot() const { return staging_.ErrorString(); }

    bool AddFile(const QString& name, const QString& sourcePath, Error* error) override {
        // The staging folder is synced once, by Commit().
        if (!CopyFileSafely(sourcePath, staging_.FilePath(name), {}, error, DurableFile::FolderSync::Later))
            return false;
        names_ << name;
        return true;
    }

    bool AddData(const QString& name, const QByteArray& data, Error* error) override {
        QString why;
        if (!WriteFileDurably(staging_.FilePath(name), data, &why)) {
            if (error)
                *error = FileError(err::kDiskFull, staging_.FilePath(name), why);
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
        SyncFolder(staging_.Path());
        if (!staging_.Place(names_, error))
            return false;
        if (progress)
            progress(1);
        return true;
    }

private:
    ExportStaging staging_;
    QStringList names_;
};

// libzip writes the archive at zip_close() in a staging folder beside the
// destination (under a temporary name of its own, renamed when complete);
// the whole archive then replaces the destination. On failure or cancel
// libzip removes its file, and zip_discard() writes nothing at all; the
// staging folder goes with the sink.
class ZipSink : public ExportSink {
public:
    explicit ZipSink(const QString& path)
        : staging_(QFileInfo(path).absolutePath()), name_(QFileInfo(path).fileName()), path_(path) {}
    bool Open(Error* error) {
        if (!staging_.IsValid()) {
            if (error)
                *error = FileError(err::kPermissionDenied, path_, staging_.ErrorString());
            return false;
        }
        int code = 0;
        archive_ = zip_open(QFile::encodeName(staging_.FilePath(name_)).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        if (archive_)
            return true;
        zip_error_t failed;
        zip_error_init_with_code(&failed, code);
        if (error)
            *error = FileError(err::kPathFileAccess, path_, QString::fromUtf8(zip_error_strerror(&failed)));
        zip_error_fini(&failed);
        return false;
    }
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
            SyncPlacedFile(staging_.FilePath(name_));
            return staging_.Place({name_}, error);
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
        // Extracted as an ordinary file of its owner, readable by others:
        // libzip would record no mode for data, which unzip takes as 0666.
        zip_file_set_external_attributes(archive_, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         static_cast<zip_uint32_t>(S_IFREG | 0644) << 16);
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

    ExportStaging staging_;  // outlives the archive, which writes into it
    QString name_;
    QString path_;
    zip_t* archive_ = nullptr;
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
    auto sink = std::make_unique<ZipSink>(destination);
    if (!sink->Open(error))
        return nullptr;
    return sink;
}

}  // namespace qlm
