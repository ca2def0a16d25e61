// The statement text, character for character, for the worked cases of the
// search and the quote handling of typed texts.
#include <gtest/gtest.h>

#include "app/catalogue/search.h"
#include "app/strings/strlib.h"
#include "tests/support/catalogue.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

class Statement : public ::testing::Test {
protected:
    test::AppFolder app;
    SearchChoiceTexts texts = SearchChoiceTexts::FromLibrary();

    // 2003-01-01 to 2024-05-17, the whole day, every choice "all".
    SearchCriteria Defaults() const { return test::WholeDays(QDate(2003, 1, 1), QDate(2024, 5, 17), texts); }
    QString Build(const SearchCriteria& c) const { return BuildSearchStatement(c, texts); }
};

const QString kHead = QStringLiteral(
    "SELECT * FROM qlm WHERE   Date BETWEEN #2003-1-1# AND #2024-5-17# AND Time BETWEEN #0:0:0# AND #23:59:59#");

}  // namespace

TEST_F(Statement, NoFurtherCriteriaEndsWithTheTimeWindow) { EXPECT_EQ(Build(Defaults()), kHead); }

TEST_F(Statement, IncomingCallerPatternAndSavedMark) {
    SearchCriteria c = Defaults();
    c.InOut = texts.Incoming;
    c.CallerID = "555*";
    c.Saved = texts.SavedYes;
    EXPECT_EQ(Build(c), kHead + " AND CallerID LIKE '555*'  AND  InorOut = 0  AND  TelorMic = 0  AND  Saved = 1 ");
}

TEST_F(Statement, AnyOfNumbersAndComment) {
    SearchCriteria c = Defaults();
    c.CallerID = "123";
    c.DialStr = "0800*";
    c.Comment = "urgent";
    c.MatchAll = false;
    c.YearF = 2024;
    c.MonthF = 3;
    c.DayF = 7;
    c.YearL = 2024;
    c.MonthL = 3;
    c.DayL = 9;
    c.HourF = 9;
    c.MinF = 0;
    c.SecF = 0;
    c.HourL = 17;
    c.MinL = 30;
    c.SecL = 0;
    EXPECT_EQ(Build(c),
              "SELECT * FROM qlm WHERE   Date BETWEEN #2024-3-7# AND #2024-3-9# OR Time BETWEEN #9:0:0# AND "
              "#17:30:0# OR  ( CallerID = '123'  OR  DialString LIKE '0800*'  )  OR Comment = 'urgent' ");
}

TEST_F(Statement, BothNumbersGroupedByOrEvenWhenAllMustMatch) {
    SearchCriteria c = Defaults();
    c.CallerID = "1";
    c.DialStr = "2";
    EXPECT_EQ(Build(c), kHead + " AND  ( CallerID = '1'  OR  DialString  ='2'  ) ");
    c.CallerID.clear();
    EXPECT_EQ(Build(c), kHead + " AND  (  DialString  ='2'  ) ");
    c.CallerID = "1";
    c.DialStr.clear();
    EXPECT_EQ(Build(c), kHead + " AND  ( CallerID = '1'  ) ");
}

TEST_F(Statement, DirectionUsesOnlyItsNumberAndForcesTheLine) {
    SearchCriteria c = Defaults();
    c.CallerID = "111";
    c.DialStr = "222";
    c.TelMic = texts.Mic;
    c.InOut = texts.Incoming;
    EXPECT_EQ(Build(c), kHead + " AND CallerID = '111'  AND  InorOut = 0  AND  TelorMic = 0 ");
    c.InOut = texts.Outgoing;
    c.TelMic = texts.Vox;
    EXPECT_EQ(Build(c), kHead + " AND  DialString  ='222'  AND  InorOut = 1  AND  TelorMic = 0 ");
    c.DialStr = "22*";
    EXPECT_EQ(Build(c), kHead + " AND  DialString LIKE '22*'  AND  InorOut = 1  AND  TelorMic = 0 ");
}

TEST_F(Statement, UnknownDirectionIgnoresBothNumbers) {
    SearchCriteria c = Defaults();
    c.CallerID = "111";
    c.DialStr = "222";
    c.InOut = " " + texts.All;  // a blank more is another text
    EXPECT_EQ(Build(c), kHead);
    c.InOut.clear();
    EXPECT_EQ(Build(c), kHead);
}

TEST_F(Statement, EveryChoiceFragment) {
    SearchCriteria c = Defaults();
    const struct {
        QString SearchCriteria::*field;
        QString text;
        const char* fragment;
    } cases[] = {
        {&SearchCriteria::TelMic, texts.Tel, " AND  TelorMic = 0 "},
        {&SearchCriteria::TelMic, texts.Mic, " AND  TelorMic = 1 "},
        {&SearchCriteria::TelMic, texts.Vox, " AND  TelorMic = 2 "},
        {&SearchCriteria::Saved, texts.SavedYes, " AND  Saved = 1 "},
        {&SearchCriteria::Saved, texts.SavedNo, " AND  Saved = 0 "},
        {&SearchCriteria::SamRate, texts.Rate0, " AND  SampleRate = 0 "},
        {&SearchCriteria::SamRate, texts.Rate1, " AND  SampleRate = 1 "},
        {&SearchCriteria::SamRate, texts.Rate2, " AND  SampleRate = 2 "},
        {&SearchCriteria::TelMic, "Tel", ""},
        {&SearchCriteria::Saved, "saved", ""},
    };
    for (const auto& k : cases) {
        SearchCriteria one = c;
        one.*k.field = k.text;
        EXPECT_EQ(Build(one), kHead + QString::fromLatin1(k.fragment)) << k.text.toStdString();
    }
    // Fragment widths: each one blank at both ends.
    c.TelMic = texts.Vox;
    c.Saved = texts.SavedNo;
    c.SamRate = texts.Rate1;
    c.MatchAll = false;
    const QString s = Build(c);
    EXPECT_TRUE(s.endsWith(" OR  TelorMic = 2  OR  Saved = 0  OR  SampleRate = 1 ")) << s.toStdString();
}

TEST_F(Statement, StarDecidesBetweenEqualAndLike) {
    SearchCriteria c = Defaults();
    for (const char* value : {"12?4", "#5", "[0-9]1"}) {
        c.Comment = QString::fromLatin1(value);
        EXPECT_EQ(Build(c), kHead + " AND Comment = '" + c.Comment + "' ");
    }
    c.Comment = "*ur?ent";
    EXPECT_EQ(Build(c), kHead + " AND Comment LIKE '*ur?ent' ");
}

TEST_F(Statement, BoundsAreWrittenAsChosenWithoutPadding) {
    SearchCriteria c = Defaults();
    c.YearF = 2024;
    c.MonthF = 3;
    c.DayF = 9;
    c.YearL = 2024;
    c.MonthL = 3;
    c.DayL = 7;
    c.HourF = 17;
    c.MinF = 0;
    c.SecF = 0;
    c.HourL = 9;
    c.MinL = 5;
    c.SecL = 0;
    EXPECT_EQ(Build(c),
              "SELECT * FROM qlm WHERE   Date BETWEEN #2024-3-9# AND #2024-3-7# AND "
              "Time BETWEEN #17:0:0# AND #9:5:0#");
    c.MonthF = 0;  // what the panel gives for a list text that is not a number
    EXPECT_TRUE(Build(c).contains("#2024-0-9#"));
}

TEST_F(Statement, QuotesInTypedTextsStayInsideTheirString) {
    SearchCriteria c = Defaults();
    c.Comment = "O'Brien";
    EXPECT_EQ(Build(c), kHead + " AND Comment = 'O''Brien' ");
    c.Comment = "x' OR 1=1 OR Comment LIKE '*";
    EXPECT_EQ(Build(c), kHead + " AND Comment LIKE 'x'' OR 1=1 OR Comment LIKE ''*' ");
    c.Comment.clear();
    c.CallerID = "0'1";
    c.DialStr = "''";
    EXPECT_EQ(Build(c), kHead + " AND  ( CallerID = '0''1'  OR  DialString  =''''''  ) ");
    EXPECT_EQ(QuoteSqlText("plain"), "plain");
}
