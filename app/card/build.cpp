#include "app/card/build.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include <QFile>

#include "app/card/carryforward.h"
#include "app/card/copy.h"
#include "app/card/imports.h"
#include "app/card/progress.h"
#include "app/card/recording.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "platform/appfolder.h"
#include "platform/filename.h"

namespace qlm {
namespace {

// The table's columns are the list's columns from the date on.
constexpr int Column(ListColumn column) { return column - kColDate; }

char* PutTwoDigits(char* out, int value) {
    out[0] = char('0' + value / 10 % 10);
    out[1] = char('0' + value % 10);
    return out + 2;
}

// A number's stored text, a blank for none. The header's numbers are a few
// ASCII digits: copied into place here rather than converted into a new
// buffer for every file.
class StoredNumber {
public:
    explicit StoredNumber(const QString& number) {
        if (number.isEmpty()) {
            text_ = " ";
            return;
        }
        if (number.size() <= qsizetype(sizeof ascii_)) {
            qsizetype i = 0;
            for (; i < number.size() && number[i].unicode() < 0x80; ++i)
                ascii_[i] = char(number[i].unicode());
            if (i == number.size()) {
                text_ = std::string_view(ascii_, size_t(i));
                return;
            }
        }
        utf8_ = number.toUtf8();
        text_ = std::string_view(utf8_.constData(), size_t(utf8_.size()));
    }
    StoredNumber(const StoredNumber&) = delete;
    StoredNumber& operator=(const StoredNumber&) = delete;
    std::string_view Text() const { return text_; }

private:
    char ascii_[32];
    QByteArray utf8_;
    std::string_view text_;
};

// One row, bound straight from the header's values: the same stored texts as
// the record set writes ('YYYY-MM-DD', 'HH:MM:SS', a blank for an empty
// number and for the comment) without a QVariant or a column name per field.
bool AddCall(RowInserter* add, const RecordingInfo& info, Error* error) {
    char date[10];
    PutTwoDigits(PutTwoDigits(date, 20 + info.Year / 100), info.Year % 100);
    date[4] = date[7] = '-';
    PutTwoDigits(date + 5, info.Month);
    PutTwoDigits(date + 8, info.Day);
    char time[8];
    PutTwoDigits(time, info.Hour);
    time[2] = time[5] = ':';
    PutTwoDigits(time + 3, info.Minute);
    PutTwoDigits(time + 6, info.Second);
    const StoredNumber callerId(info.CallerID), dialString(info.DialString);
    add->BindText(Column(kColDate), std::string_view(date, sizeof date));
    add->BindText(Column(kColTime), std::string_view(time, sizeof time));
    add->BindInt(Column(kColDuration), info.Duration);
    add->BindText(Column(kColCallerID), callerId.Text());
    add->BindText(Column(kColDialString), dialString.Text());
    add->BindInt(Column(kColInOut), info.InorOut);
    add->BindInt(Column(kColTelMic), info.TelorMic);
    add->BindInt(Column(kColSaved), info.Saved);
    add->BindInt(Column(kColSampleRate), info.SampleRate);
    add->BindText(Column(kColComment), " ");
    return add->Insert(error);
}

QStringList RecordingColumns() {
    return {QStringLiteral("call"), QStringLiteral("file"), QStringLiteral("size"), QStringLiteral("sha256"),
            QStringLiteral("imported")};
}

// The call's recording beside its row: its exact file name, and what the
// copy learnt of it when it came off a card.
bool AddRecording(RowInserter* add, qint64 call, const std::string& file, const QHash<QString, ImportedFile>& imports,
                  Error* error) {
    add->BindInt(0, call);
    add->BindText(1, file);
    QByteArray imported;
    const auto known = imports.constFind(QString::fromLatin1(file.data(), qsizetype(file.size())));
    if (known != imports.cend()) {
        imported = known->imported.toLatin1();
        add->BindInt(2, known->size);
        add->BindText(3, std::string_view(known->sha256.constData(), size_t(known->sha256.size())));
        add->BindText(4, std::string_view(imported.constData(), size_t(imported.size())));
    }
    return add->Insert(error);
}

// Room for every page the build writes (a row is under 100 bytes, its index
// entry under 40), so that none is written out, and the journal synced for
// it, before the commit; the size before comes back afterwards.
class BuildCache {
public:
    BuildCache(Database* db, size_t files) : db_(db), before_(db->CacheSize()) {
        constexpr qint64 kBytesPerFile = 256, kMinKiB = 2048, kMaxKiB = 256 * 1024;
        db_->SetCacheSize(-int(std::clamp(qint64(files) * kBytesPerFile / 1024, kMinKiB, kMaxKiB)));
    }
    ~BuildCache() { db_->SetCacheSize(before_); }
    BuildCache(const BuildCache&) = delete;
    BuildCache& operator=(const BuildCache&) = delete;

private:
    Database* db_;
    int before_;
};

QString MonthCode(int month) { return month >= 10 ? QString(QChar(u'A' + (month - 10))) : QString::number(month); }

// The next name among the folder's names ending in .mdb.
QString NextCatalogueNameAmong(const QStringList& names, const QDate& today) {
    const QString stem = MonthCode(today.month()) + QStringLiteral("%1%2")
                                                        .arg(today.day(), 2, 10, QLatin1Char('0'))
                                                        .arg(today.year() % 100, 2, 10, QLatin1Char('0'));
    qint64 serial = 0;
    for (const QString& name : names) {
        // stem + "*.mdb", letter case counting.
        if (name.size() < 9 || !name.startsWith(stem, Qt::CaseSensitive))
            continue;
        const QString middle = name.mid(5, name.size() - 9).trimmed();
        qsizetype digits = 0;
        while (digits < middle.size() && digits < 15 && middle[digits].isDigit() && middle[digits].unicode() < 128)
            ++digits;
        serial = std::max(serial, middle.left(digits).toLongLong());
    }
    return stem + QString::number(serial + 1) + QStringLiteral(".mdb");
}

}  // namespace

QString NextCatalogueName(const QString& folder, const QDate& today) {
    // Unsorted, without QDir's records, only the names ending in .mdb: the
    // folder may hold tens of thousands of recordings.
    return NextCatalogueNameAmong(FileNamesIn(folder, QLatin1String(".mdb")), today);
}

BuildResult BuildCatalogueIn(const QString& folder, CallListModel* model, const BuildHooks& hooks) {
    BuildResult result;
    RepaintPacer pacer(hooks.repaint);
    const auto status = [&](int panel, const QString& text) {
        if (hooks.status)
            hooks.status(panel, text);
    };
    Error& error = result.error;
    // One listing gives both the recordings and today's catalogues.
    QStringList catalogues;
    const std::vector<std::string> files =
        RecordingFileNamesIn(folder, &error, &catalogues, QLatin1String(".mdb"), &result.notRegular);
    if (error.IsSet())
        return result;
    const QString path = JoinPath(folder, NextCatalogueNameAmong(catalogues, QDate::currentDate()));
    result.database = Database::Create(path, QString::fromLatin1(kGeneralLocale), kEncryptOption, &error);
    // Our own hold: a hook's events may close or replace the window's
    // catalogue while we work, never this one.
    const std::shared_ptr<Database> db = result.database;
    if (!db)
        return result;
    result.path = path;
    if (!db->AppendTableDef(CatalogueTableDef(), &error) ||
        !db->Execute(QString::fromLatin1(kCreateRecordingTable), &error))
        return result;
    // What the copies into this folder learnt of each recording.
    const QHash<QString, ImportedFile> imports = ReadImports(folder);

    {
        const BuildCache cache(db.get(), files.size());
        // One transaction for the whole folder; rows stored before a failure
        // are kept (committed), as the design keeps them.
        ScopedTransaction transaction(db.get(), &error);
        auto rows = transaction.Active()
                        ? db->PrepareInsert(QString::fromLatin1(kCatalogueTable), CatalogueColumns(), &error)
                        : nullptr;
        auto recordings =
            rows ? db->PrepareInsert(QString::fromLatin1(kRecordingTable), RecordingColumns(), &error) : nullptr;
        if (!recordings)
            return result;
        QHash<QString, qint64> callsByFile;
        // Each path put together in the file system's bytes, in one buffer:
        // no text conversion per file.
        QByteArray file = EncodeName(folder);
        if (!file.endsWith('/'))
            file += '/';
        const qsizetype folderBytes = file.size();
        for (const std::string& bytes : files) {
            file.resize(folderBytes);
            file.append(bytes.data(), qsizetype(bytes.size()));
            // The texts only when someone shows them: a folder of thousands
            // of recordings would spend more on them than on the rows.
            const QString name = hooks.status ? QString::fromLatin1(bytes.data(), qsizetype(bytes.size())) : QString();
            if (hooks.status)
                status(2, LibStr(str::Reading) + u' ' + name + u' ' + LibStr(str::Ellipsis));
            Error unreadable;
            const RecordingInfo info = ReadRecordingHeader(file, &unreadable);
            if (unreadable.IsSet()) {
                ++result.skipped;
                if (hooks.unreadable)
                    hooks.unreadable(JoinPath(folder, QString::fromLatin1(bytes.data(), qsizetype(bytes.size()))),
                                     unreadable);
                pacer.Now();
                continue;
            }
            if (hooks.status)
                status(2, LibStr(str::Adding) + u' ' + name + u' ' + LibStr(str::Ellipsis));
            if (!AddCall(rows.get(), info, &error) ||
                !AddRecording(recordings.get(), rows->LastRowId(), bytes, imports, &error))
                break;
            callsByFile.insert(QString::fromLatin1(bytes.data(), qsizetype(bytes.size())), rows->LastRowId());
            ++result.rows;
            if (hooks.status)
                status(2, LibStr(str::ListingCalls));
            pacer.Tick();
        }
        rows.reset();
        recordings.reset();
        // What earlier catalogues of the folder hold about these calls; one
        // that cannot be read is named, and the build goes on.
        if (!error.IsSet())
            CarryForward(db.get(), folder, catalogues, callsByFile, &result.carried, &error);
        // The index made once over all rows (one sort) rather than kept up
        // row by row; in the same transaction, so the rows never go without it.
        Error indexError;
        if (!db->Execute(QString::fromLatin1(kCreateDateIndex), &indexError) && !error.IsSet())
            error = indexError;
        Error commitError;
        if (!transaction.Commit(&commitError) && !error.IsSet())
            error = commitError;
        if (error.IsSet())
            return result;
    }

    if (model) {
        result.listed =
            std::max(ListCatalogueStatement(db.get(), QString::fromLatin1(kSelectAllCalls), model, &error), 0);
    }
    return result;
}

}  // namespace qlm
