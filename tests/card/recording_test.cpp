#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/card/recording.h"
#include "tests/support/testsupport.h"
#include "tools/recsim.h"

using namespace qlm;

TEST(RecordingName, ValidNamesAreRealTimeStamps) {
    for (const char* name : {"A2505143.527", "a2505143.527", "C3105000.000", "12505091.005", "A2524143.527",
                             "22924000.000", "B3099235.959"})
        EXPECT_TRUE(IsRecordingName(name)) << name;
    for (const char* name : {"23005120.000",  // 30 February
                             "B3105120.000",  // 31 November
                             "22923000.000",  // 29 February of a common year
                             "A2505146.027",  // minute 60
                             "A2505243.527",  // hour 24
                             "A2505143.560",  // second 60
                             "02505143.527",  // month 0
                             "D2505143.527", "A2505143.5270", "A25051435527", "A2505143,527", "A25X5143.527",
                             "A2505143.52", "", "A2505143.5 7", "A250514\u0663.527"})
        EXPECT_FALSE(IsRecordingName(QString::fromUtf8(name))) << name;
    EXPECT_TRUE(MatchesRecordingPattern("PHOTO001.JPG"));
    EXPECT_FALSE(IsRecordingName("PHOTO001.JPG"));
    EXPECT_EQ(RecordingNamePattern(), "????????.???");
}

TEST(RecordingName, NameForDateAndTime) {
    EXPECT_EQ(RecordingNameFor(QDate(2005, 10, 25), QTime(14, 35, 27)), "A2505143.527");
    EXPECT_EQ(RecordingNameFor(QDate(2006, 2, 3), QTime(9, 5, 7)), "20306090.507");
    EXPECT_EQ(RecordingNameFor(QDate(2007, 1, 1), QTime(0, 0, 0)), "10107000.000");
    EXPECT_EQ(RecordingNameFor(QDate(2024, 12, 31), QTime(23, 59, 59)), "C3124235.959");
    EXPECT_EQ(RecordingNameFor("10/25/2005", "14:35:27"), "A2505143.527");
    EXPECT_EQ(RecordingNameFor("13/25/2005", "14:35:27"), "");
    EXPECT_EQ(RecordingNameFor("10/25/2005", "junk"), "");
}

class RecordingHeader : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        test::WriteFile(path, bytes);
        return path;
    }
    static QByteArray Header(const QByteArray& number8, int flags, int payload = 0) {
        QByteArray bytes = number8 + QByteArray(7, '\0') + char(flags);
        bytes.append(QByteArray(RecordingHeaderSize - bytes.size() + payload, '\x55'));
        return bytes;
    }
    QTemporaryDir dir_;
};

TEST_F(RecordingHeader, NumberCodesAndFlags) {
    Error error;
    RecordingInfo info =
        ReadRecordingHeader(Write("A2505143.527", Header(QByteArray::fromHex("123BFFFFFFFFFFFF"), 0x20)), &error);
    EXPECT_FALSE(error.IsSet());
    EXPECT_EQ(info.Year, 5);
    EXPECT_EQ(info.Month, 10);
    EXPECT_EQ(info.Day, 25);
    EXPECT_EQ(info.Hour, 14);
    EXPECT_EQ(info.Minute, 35);
    EXPECT_EQ(info.Second, 27);
    EXPECT_EQ(info.CallerID, "1230");
    EXPECT_EQ(info.DialString, "");
    EXPECT_EQ(info.TelorMic, 0);
    EXPECT_EQ(info.InorOut, 0);

    info = ReadRecordingHeader(Write("a2505143.527", Header(QByteArray::fromHex("ACDE0FFFFFFFFFFF"), 0x30)), &error);
    EXPECT_EQ(info.Month, 10);
    EXPECT_EQ(info.DialString, "101213140");
    EXPECT_EQ(info.CallerID, "");
    EXPECT_EQ(info.InorOut, 1);

    info = ReadRecordingHeader(Write("12505091.005", Header(QByteArray(8, '\xFF'), 0x10)), &error);
    EXPECT_EQ(info.DialString, "");
    EXPECT_EQ(info.TelorMic, 2);
    EXPECT_EQ(info.InorOut, 2);

    info = ReadRecordingHeader(Write("12505091.006", Header(QByteArray::fromHex("55FFFFFFFFFFFFFF"), 0x08)), &error);
    EXPECT_EQ(info.TelorMic, 1);
    EXPECT_EQ(info.InorOut, 2);
    EXPECT_EQ(info.CallerID, "");
    EXPECT_EQ(info.DialString, "");  // the number of a microphone recording is not stored
    EXPECT_EQ(info.Saved, 1);
    EXPECT_FALSE(error.IsSet());
}

TEST_F(RecordingHeader, RateBitsAndDuration) {
    Error error;
    const QByteArray none(8, '\xFF');
    EXPECT_EQ(ReadRecordingHeader(Write("12505091.001", Header(none, 0x01)), &error).SampleRate, 1);
    EXPECT_EQ(ReadRecordingHeader(Write("12505091.002", Header(none, 0x03)), &error).SampleRate, 1);
    EXPECT_EQ(ReadRecordingHeader(Write("12505091.003", Header(none, 0x02)), &error).SampleRate, 2);
    EXPECT_EQ(ReadRecordingHeader(Write("12505091.004", Header(none, 0x00)), &error).SampleRate, 0);
    EXPECT_EQ(ReadRecordingHeader(Write("12505091.010", Header(none, 0x00)), &error).Duration, 0);
    EXPECT_EQ(ReadRecordingHeader(Write("12505091.011", Header(none, 0x00, 1023)), &error).Duration, 0);
    EXPECT_EQ(ReadRecordingHeader(Write("12505091.012", Header(none, 0x02, 11 * 1024)), &error).Duration, 20);
    // 3 KB at 1.2 KB/s is 2.5 s and 9 KB is 7.5 s: halves go to the even neighbour.
    EXPECT_EQ(ReadRecordingHeader(Write("12505091.013", Header(none, 0x00, 3 * 1024)), &error).Duration, 2);
    EXPECT_EQ(ReadRecordingHeader(Write("12505091.014", Header(none, 0x00, 9 * 1024 + 5)), &error).Duration, 8);
    EXPECT_FALSE(error.IsSet());
}

TEST_F(RecordingHeader, ShortAndUnreadableFiles) {
    Error error;
    // Shorter than the 512-byte header: no recording, whatever its first
    // bytes say (a 511-byte file once became a call with a 19-digit number).
    for (const QByteArray& bytes : {QByteArray::fromHex("12"), QByteArray(), QByteArray(511, '\x12')}) {
        error = Error{};
        const RecordingInfo info = ReadRecordingHeader(Write("12505091.020", bytes), &error);
        EXPECT_EQ(error.number, err::kPathFileAccess) << bytes.size();
        EXPECT_TRUE(info.CallerID.isEmpty());
    }
    error = Error{};
    EXPECT_EQ(ReadRecordingHeader(Write("12505091.021", QByteArray(512, '\x12')), &error).Day, 25);
    EXPECT_FALSE(error.IsSet());
    // A FIFO under a recording's name is refused at once, never waited on.
    const QString fifo = dir_.filePath(QStringLiteral("12505091.023"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ReadRecordingHeader(fifo, &error);
    EXPECT_EQ(error.number, err::kPathFileAccess);
    RecordingInfo info;

    info = ReadRecordingHeader(dir_.filePath("12505091.099"), &error);
    EXPECT_EQ(error.number, err::kFileNotFound);
    EXPECT_EQ(info, RecordingInfo());

    error.Clear();
    info = ReadRecordingHeader(Write("1250X091.000", Header(QByteArray(8, '\xFF'), 0x20)), &error);
    EXPECT_EQ(error.number, err::kTypeMismatch);
    EXPECT_EQ(info, RecordingInfo());
}

TEST(RecordingDuration, LargePayloadsDoNotOverflow) {
    EXPECT_EQ(EstimateDuration(512 + 6LL * 1024 * 1024 * 1024, 2), 11439011);  // 6 GiB at 0.55 KB/s
    EXPECT_EQ(EstimateDuration(std::numeric_limits<qint64>::max(), 2), std::numeric_limits<qint32>::max());
    EXPECT_EQ(EstimateDuration(-5, 0), 0);
}

TEST(RecorderSimulator, WritesWhatTheReaderReads) {
    QTemporaryDir dir;
    sim::Call call;
    call.start = QDateTime(QDate(2024, 10, 25), QTime(14, 35, 27));
    call.number = "0044123456789";
    call.flags = flag::kLine | flag::kNumberKind | flag::kSaved | flag::kRate2;
    call.payload = sim::FillerPayload(11 * 1024);
    Error error;
    const QString path = sim::WriteRecording(dir.path(), call, &error);
    ASSERT_EQ(path, dir.filePath("A2524143.527"));
    const RecordingInfo info = ReadRecordingHeader(path, &error);
    EXPECT_FALSE(error.IsSet());
    EXPECT_EQ(info.DialString, "0044123456789");
    EXPECT_EQ(info.InorOut, 1);
    EXPECT_EQ(info.Saved, 1);
    EXPECT_EQ(info.SampleRate, 2);
    EXPECT_EQ(info.Duration, 20);
}

TEST(RecordingLookup, FindsNamesInAnyCaseExactFirst) {
    QTemporaryDir dir;
    const auto file = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    test::WriteFile(file("a2524143.527"), "lower");  // a card mounted with lower-case names
    test::WriteFile(file("B1124101.010"), "exact");
    test::WriteFile(file("b1124101.010"), "copy");  // the same call twice, differing only in case
    test::WriteFile(file("c3124235.959.wav"), "no recording");

    RecordingLookup lookup(dir.path());
    EXPECT_EQ(lookup.PathOf("A2524143.527"), file("a2524143.527"));
    EXPECT_EQ(lookup.PathOf("B1124101.010"), file("B1124101.010"));
    EXPECT_EQ(lookup.PathOf("C3124235.959"), "");
    EXPECT_EQ(lookup.PathOf(""), "");

    // Files change after the one listing: a deleted one is no longer found,
    // the exact name still wins, and the remaining variant is found.
    QFile::remove(file("a2524143.527"));
    EXPECT_EQ(lookup.PathOf("A2524143.527"), "");
    QFile::remove(file("B1124101.010"));
    EXPECT_EQ(lookup.PathOf("B1124101.010"), file("b1124101.010"));
    test::WriteFile(file("A2524143.527"), "new");
    EXPECT_EQ(lookup.PathOf("A2524143.527"), file("A2524143.527"));

    EXPECT_EQ(RecordingLookup(dir.filePath("no-such")).PathOf("B1124101.010"), "");
}
