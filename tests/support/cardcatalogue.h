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
#include "app/catalogue/store.h"
#include "app/prjpublic.h"
#include "platform/appfolder.h"
#include "tests/support/catalogue.h"
#include "tests/support/testsupport.h"
#include "tools/recsim.h"

namespace qlm::test {

// Five calls; the first three one minute apart on 7 March 2024.
inline QVector<QDateTime> FixtureCallTimes() {
    return {QDateTime(QDate(2024, 3, 7), QTime(9, 5, 0)), QDateTime(QDate(2024, 3, 7), QTime(9, 6, 0)),
            QDateTime(QDate(2024, 3, 7), QTime(9, 7, 0)), QDateTime(QDate(2024, 3, 8), QTime(10, 0, 0)),
            QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59))};
}

// The date and time of a call as the list shows them and qlmtool takes them.
inline QString DateText(const QDateTime& at) { return at.date().toString(QStringLiteral("MM/dd/yyyy")); }
inline QString TimeText(const QDateTime& at) { return at.time().toString(QStringLiteral("hh:mm:ss")); }

struct CardCatalogue {
    AppFolder app;
    QString folder;                      // the card folder, the catalogue in it
    QString catalogue;                   // its path
    CallListModel model;                 // all its calls, listed
    std::shared_ptr<Database> database;  // the catalogue, open

    // The catalogue is also the program's open one, as after Make DB.
    explicit CardCatalogue(const QString& cardFolder) : folder(cardFolder) {
        int n = 0;
        for (const QDateTime& at : FixtureCallTimes())
            sim::WriteRecording(folder, {at, QString::number(5550100 + n++), flag::kLine, sim::FillerPayload(2200)});
        const BuildResult built = BuildCatalogueIn(folder, &model, {});
        catalogue = built.path;
        database = built.database;
        PrjPublicM().CatalogueDatabase = built.database;
        PrjPublicM().CataloguePath = built.path;
        PrjPublicM().RecordingsFolder = folder;
    }

    Database* db() const { return database.get(); }
    // Closes the catalogue and opens it again from its file into *into;
    // the rows listed, or -1.
    int Reopen(CallListModel* into) {
        database->Close();
        Error error;
        const OpenedCatalogue opened = OpenCatalogueFile(catalogue, into, &error);
        PrjPublicM().CatalogueDatabase = database = opened.database;
        return opened.listed;
    }
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
    CallRecord c = Call(at.date(), at.time(), QString(), QString(), 2, 1);
    c.Duration = 3;
    Error error;
    AddCall(db, c, &error);
}

}  // namespace qlm::test
