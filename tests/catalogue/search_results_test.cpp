// What the statements find on a real catalogue file: date range and time
// window with both ends included, = against LIKE, the AND/OR joining, the
// direction rules, quotes in typed texts and invalid dates.
#include <gtest/gtest.h>

#include <algorithm>

#include <QTemporaryDir>

#include "app/catalogue/engine.h"
#include "app/catalogue/search.h"
#include "app/catalogue/store.h"
#include "tests/support/catalogue.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

class Results : public ::testing::Test {
protected:
    void SetUp() override {
        texts = SearchChoiceTexts::FromLibrary();
        // Each call is known by its duration.
        const auto at = [](int d, int h, int m, int s) { return std::pair(QDate(2024, 3, d), QTime(h, m, s)); };
        const struct {
            std::pair<QDate, QTime> when;
            const char* caller;
            const char* dialled;
            qint16 inorOut, telorMic, saved;
            const char* comment;
        } rows[] = {
            {at(6, 23, 59, 59), "5551234", "", 0, 0, 1, ""},         // 1
            {at(7, 0, 0, 0), "555", "", 0, 0, 0, "urgent"},          // 2
            {at(7, 8, 59, 59), "", "0800123", 1, 0, 1, "O'Brien"},   // 3
            {at(7, 9, 0, 0), "", "0800999", 1, 0, 0, "#2024-1-1#"},  // 4
            {at(8, 12, 0, 0), "12?4", "", 0, 0, 1, "URGENT"},        // 5
            {at(8, 17, 0, 0), "1234", "", 0, 0, 0, ""},              // 6
            {at(8, 17, 0, 1), "", "", 2, 1, 1, "memo"},              // 7
            {at(9, 9, 30, 0), "", "0800", 2, 2, 0, "vox"},           // 8
            {at(9, 23, 59, 59), "0a", "", 0, 0, 1, ""},              // 9
            {at(10, 0, 0, 0), "5559", "", 0, 0, 0, ""},              // 10
        };
        QVector<CallRecord> calls;
        int id = 0;
        for (const auto& r : rows) {
            CallRecord c = test::Call(r.when.first, r.when.second, QString::fromLatin1(r.caller),
                                      QString::fromLatin1(r.dialled), r.inorOut, r.telorMic, r.saved, 0,
                                      *r.comment ? QString::fromLatin1(r.comment) : QStringLiteral(" "));
            c.Duration = ++id;
            calls << c;
        }
        path = dir.filePath("C24031.mdb");
        ASSERT_EQ(test::WriteCatalogue(path, calls), "");
        Error error;
        db = Database::Open(path, true, &error);
        ASSERT_TRUE(db) << error.description.toStdString();
    }

    // All of March 2024 (and the 10th), the whole day, every choice "all".
    SearchCriteria Criteria() const { return test::WholeDays(QDate(2024, 3, 1), QDate(2024, 3, 31), texts); }

    // The found calls' numbers in the engine's order; error text on failure.
    std::vector<int> Find(const SearchCriteria& c, Error* failure = nullptr) {
        Error error;
        std::vector<int> found;
        auto rows = db->OpenRecordset(BuildSearchStatement(c, texts), &error);
        if (!rows) {
            if (failure)
                *failure = error;
            else
                ADD_FAILURE() << error.description.toStdString();
            return found;
        }
        for (; !rows->AtEnd(); rows->MoveNext())
            found.push_back(ReadCallRecord(*rows).Duration);
        return found;
    }

    test::AppFolder app;
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Database> db;
    SearchChoiceTexts texts;
};

using V = std::vector<int>;

}  // namespace

TEST_F(Results, DateRangeIncludesBothEndDays) {
    SearchCriteria c = Criteria();
    EXPECT_EQ(Find(c), V({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    c.DayF = 7;
    c.DayL = 9;
    EXPECT_EQ(Find(c), V({2, 3, 4, 5, 6, 7, 8, 9}));
    c.DayF = 9;  // first after last: written as chosen, finds nothing
    c.DayL = 7;
    EXPECT_EQ(Find(c), V());
}

TEST_F(Results, TimeWindowAppliesToEveryDayWithBothEnds) {
    SearchCriteria c = Criteria();
    c.HourF = 9;
    c.HourL = 17;
    c.MinL = 0;
    c.SecL = 0;
    EXPECT_EQ(Find(c), V({4, 5, 6, 8}));
    c.HourF = 23;
    c.MinF = 59;
    c.SecF = 59;
    c.HourL = 23;
    c.MinL = 59;
    c.SecL = 59;
    EXPECT_EQ(Find(c), V({1, 9}));
}

TEST_F(Results, StarChoosesLikeAndOnlyThenPatterns) {
    SearchCriteria c = Criteria();
    c.CallerID = "555*";
    EXPECT_EQ(Find(c), V({1, 2, 10}));
    c.CallerID = "555";
    EXPECT_EQ(Find(c), V({2}));
    c.CallerID = "12?4";  // no star: the question mark is a character
    EXPECT_EQ(Find(c), V({5}));
    c.CallerID = "12?4*";
    EXPECT_EQ(Find(c), V({5, 6}));
    c.CallerID = "#*";  // a digit first
    EXPECT_EQ(Find(c), V({1, 2, 5, 6, 9, 10}));
    c.CallerID = "[!5]*";  // the blank of "no number" is not a 5 either
    EXPECT_EQ(Find(c), V({3, 4, 5, 6, 7, 8, 9}));
    c.CallerID.clear();
    c.Comment = "urgent";  // letter case does not count
    EXPECT_EQ(Find(c), V({2, 5}));
    c.Comment = "#2024-1-1#";  // a literal inside a text stays text
    EXPECT_EQ(Find(c), V({4}));
}

TEST_F(Results, AllOrAnyCondition) {
    SearchCriteria c = Criteria();
    c.Saved = texts.SavedYes;
    c.Comment = "vox";
    EXPECT_EQ(Find(c), V());
    c.MatchAll = false;  // the full-day window alone matches every call
    EXPECT_EQ(Find(c), V({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    c.YearF = c.YearL = 2030;
    c.HourF = 12;
    c.HourL = 12;
    c.MinL = 0;
    c.SecL = 0;
    EXPECT_EQ(Find(c), V({1, 3, 5, 7, 8, 9}));
}

TEST_F(Results, DirectionsAndTheirNumbers) {
    SearchCriteria c = Criteria();
    c.InOut = texts.Incoming;
    c.TelMic = texts.Mic;  // overruled: a direction means the line
    c.DialStr = "0800*";   // not used for incoming calls
    EXPECT_EQ(Find(c), V({1, 2, 5, 6, 9, 10}));
    c.InOut = texts.Outgoing;
    EXPECT_EQ(Find(c), V({3, 4}));
    c.InOut = texts.All;  // caller or dialled number, grouped
    c.TelMic = texts.All;
    c.CallerID = "555";
    EXPECT_EQ(Find(c), V({2, 3, 4, 8}));
    c.Saved = texts.SavedNo;
    EXPECT_EQ(Find(c), V({2, 4, 8}));
    c.TelMic = texts.Vox;
    EXPECT_EQ(Find(c), V({8}));
    c = Criteria();
    c.TelMic = texts.Mic;
    EXPECT_EQ(Find(c), V({7}));
}

TEST_F(Results, QuotesInTextsAreSearchedForNotExecuted) {
    SearchCriteria c = Criteria();
    c.Comment = "O'Brien";
    EXPECT_EQ(Find(c), V({3}));
    c.Comment = "o'b*";
    EXPECT_EQ(Find(c), V({3}));
    c.Comment = "x' OR Comment LIKE '*";
    EXPECT_EQ(Find(c), V());
    c.Comment.clear();
    c.CallerID = "' OR 1=1 OR CallerID='";
    EXPECT_EQ(Find(c), V());
}

TEST_F(Results, InvalidDatesFailTheStatement) {
    SearchCriteria c = Criteria();
    Error error;
    c.MonthF = 0;  // a list text that was no number
    EXPECT_EQ(Find(c, &error), V());
    EXPECT_TRUE(error.IsSet());
    c.MonthF = 2;
    c.DayF = 30;
    error.Clear();
    Find(c, &error);
    EXPECT_TRUE(error.IsSet());
    c.DayF = 29;  // 2024 is a leap year
    EXPECT_EQ(Find(c), V({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}
