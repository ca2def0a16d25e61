// Cards whose recording names are in lower or mixed letter case (a card
// mounted with lower-case short names, or filled by another tool): every call
// is found through copy, build, list, the playback's conversion, qlmtool
// convert to WAV and MP3 with the real voxform, comment and delete.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "app/card/recording.h"
#include "app/catalogue/store.h"
#include "app/convert/convertfiles.h"
#include "platform/appfolder.h"
#include "tests/convert/democardfixture.h"
#include "tools/speech.h"

namespace qlm::test {
namespace {

const QString kOct = QStringLiteral("A2524143.527");  // 10/25/2024 14:35:27
const QString kNov = QStringLiteral("B1124101.010");  // 11/11/2024 10:10:10
const QString kDec = QStringLiteral("C2424192.000");  // 12/24/2024 19:20:00

qsizetype SamplesIn(const QString& wav) { return sim::ReadWavSamples(wav).size(); }

// true: every name in lower case; false: mixed.
class LetterCaseTest : public DemoCardTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        SetUpCard();
        if (IsSkipped() || HasFatalFailure())
            return;
        pc_ = dir_.filePath(QStringLiteral("pc"));
        out_ = dir_.filePath(QStringLiteral("out"));
        QDir().mkpath(out_);
        for (const QString& name : {kOct, kNov, kDec}) {
            if (GetParam() || name != kNov) {
                ASSERT_TRUE(QFile::rename(JoinPath(card_, name), JoinPath(card_, name.toLower())));
            }
        }
    }

    QStringList Lines(const QByteArray& out) const { return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts); }

    QString pc_, out_;
};

TEST_P(LetterCaseTest, EveryCallIsFoundAndDeletedWithItsRows) {
    const QStringList onCard = QDir(card_).entryList(QDir::Files, QDir::Name);
    RunResult r = Tool({QStringLiteral("copy"), card_, pc_});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(pc_).entryList(QDir::Files, QDir::Name), onCard);  // names as on the card

    r = Tool({QStringLiteral("build"), pc_});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString catalogue = QString::fromUtf8(r.out).split(u'\t').first();
    r = Tool({QStringLiteral("list"), catalogue});
    ASSERT_EQ(Lines(r.out).size(), 12);
    for (const char* call : {"10/25/2024\t14:35:27\t", "11/11/2024\t10:10:10\t", "12/24/2024\t19:20:00\t"})
        EXPECT_TRUE(r.out.contains(call)) << call;

    // The playback's conversion: into temp, under the usual name.
    RecordingProgress progress;
    const ConvertResult played = ConvertRecordings({{QStringLiteral("11/11/2024"), QStringLiteral("10:10:10")}}, pc_,
                                                   GetTempFolder(), 0, progress);
    CloseFrontEnd();
    ASSERT_EQ(played.results, QStringList{JoinPath(GetTempFolder(), kNov + QStringLiteral(".wav"))});
    EXPECT_GT(SamplesIn(played.results[0]), 8000);

    const QStringList calls = {QStringLiteral("10/25/2024"), QStringLiteral("14:35:27"), QStringLiteral("11/11/2024"),
                               QStringLiteral("10:10:10")};
    r = Tool(QStringList{QStringLiteral("convert"), catalogue, QStringLiteral("--dest"), out_} + calls);
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    r = Tool(
        QStringList{QStringLiteral("convert"), catalogue, QStringLiteral("--dest"), out_, QStringLiteral("--mp3")} +
        calls);
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    for (const QString& name : {kOct, kNov}) {
        EXPECT_GT(SamplesIn(JoinPath(out_, name + QStringLiteral(".wav"))), 8000) << name.toStdString();
        const QString decoded = dir_.filePath(name + QStringLiteral(".mpg123.wav"));
        r = test::Run(QStringLiteral("mpg123"), {QStringLiteral("-q"), QStringLiteral("-w"), decoded,
                                                 JoinPath(out_, name + QStringLiteral(".mp3"))});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_GT(SamplesIn(decoded), 8000) << name.toStdString();
    }

    r = Tool({QStringLiteral("comment"), catalogue, calls[0], calls[1], QStringLiteral("printer jammed")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(Tool({QStringLiteral("list"), catalogue}).out.contains("\tprinter jammed\t"));

    // Files and rows go together; a recording already gone still loses its
    // rows, and stderr says so.
    ASSERT_TRUE(QFile::remove(JoinPath(pc_, kDec.toLower())));
    r = Tool(QStringList{QStringLiteral("delete"), catalogue} + calls +
             QStringList{QStringLiteral("12/24/2024"), QStringLiteral("19:20:00")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(u"\tdeleted") && lines[1].endsWith(u"\tdeleted")) << r.out.toStdString();
    EXPECT_TRUE(lines[2].endsWith(u"\tno file"));
    EXPECT_TRUE(r.err.contains("12/24/2024 19:20:00: recording not found")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("3 catalogue row(s) deleted"));
    const QStringList left = QDir(pc_).entryList({RecordingNamePattern()}, QDir::Files);
    EXPECT_EQ(left.size(), 9);
    for (const QString& name : left)
        EXPECT_FALSE(name.compare(kOct, Qt::CaseInsensitive) == 0 || name.compare(kNov, Qt::CaseInsensitive) == 0);
    EXPECT_EQ(Lines(Tool({QStringLiteral("list"), catalogue}).out).size(), 9);
}

INSTANTIATE_TEST_SUITE_P(Cards, LetterCaseTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "LowerCase" : "MixedCase";
                         });

}  // namespace
}  // namespace qlm::test
