// Search speed on a 100,000-call catalogue: a month's date range, an office
// hours time window and a number pattern with "*", run as the window runs it
// (statement, record set, lines into the list model). Prints the time per
// search and the catalogue rows searched per second, without and with an
// index on Date (the index must not change the result).
#include <chrono>
#include <cstdio>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/search.h"
#include "app/catalogue/store.h"
#include "tests/support/catalogue.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

constexpr int kCalls = 100000;
constexpr int kRuns = 20;

QVector<CallRecord> MakeCalls() {
    QVector<CallRecord> calls;
    calls.reserve(kCalls);
    // About 55 calls a day over five years, at every hour of the day.
    const QDateTime start(QDate(2019, 1, 1), QTime(0, 0, 0));
    for (int i = 0; i < kCalls; ++i) {
        const QDateTime at = start.addSecs(qint64(i) * 1571);
        const bool out = i % 3 == 0;
        const QString number = QStringLiteral("%1%2")
                                   .arg(i % 7 == 0 ? QStringLiteral("0800") : QStringLiteral("555"))
                                   .arg(i % 100000, 6, 10, QLatin1Char('0'));
        calls << test::Call(at.date(), at.time(), out ? QString() : number, out ? number : QString(), out ? 1 : 0, 0,
                            qint16(i % 2), qint16(i % 3));
    }
    return calls;
}

SearchCriteria Criteria(const SearchChoiceTexts& t) {
    SearchCriteria c;
    c.YearF = 2022;
    c.MonthF = 3;
    c.DayF = 1;
    c.YearL = 2022;
    c.MonthL = 3;
    c.DayL = 31;
    c.HourF = 9;
    c.HourL = 17;
    c.MinL = 30;
    c.CallerID = QStringLiteral("555*");
    c.DialStr = QStringLiteral("0800*");
    c.InOut = c.TelMic = c.Saved = c.SamRate = t.All;
    c.MatchAll = true;
    return c;
}

// Runs the search kRuns times; returns the lines of the last run.
int Measure(Database* db, const QString& statement, const char* label) {
    CallListModel model;
    int lines = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (int run = 0; run < kRuns; ++run) {
        Error error;
        auto rows = db->OpenRecordset(statement, &error);
        if (!rows) {
            std::fprintf(stderr, "search failed: %s\n", qPrintable(error.description));
            return -1;
        }
        model.Clear();
        lines = ListCatalogueRows(rows.get(), &model, &error);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const double perSearch = seconds / kRuns;
    std::printf("%-22s %8.2f ms per search  %10.0f catalogue rows/s  %6d lines found\n", label, perSearch * 1000,
                kCalls / perSearch, lines);
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    test::AppFolder folder;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("C22031.mdb"));
    const auto begin = std::chrono::steady_clock::now();
    const QString failed = test::WriteCatalogue(path, MakeCalls());
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "cannot write the catalogue: %s\n", qPrintable(failed));
        return 1;
    }
    std::printf("catalogue of %d calls written in %.2f s\n", kCalls,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());

    Error error;
    auto db = Database::Open(path, true, &error);
    if (!db) {
        std::fprintf(stderr, "cannot open: %s\n", qPrintable(error.description));
        return 1;
    }
    const SearchChoiceTexts texts = SearchChoiceTexts::FromLibrary();
    const QString statement = BuildSearchStatement(Criteria(texts), texts);
    std::printf("%s\n", qPrintable(statement));
    const int plain = Measure(db.get(), statement, "no index");

    SearchCriteria all = Criteria(texts);
    all.YearF = 2003;
    all.YearL = 2030;
    all.CallerID.clear();
    all.DialStr.clear();
    all.HourF = 0;
    all.HourL = 23;
    all.MinL = 59;
    all.SecL = 59;
    Measure(db.get(), BuildSearchStatement(all, texts), "no index, every call");

    if (!db->Execute(QStringLiteral("CREATE INDEX qlm_date ON qlm (Date)"), &error)) {
        std::fprintf(stderr, "cannot index: %s\n", qPrintable(error.description));
        return 1;
    }
    const int indexed = Measure(db.get(), statement, "index on Date");
    if (indexed != plain)
        std::printf("the index changed the result: %d against %d lines\n", indexed, plain);
    return 0;
}
