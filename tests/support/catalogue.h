// Catalogue files for the tests and benchmarks: real SQLite files with the
// catalogue's table, rows written as the catalogue build writes them (the
// one place tests make a catalogue by hand), and criteria to search them.
#pragma once

#include <memory>

#include <QVariantList>
#include <QVector>

#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/search.h"

namespace qlm::test {

// A call with the codes of a line call, in or out, or of another source.
inline CallRecord Call(const QDate& date, const QTime& time, const QString& caller, const QString& dialled,
                       qint16 inorOut, qint16 telorMic, qint16 saved = 0, qint16 rate = 0,
                       const QString& comment = QStringLiteral(" ")) {
    CallRecord r;
    r.Date = date;
    r.Time = time;
    r.Duration = 60;
    r.CallerID = caller.isEmpty() ? QStringLiteral(" ") : caller;
    r.DialString = dialled.isEmpty() ? QStringLiteral(" ") : dialled;
    r.InorOut = inorOut;
    r.TelorMic = telorMic;
    r.Saved = saved;
    r.SampleRate = rate;
    r.Comment = comment;
    return r;
}

// A new catalogue file with the catalogue's own table and no rows, opened
// exclusively as the build opens it; nullptr with the error set on failure.
inline std::unique_ptr<Database> CreateCatalogue(const QString& path, Error* error) {
    auto db = Database::Create(path, QString::fromLatin1(kGeneralLocale), kEncryptOption, error);
    if (db && !db->AppendTableDef(CatalogueTableDef(), error))
        return nullptr;
    return db;
}

// Adds the call as a row through the table's record set, its date and time
// written as the build writes them.
inline bool AddCall(Recordset* rows, const CallRecord& c, Error* error) {
    const QVariantList values{DateWriteText(c.Date),
                              TimeWriteText(c.Time),
                              c.Duration,
                              c.CallerID,
                              c.DialString,
                              c.InorOut,
                              c.TelorMic,
                              c.Saved,
                              c.SampleRate,
                              c.Comment};
    const QStringList columns = CatalogueColumns();
    bool ok = rows->AddNew(error);
    for (qsizetype i = 0; ok && i < columns.size(); ++i)
        ok = rows->SetField(columns[i], values[i], error);
    return ok && rows->Update(error);
}

// One more row in an open catalogue.
inline bool AddCall(Database* db, const CallRecord& c, Error* error) {
    auto rows = db->OpenRecordset(QString::fromLatin1(kCatalogueTable), error);
    return rows && AddCall(rows.get(), c, error);
}

// Creates the file with the rows, in one transaction. Returns an empty text
// on success, else the engine's error.
inline QString WriteCatalogue(const QString& path, const QVector<CallRecord>& calls) {
    Error error;
    auto db = CreateCatalogue(path, &error);
    if (!db)
        return error.description;
    ScopedTransaction transaction(db.get(), &error);
    auto rows = db->OpenRecordset(QString::fromLatin1(kCatalogueTable), &error);
    if (!rows)
        return error.description;
    for (const CallRecord& c : calls)
        if (!AddCall(rows.get(), c, &error))
            return error.description;
    rows.reset();
    if (!transaction.Commit(&error))
        return error.description;
    db->Close();
    return QString();
}

// Search criteria for every call of the days first to last: the whole day,
// every choice "all", the criteria joined by AND.
inline SearchCriteria WholeDays(const QDate& first, const QDate& last, const SearchChoiceTexts& texts) {
    SearchCriteria c;
    c.YearF = static_cast<qint16>(first.year());
    c.MonthF = static_cast<qint16>(first.month());
    c.DayF = static_cast<qint16>(first.day());
    c.YearL = static_cast<qint16>(last.year());
    c.MonthL = static_cast<qint16>(last.month());
    c.DayL = static_cast<qint16>(last.day());
    c.HourL = 23;
    c.MinL = 59;
    c.SecL = 59;
    c.InOut = c.TelMic = c.Saved = c.SamRate = texts.All;
    c.MatchAll = true;
    return c;
}

}  // namespace qlm::test
