#include "app/card/build.h"

#include <string>
#include <string_view>
#include <vector>

#include <QFile>

#include "app/card/copy.h"
#include "app/card/progress.h"
#include "app/card/recording.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "platform/appfolder.h"

namespace qlm {
namespace {

// The table's columns are the list's columns from the date on.
constexpr int Column(ListColumn column) { return column - kColDate; }

char* PutTwoDigits(char* out, int value) {
    out[0] = char('0' + value / 10 % 10);
    out[1] = char('0' + value % 10);
    return out + 2;
}

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
    const QByteArray callerId = info.CallerID.toUtf8(), dialString = info.DialString.toUtf8();
    const auto textOrBlank = [](const QByteArray& text) {
        return text.isEmpty() ? std::string_view(" ") : std::string_view(text.constData(), size_t(text.size()));
    };
    add->BindText(Column(kColDate), std::string_view(date, sizeof date));
    add->BindText(Column(kColTime), std::string_view(time, sizeof time));
    add->BindInt(Column(kColDuration), info.Duration);
    add->BindText(Column(kColCallerID), textOrBlank(callerId));
    add->BindText(Column(kColDialString), textOrBlank(dialString));
    add->BindInt(Column(kColInOut), info.InorOut);
    add->BindInt(Column(kColTelMic), info.TelorMic);
    add->BindInt(Column(kColSaved), info.Saved);
    add->BindInt(Column(kColSampleRate), info.SampleRate);
    add->BindText(Column(kColComment), " ");
    return add->Insert(error);
}

QString MonthCode(int month) { return month >= 10 ? QString(QChar(u'A' + (month - 10))) : QString::number(month); }

}  // namespace

QString NextCatalogueName(const QString& folder, const QDate& today) {
    const QString stem = MonthCode(today.month()) + QStringLiteral("%1%2")
                                                        .arg(today.day(), 2, 10, QLatin1Char('0'))
                                                        .arg(today.year() % 100, 2, 10, QLatin1Char('0'));
    qint64 serial = 0;
    // Unsorted, without QDir's records, only the names ending in .mdb: the
    // folder may hold tens of thousands of recordings.
    const QStringList names = FileNamesIn(folder, QLatin1String(".mdb"));
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

BuildResult BuildCatalogueIn(const QString& folder, CallListModel* model, const BuildHooks& hooks) {
    BuildResult result;
    RepaintPacer pacer(hooks.repaint);
    const auto status = [&](int panel, const QString& text) {
        if (hooks.status)
            hooks.status(panel, text);
    };
    PrjPublicState& state = PrjPublicM();
    const QString path = JoinPath(folder, NextCatalogueName(folder));
    state.CloseCatalogue();

    Error& error = result.error;
    const std::vector<std::string> files = RecordingFileNamesIn(folder, &error);
    if (error.IsSet())
        return result;
    state.CatalogueDatabase = Database::Create(path, QString::fromLatin1(kGeneralLocale), kEncryptOption, &error);
    // Our own hold: a hook's events may close the catalogue while we work.
    const std::shared_ptr<Database> db = state.CatalogueDatabase;
    if (!db)
        return result;
    result.path = path;
    if (!db->AppendTableDef(CatalogueTableDef(), &error))
        return result;

    {
        // One transaction for the whole folder; rows stored before a failure
        // are kept (committed), as the design keeps them.
        ScopedTransaction transaction(db.get(), &error);
        auto rows = transaction.Active()
                        ? db->PrepareInsert(QString::fromLatin1(kCatalogueTable), CatalogueColumns(), &error)
                        : nullptr;
        if (!rows)
            return result;
        // Each path put together in the file system's bytes, in one buffer:
        // no text conversion per file.
        QByteArray file = QFile::encodeName(folder);
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
            if (!AddCall(rows.get(), info, &error))
                break;
            ++result.rows;
            if (hooks.status)
                status(2, LibStr(str::ListingCalls));
            pacer.Tick();
        }
        rows.reset();
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

    if (state.CatalogueDatabase != db) {
        error = Error{dberr::kObjectClosed, LibStr(str::CatalogueClosedWhileBuilding)};
        return result;
    }
    state.CataloguePath = path;
    state.RecordingsFolder = folder;
    if (model) {
        result.listed =
            std::max(ListCatalogueStatement(db.get(), QString::fromLatin1(kSelectAllCalls), model, &error), 0);
    }
    return result;
}

}  // namespace qlm
