// Figures for the catalogue: building from a folder of 20,000 recordings,
// copying them, and opening and listing a catalogue of 100,000 calls into the
// list model. Prints rows (files) per second; nothing is asserted.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "app/card/build.h"
#include "app/card/copy.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "tests/support/cardfiles.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

void Report(const char* what, int count, qint64 ms) {
    std::printf("%-44s %7d in %6lld ms  %9.0f per second\n", what, count, static_cast<long long>(ms),
                ms > 0 ? count * 1000.0 / double(ms) : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    test::AppFolder folder;
    QTemporaryDir dir;
    const QString card = dir.filePath(QStringLiteral("card"));

    constexpr int kRecordings = 20000;
    test::WriteBenchCard(card, kRecordings, 12 * 1024, nullptr);

    QElapsedTimer timer;
    timer.start();
    const BuildResult built = BuildCatalogueIn(card, nullptr, {});
    Report("build from a folder of recordings", built.rows, timer.elapsed());
    built.database->Close();

    QDir().mkpath(dir.filePath(QStringLiteral("pc")));
    timer.restart();
    const CopyResult copied = CopyRecordings(card, dir.filePath(QStringLiteral("pc")), {});
    Report("copy recordings (12 KB each)", copied.copied, timer.elapsed());

    // A catalogue of 100,000 calls, written the way the build writes.
    constexpr int kRows = 100000;
    const QString big = dir.filePath(QStringLiteral("big.mdb"));
    {
        Error error;
        auto db = Database::Create(big, QString::fromLatin1(kGeneralLocale), kEncryptOption, &error);
        db->AppendTableDef(CatalogueTableDef(), &error);
        timer.restart();
        const QDateTime start(QDate(2024, 1, 1), QTime(8, 0, 0));
        ScopedTransaction transaction(db.get(), &error);
        auto rs = db->OpenRecordset(QStringLiteral("qlm"), &error);
        for (int i = 0; i < kRows; ++i) {
            const QDateTime at = start.addSecs(61LL * i);
            rs->AddNew(&error);
            rs->SetField(QStringLiteral("Date"), DateWriteText(at.date()), &error);
            rs->SetField(QStringLiteral("Time"), TimeWriteText(at.time()), &error);
            rs->SetField(QStringLiteral("Duration"), i % 900, &error);
            rs->SetField(QStringLiteral("CallerID"), QString::number(5550000 + i), &error);
            rs->SetField(QStringLiteral("DialString"), QStringLiteral(" "), &error);
            rs->SetField(QStringLiteral("InorOut"), 0, &error);
            rs->SetField(QStringLiteral("TelorMic"), i % 3, &error);
            rs->SetField(QStringLiteral("Saved"), i % 2, &error);
            rs->SetField(QStringLiteral("SampleRate"), i % 3, &error);
            rs->SetField(QStringLiteral("Comment"), QStringLiteral("call %1").arg(i), &error);
            rs->Update(&error);
        }
        rs.reset();
        transaction.Commit(&error);
        Report("add rows through the engine", kRows, timer.elapsed());
    }

    CallListModel model;
    Error error;
    timer.restart();
    const OpenedCatalogue opened = OpenCatalogueFile(big, &model, &error);
    Report("open and list into the model", opened.listed, timer.elapsed());

    timer.restart();
    qint64 chars = 0;
    for (int row = 0; row < model.rowCount(); ++row)
        for (int col = 1; col < kListColumnCount; ++col)
            chars += model.data(model.index(row, col)).toString().size();
    Report("format every cell of the model", model.rowCount(), timer.elapsed());

    timer.restart();
    auto rows = opened.database->OpenRecordset(
        QStringLiteral("SELECT * FROM qlm WHERE Date BETWEEN #1/1/2024# AND #5/17/2024# AND CallerID LIKE '*12*'"),
        &error);
    int found = 0;
    for (; rows && !rows->AtEnd(); rows->MoveNext())
        ++found;
    Report("search with # literals and LIKE (rows scanned)", kRows, timer.elapsed());
    std::printf("(%d rows found, %lld characters formatted)\n", found, static_cast<long long>(chars));
    rows.reset();
    return 0;
}
