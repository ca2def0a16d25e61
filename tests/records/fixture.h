// A card folder of real recorder files and the catalogue built from it, as
// the program builds it, for the comment and deletion tests.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QVector>

#include "app/card/build.h"
#include "app/card/recording.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/prjpublic.h"
#include "platform/appfolder.h"
#include "tests/support/testsupport.h"
#include "tools/recsim.h"

namespace qlm::test {

// Five calls; the first three one minute apart on 7 March 2024.
inline QVector<QDateTime> FixtureCallTimes() {
    return {QDateTime(QDate(2024, 3, 7), QTime(9, 5, 0)), QDateTime(QDate(2024, 3, 7), QTime(9, 6, 0)),
            QDateTime(QDate(2024, 3, 7), QTime(9, 7, 0)), QDateTime(QDate(2024, 3, 8), QTime(10, 0, 0)),
            QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59))};
}

struct CardCatalogue {
    AppFolder app;
    QString folder;       // the card folder, the catalogue in it
    QString catalogue;    // its path
    CallListModel model;  // all its calls, listed

    explicit CardCatalogue(const QString& cardFolder) : folder(cardFolder) {
        PrjPublicM().Reset();
        int n = 0;
        for (const QDateTime& at : FixtureCallTimes())
            sim::WriteRecording(folder, {at, QString::number(5550100 + n++), flag::kLine, sim::FillerPayload(2200)});
        const BuildResult built = BuildCatalogueIn(folder, &model, {});
        catalogue = built.path;
        PrjPublicM().CatalogueDatabase = built.database;
        PrjPublicM().CataloguePath = built.path;
        PrjPublicM().RecordingsFolder = folder;
    }
    ~CardCatalogue() { PrjPublicM().Reset(); }

    Database* db() const { return PrjPublicM().CatalogueDatabase.get(); }
    QString FileOf(const QDateTime& at) const { return JoinPath(folder, RecordingNameFor(at.date(), at.time())); }
    int RowOf(const QDateTime& at) const {
        for (int r = 0; r < model.rowCount(); ++r)
            if (model.Record(r).Date == at.date() && model.Record(r).Time == at.time())
                return r;
        return -1;
    }
};

// Comments of the rows at that moment, read from the file as it stands.
inline QStringList CommentsAt(Database* db, const QDateTime& at) {
    QStringList out;
    Error error;
    auto rows = db->OpenRecordset(QStringLiteral("SELECT * FROM qlm"), &error);
    for (; rows && !rows->AtEnd(); rows->MoveNext())
        if (rows->Field(QStringLiteral("Date")).toDate() == at.date() &&
            rows->Field(QStringLiteral("Time")).toTime() == at.time())
            out << rows->Field(QStringLiteral("Comment")).toString();
    return out;
}

inline int RowCount(Database* db) {
    Error error;
    int n = 0;
    auto rows = db->OpenRecordset(QStringLiteral("SELECT * FROM qlm"), &error);
    for (; rows && !rows->AtEnd(); rows->MoveNext())
        ++n;
    return n;
}

// A second row for the call at that moment, as a rebuilt card might leave.
inline void AddDuplicateRow(Database* db, const QDateTime& at) {
    Error error;
    auto rs = db->OpenRecordset(QStringLiteral("qlm"), &error);
    rs->AddNew(&error);
    rs->SetField(QStringLiteral("Date"), DateWriteText(at.date()), &error);
    rs->SetField(QStringLiteral("Time"), TimeWriteText(at.time()), &error);
    rs->SetField(QStringLiteral("Duration"), 3, &error);
    rs->SetField(QStringLiteral("CallerID"), QStringLiteral(" "), &error);
    rs->SetField(QStringLiteral("DialString"), QStringLiteral(" "), &error);
    rs->SetField(QStringLiteral("InorOut"), 2, &error);
    rs->SetField(QStringLiteral("TelorMic"), 1, &error);
    rs->SetField(QStringLiteral("Saved"), 0, &error);
    rs->SetField(QStringLiteral("SampleRate"), 0, &error);
    rs->SetField(QStringLiteral("Comment"), QStringLiteral(" "), &error);
    rs->Update(&error);
}

}  // namespace qlm::test
