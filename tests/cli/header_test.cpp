#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

QString Simulate(const QString& folder, const QStringList& args) {
    const test::RunResult r = test::Run(test::BuiltPath("qlmsim"), QStringList{"write", folder} + args);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QString::fromUtf8(r.out).trimmed();
}

}  // namespace

TEST(QlmtoolHeader, PrintsWhatTheSimulatorWrote) {
    QTemporaryDir card;
    const QString a = Simulate(card.path(), {"--time", "2024-10-25 14:35:27", "--number", "5550123", "--flags", "0x28",
                                             "--bytes", QString::number(9 * 1024)});
    const QString b = Simulate(
        card.path(), {"--time", "2006-02-03 09:05:07", "--number", "0800", "--flags", "0x31", "--bytes", "9216"});
    const QString c = Simulate(card.path(), {"--time", "2024-01-01 00:00:00", "--flags", "0x12", "--bytes", "0"});
    const QString misnamed = card.filePath("PHOTO001.JPG");
    test::WriteFile(misnamed, "jpeg");

    const test::RunResult r = test::Run(test::BuiltPath("qlmtool"), {"header", a, b, misnamed, c});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(r.out),
              "A2524143.527\t2024-10-25\t14:35:27\t8\t5550123\t\t0\t0\t1\t0\n"
              "20306090.507\t2006-02-03\t09:05:07\t10\t\t0800\t1\t0\t0\t1\n"
              "10124000.000\t2024-01-01\t00:00:00\t0\t\t\t2\t2\t0\t2\n");
    EXPECT_TRUE(r.err.contains("PHOTO001.JPG")) << r.err.toStdString();
}

TEST(QlmtoolHeader, JsonLinesAndUnreadableFiles) {
    QTemporaryDir card;
    const QString a = Simulate(
        card.path(), {"--time", "2024-03-07 09:05:00", "--number", "911", "--flags", "0x20", "--bytes", "2048"});
    test::RunResult r = test::Run(test::BuiltPath("qlmtool"), {"header", "--json", a});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o["file"].toString(), "30724090.500");
    EXPECT_EQ(o["date"].toString(), "2024-03-07");
    EXPECT_EQ(o["time"].toString(), "09:05:00");
    EXPECT_EQ(o["duration"].toInt(), 2);
    EXPECT_EQ(o["callerId"].toString(), "911");
    EXPECT_EQ(o["dialString"].toString(), "");
    EXPECT_EQ(o["inOrOut"].toInt(), 0);
    EXPECT_EQ(o["telOrMic"].toInt(), 0);
    EXPECT_EQ(o["saved"].toInt(), 0);
    EXPECT_EQ(o["sampleRate"].toInt(), 0);

    r = test::Run(test::BuiltPath("qlmtool"), {"header", card.filePath("30724090.501")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("30724090.501"));
    EXPECT_TRUE(r.out.isEmpty());
}
