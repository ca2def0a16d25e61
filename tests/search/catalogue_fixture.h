// Catalogue files for the search tests and benchmark: real SQLite files
// with table qlm, rows written as the catalogue build writes them.
#pragma once

#include <QVector>

#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"

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

// Creates the file with the rows, in one transaction. Returns an empty text
// on success, else the engine's error.
inline QString WriteCatalogue(const QString& path, const QVector<CallRecord>& calls) {
    Error error;
    auto db = Database::Create(path, QString::fromLatin1(kGeneralLocale), kEncryptOption, &error);
    if (!db)
        return error.description;
    if (!db->AppendTableDef(CatalogueTableDef(), &error))
        return error.description;
    ScopedTransaction transaction(db.get(), &error);
    auto rows = db->OpenRecordset(QStringLiteral("qlm"), &error);
    if (!rows)
        return error.description;
    for (const CallRecord& c : calls) {
        bool ok = rows->AddNew(&error);
        ok = ok && rows->SetField(QStringLiteral("Date"), DateWriteText(c.Date), &error);
        ok = ok && rows->SetField(QStringLiteral("Time"), TimeWriteText(c.Time), &error);
        ok = ok && rows->SetField(QStringLiteral("Duration"), c.Duration, &error);
        ok = ok && rows->SetField(QStringLiteral("CallerID"), c.CallerID, &error);
        ok = ok && rows->SetField(QStringLiteral("DialString"), c.DialString, &error);
        ok = ok && rows->SetField(QStringLiteral("InorOut"), c.InorOut, &error);
        ok = ok && rows->SetField(QStringLiteral("TelorMic"), c.TelorMic, &error);
        ok = ok && rows->SetField(QStringLiteral("Saved"), c.Saved, &error);
        ok = ok && rows->SetField(QStringLiteral("SampleRate"), c.SampleRate, &error);
        ok = ok && rows->SetField(QStringLiteral("Comment"), c.Comment, &error);
        ok = ok && rows->Update(&error);
        if (!ok)
            return error.description;
    }
    rows.reset();
    if (!transaction.Commit(&error))
        return error.description;
    db->Close();
    return QString();
}

}  // namespace qlm::test
