// qlmtool search on a real catalogue file: criteria, the statement it
// prints, the rows in list's format, refused statements and bad options.
#include <gtest/gtest.h>

#include <QDate>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "tests/support/catalogue.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

class QlmtoolSearch : public ::testing::Test {
protected:
    void SetUp() override {
        const auto call = [](int day, int h, const char* caller, const char* dialled, qint16 inorOut,
                             const char* comment) {
            return test::Call(QDate(2024, 3, day), QTime(h, 0, 0), QString::fromLatin1(caller),
                              QString::fromLatin1(dialled), inorOut, inorOut == 2 ? 2 : 0, 1, 2,
                              *comment ? QString::fromLatin1(comment) : QStringLiteral(" "));
        };
        path = dir.filePath("C24031.mdb");
        ASSERT_EQ(test::WriteCatalogue(path, {call(6, 10, "5551", "", 0, ""), call(7, 0, "5552", "", 0, "O'Brien"),
                                              call(8, 12, "5554", "", 0, ""), call(8, 13, "", "0800", 1, "urgent"),
                                              call(9, 9, "", "5555", 2, "")}),
                  "");
    }

    // The installation's password is the empty one of a fresh folder.
    test::RunResult Search(const QStringList& args) {
        return test::Run(test::BuiltPath("qlmtool"), QStringList{"search", "--password-stdin"} + args, "\n");
    }
    test::RunResult List(const QString& catalogue) {
        test::RunResult r = test::Run(test::BuiltPath("qlmtool"), {"list", catalogue});
        if (r.exitCode == 3)  // list behind the password as well
            r = test::Run(test::BuiltPath("qlmtool"), {"list", "--password-stdin", catalogue}, "\n");
        return r;
    }
    static QStringList Lines(const QByteArray& out) { return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts); }

    QTemporaryDir dir;
    QString path;
};

}  // namespace

TEST_F(QlmtoolSearch, DefaultsFindWhatListShowsAndPrintTheStatement) {
    const test::RunResult all = Search({"--print-sql", path});
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    QStringList lines = Lines(all.out);
    ASSERT_EQ(lines.size(), 6);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(lines.takeFirst(), QStringLiteral("SELECT * FROM qlm WHERE   Date BETWEEN #2003-1-1# AND #%1-%2-%3# AND "
                                                "Time BETWEEN #0:0:0# AND #23:59:59#")
                                     .arg(today.year())
                                     .arg(today.month())
                                     .arg(today.day()));
    const test::RunResult list = List(path);
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_EQ(lines, Lines(list.out));
    EXPECT_TRUE(lines[1].startsWith("03/07/2024\t00:00:00\t0:01:00\t5552\t \t")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("\tO'Brien"));
}

TEST_F(QlmtoolSearch, CriteriaAsInThePanel) {
    test::RunResult r = Search({path, "--from", "2024-3-7", "--to", "2024-3-9", "--time-to", "12:0:0", "--direction",
                                "in", "--caller", "555*", "--dialled", "0800", "--print-sql"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0],
              "SELECT * FROM qlm WHERE   Date BETWEEN #2024-3-7# AND #2024-3-9# AND Time BETWEEN "
              "#0:0:0# AND #12:0:0# AND CallerID LIKE '555*'  AND  InorOut = 0  AND  TelorMic = 0 ");
    EXPECT_TRUE(lines[1].contains("\t5552\t"));
    EXPECT_TRUE(lines[2].contains("\t5554\t"));

    r = Search({path, "--comment", "O'Brien", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 1);
    const QJsonObject row = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    EXPECT_EQ(row.value("comment").toString(), "O'Brien");
    EXPECT_EQ(row.value("date").toString(), "03/07/2024");
    EXPECT_EQ(row.value("callerId").toString(), "5552");

    r = Search({path, "--source", "vox", "--saved", "yes", "--rate", "2"});
    EXPECT_EQ(Lines(r.out).size(), 1);
    EXPECT_TRUE(r.out.contains("\t5555\t"));
    r = Search({path, "--saved", "no"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.isEmpty());
    // Any one condition: the full-day window alone matches every call.
    r = Search({path, "--saved", "no", "--any"});
    EXPECT_EQ(Lines(r.out).size(), 5);
    r = Search(
        {path, "--from", "2030-1-1", "--time-from", "13:0:0", "--time-to", "13:0:0", "--comment", "O'BRIEN", "--any"});
    EXPECT_EQ(Lines(r.out).size(), 2);
}

TEST_F(QlmtoolSearch, RefusedStatementsAndBadOptions) {
    test::RunResult r = Search({path, "--from", "2024-2-30"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("3075")) << r.err.toStdString();
    r = Search({path, "--time-to", "24:0:0"});
    EXPECT_EQ(r.exitCode, 1);
    r = test::Run(test::BuiltPath("qlmtool"), {"search", "--password-stdin", path}, "not the password\n");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.out.isEmpty());
    for (const QStringList& bad :
         {QStringList{path, "--from", "yesterday"}, QStringList{path, "--direction", "up"},
          QStringList{path, "--rate", "3"}, QStringList{path, "--caller"}, QStringList{}, QStringList{path, "extra"}}) {
        r = Search(bad);
        EXPECT_EQ(r.exitCode, 64) << bad.join(' ').toStdString();
    }
    r = Search({dir.filePath("missing.mdb")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.isEmpty());
}
