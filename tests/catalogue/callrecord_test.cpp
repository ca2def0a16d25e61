#include <gtest/gtest.h>

#include "app/card/recording.h"
#include "app/catalogue/callrecord.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "tests/support/testsupport.h"

using namespace qlm;

TEST(CallRecord, FormatDuration) {
    EXPECT_EQ(FormatDuration(0), "0:00:00");
    EXPECT_EQ(FormatDuration(59), "0:00:59");
    EXPECT_EQ(FormatDuration(60), "0:01:00");
    EXPECT_EQ(FormatDuration(75), "0:01:15");
    EXPECT_EQ(FormatDuration(3725), "1:02:05");
    EXPECT_EQ(FormatDuration(36000), "10:00:00");
    EXPECT_EQ(FormatDuration(2147483647), "596523:14:07");
}

TEST(CallRecord, WrittenAndShownTexts) {
    EXPECT_EQ(DateWriteText(QDate(2006, 2, 3)), "2006-2-3");
    EXPECT_EQ(DateWriteText(QDate(2005, 10, 25)), "2005-10-25");
    EXPECT_EQ(TimeWriteText(QTime(9, 5, 7)), "9:5:7");
    EXPECT_EQ(TimeWriteText(QTime(14, 35, 27)), "14:35:27");
    EXPECT_EQ(DateDisplayText(QDate(2006, 2, 3)), "02/03/2006");
    EXPECT_EQ(TimeDisplayText(QTime(9, 5, 7)), "09:05:07");
}

TEST(CallRecord, FromRecordingInfo) {
    RecordingInfo info;
    info.Year = 6;
    info.Month = 2;
    info.Day = 3;
    info.Hour = 9;
    info.Minute = 5;
    info.Second = 7;
    info.Duration = 75;
    info.TelorMic = 1;
    info.InorOut = 2;
    const CallRecord r = CallRecordFromInfo(info);
    EXPECT_EQ(r.Date, QDate(2006, 2, 3));
    EXPECT_EQ(r.Time, QTime(9, 5, 7));
    EXPECT_EQ(r.CallerID, " ");
    EXPECT_EQ(r.DialString, " ");
    EXPECT_EQ(r.Comment, " ");
}

TEST(CallRecord, DisplayTextsFollowTheCodes) {
    test::AppFolder app;
    CallRecord r;
    r.Date = QDate(2024, 3, 7);
    r.Time = QTime(9, 5, 0);
    r.Duration = 75;
    r.CallerID = "5551234";
    r.DialString = " ";
    r.Comment = "It's me";
    const QStringList line = DisplayTexts(r);
    ASSERT_EQ(line.size(), 10);
    EXPECT_EQ(line, QStringList({"03/07/2024", "09:05:00", "0:01:15", "5551234", " ", LibStr(str::Incoming),
                                 LibStr(str::Telephone), LibStr(str::NotSaved), LibStr(str::Rate1200), "It's me"}));
    EXPECT_EQ(InOutText(1, 0), LibStr(str::Outgoing));
    EXPECT_EQ(InOutText(0, 1), " ");  // not a line call: blank whatever InorOut holds
    EXPECT_EQ(InOutText(1, 2), " ");
    EXPECT_EQ(TelMicText(1), LibStr(str::Microphone));
    EXPECT_EQ(TelMicText(2), LibStr(str::VoiceActivated));
    EXPECT_EQ(TelMicText(7), LibStr(str::VoiceActivated));
    EXPECT_EQ(SavedText(-3), LibStr(str::SavedMark));
    EXPECT_EQ(SampleRateText(1), LibStr(str::Rate900));
    EXPECT_EQ(SampleRateText(9), LibStr(str::Rate550));
}
