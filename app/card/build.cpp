#include "app/card/build.h"

#include "app/card/copy.h"
#include "app/card/progress.h"
#include "app/card/recording.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "platform/appfolder.h"

namespace qlm {
namespace {

// One row, written through the texts and names the design writes with.
bool AddCall(Recordset* rows, const RecordingInfo& info, Error* error) {
    const auto blankIfEmpty = [](const QString& text) { return text.isEmpty() ? QStringLiteral(" ") : text; };
    // Calendar values rather than the texts 2006-2-3 and 9:5:7: the same
    // stored texts without parsing them again for every row.
    const QDate date(2000 + info.Year, info.Month, info.Day);
    const QTime time(info.Hour, info.Minute, info.Second);
    return rows->AddNew(error) && rows->SetField(QStringLiteral("Date"), date, error) &&
           rows->SetField(QStringLiteral("Time"), time, error) &&
           rows->SetField(QStringLiteral("duration"), info.Duration, error) &&
           rows->SetField(QStringLiteral("CallerID"), blankIfEmpty(info.CallerID), error) &&
           rows->SetField(QStringLiteral("DialString"), blankIfEmpty(info.DialString), error) &&
           rows->SetField(QStringLiteral("InOrOut"), info.InorOut, error) &&
           rows->SetField(QStringLiteral("TelOrMic"), info.TelorMic, error) &&
           rows->SetField(QStringLiteral("Saved"), info.Saved, error) &&
           rows->SetField(QStringLiteral("SampleRate"), info.SampleRate, error) &&
           rows->SetField(QStringLiteral("Comment"), QStringLiteral(" "), error) && rows->Update(error);
}

QString MonthCode(int month) {
    return month >= 10 ? QString(QChar(u'A' + (month - 10))) : QString::number(month);
}

}  // namespace

QString NextCatalogueName(const QString& folder, const QDate& today) {
    const QString stem = MonthCode(today.month()) + QStringLiteral("%1%2")
                                                        .arg(today.day(), 2, 10, QLatin1Char('0'))
                                                        .arg(today.year() % 100, 2, 10, QLatin1Char('0'));
    qint64 serial = 0;
    // Unsorted, without QDir's records: the folder may hold tens of thousands
    // of recordings.
    const QStringList names = FileNamesIn(folder);
    for (const QString& name : names) {
        // stem + "*.mdb", letter case counting.
        if (name.size() < 9 || !name.startsWith(stem, Qt::CaseSensitive) || !name.endsWith(u".mdb", Qt::CaseSensitive))
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
    const QStringList files = RecordingFilesIn(folder, &error);
    if (error.IsSet())
        return result;
    state.CatalogueDatabase = Database::Create(path, QString::fromLatin1(kGeneralLocale), kEncryptOption, &error);
    // Our own hold: a hook's events may close the catalogue while we work.
    const std::shared_ptr<Database> db = state.CatalogueDatabase;
    if (!db)
        return result;
    result.path = path;
    if (!db->AppendTableDef(CatalogueTableDef(), &error) || !db->Execute(QString::fromLatin1(kCreateDateIndex), &error))
        return result;

    {
        // One transaction for the whole folder; rows stored before a failure
        // are kept (committed), as the design keeps them.
        ScopedTransaction transaction(db.get(), &error);
        auto rows = transaction.Active() ? db->OpenRecordset(QString::fromLatin1(kCatalogueTable), &error) : nullptr;
        if (!rows)
            return result;
        for (const QString& name : files) {
            const QString file = JoinPath(folder, name);
            // The texts only when someone shows them: a folder of thousands
            // of recordings would spend more on them than on the rows.
            if (hooks.status)
                status(2, LibStr(71) + u' ' + name + u' ' + LibStr(72));
            Error unreadable;
            const RecordingInfo info = ReadRecordingHeader(file, &unreadable);
            if (unreadable.IsSet()) {
                ++result.skipped;
                if (hooks.unreadable)
                    hooks.unreadable(file, unreadable);
                pacer.Now();
                continue;
            }
            if (hooks.status)
                status(2, LibStr(73) + u' ' + name + u' ' + LibStr(72));
            if (!AddCall(rows.get(), info, &error))
                break;
            ++result.rows;
            if (hooks.status)
                status(2, LibStr(74));
            pacer.Tick();
        }
        rows.reset();
        Error commitError;
        if (!transaction.Commit(&commitError) && !error.IsSet())
            error = commitError;
        if (error.IsSet())
            return result;
    }

    if (state.CatalogueDatabase != db) {
        error = Error{dberr::kObjectClosed, LibStr(162)};
        return result;
    }
    state.CataloguePath = path;
    state.RecordingsFolder = folder;
    if (model) {
        result.listed = std::max(ListCatalogueStatement(db.get(), QString::fromLatin1(kSelectAllCalls), model, &error), 0);
    }
    return result;
}

}  // namespace qlm
