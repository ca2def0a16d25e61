// Typed texts with quotes, #, wildcards, brackets, line breaks and letters
// beyond ASCII through search, comment and delete on a real catalogue: the
// statement keeps its shape (the text stays one string literal), the stored
// text is exactly what was typed, and nothing else is touched.
#include <gtest/gtest.h>

#include <QSet>
#include <QTemporaryDir>

#include "app/catalogue/comments.h"
#include "app/catalogue/deletion.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/search.h"
#include "tests/support/cardfiles.h"
#include "tests/support/catalogue.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

const QStringList& Texts() {
    static const QStringList texts = {
        QStringLiteral("it's"),
        QStringLiteral("O'Brien said \"call back\""),
        QStringLiteral("''"),
        QStringLiteral("'"),
        QStringLiteral("#1/1/2003#"),
        QStringLiteral("#"),
        QStringLiteral("Date = #2024-3-7# OR 1=1"),
        QStringLiteral("100% sure_not"),
        QStringLiteral("%_"),
        QStringLiteral("[abc"),
        QStringLiteral("a]b[c"),
        QStringLiteral("[!0-9]?#"),
        QStringLiteral("line one\nline two"),
        QStringLiteral("crlf\r\nend\ttab"),
        QStringLiteral("Grüße aus Köln – 日本語 📞"),
        QStringLiteral("ÆØÅ æøå Ωμέγα"),
        QStringLiteral("'; DROP TABLE qlm; --"),
        QStringLiteral("' OR '1'='1"),
        QStringLiteral("back\\slash\\"),
        QStringLiteral(" lead and trail "),
        QStringLiteral("*it's #1*"),
        QStringLiteral("*[*"),
        QStringLiteral("*Köln*"),
    };
    return texts;
}

// The statement with the inside of every string literal blanked out: two
// statements of the same shape give the same skeleton.
QString Skeleton(const QString& sql) {
    QString out;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (sql[i] != u'\'') {
            out += sql[i];
            continue;
        }
        qsizetype j = i + 1;
        while (j < sql.size() && !(sql[j] == u'\'' && (j + 1 >= sql.size() || sql[j + 1] != u'\'')))
            j += sql[j] == u'\'' ? 2 : 1;
        out += QStringLiteral("'?'");
        i = j;
    }
    return out;
}

// One call a minute from 1 June 2024 08:00, the text i as its caller number
// and its comment; a last call of plain texts.
QDateTime CallTime(int i) { return QDateTime(QDate(2024, 6, 1), QTime(8, 0, 0)).addSecs(60 * i); }

QString MakeCatalogue(const QString& path) {
    QVector<CallRecord> calls;
    for (int i = 0; i <= Texts().size(); ++i) {
        const QString text = i < Texts().size() ? Texts()[i] : QStringLiteral("plain");
        calls << test::Call(CallTime(i).date(), CallTime(i).time(), text, QString(), 0, 0, 0, 0, text);
    }
    return test::WriteCatalogue(path, calls);
}

struct Row {
    QDateTime at;
    QString callerId;
    QString comment;
};

QVector<Row> Rows(Database* db) {
    QVector<Row> rows;
    Error error;
    auto set = db->OpenRecordset(QStringLiteral("SELECT * FROM qlm ORDER BY Date, Time"), &error);
    for (; set && !set->AtEnd(); set->MoveNext())
        rows.push_back(
            {QDateTime(set->Field(QStringLiteral("Date")).toDate(), set->Field(QStringLiteral("Time")).toTime()),
             set->Field(QStringLiteral("CallerID")).toString(), set->Field(QStringLiteral("Comment")).toString()});
    return rows;
}

QString DateText(int i) { return CallTime(i).date().toString(QStringLiteral("MM/dd/yyyy")); }
QString TimeText(int i) { return CallTime(i).time().toString(QStringLiteral("hh:mm:ss")); }

}  // namespace

TEST(TextInput, CommentsAreStoredExactlyAsTyped) {
    test::AppFolder app;
    QTemporaryDir dir;
    const QString path = dir.filePath("C06011.mdb");
    ASSERT_EQ(MakeCatalogue(path), QString());
    Error error;
    auto db = Database::Open(path, true, &error);
    ASSERT_TRUE(db) << error.description.toStdString();

    // Every comment goes to the call after it, so no row keeps its own text.
    const int n = int(Texts().size());
    for (int i = 0; i < n; ++i) {
        const QString& text = Texts()[i];
        const int target = (i + 1) % n;
        EXPECT_EQ(Skeleton(CommentUpdateStatement(DateText(target), TimeText(target), text)),
                  Skeleton(CommentUpdateStatement(DateText(target), TimeText(target), QStringLiteral("x"))))
            << text.toStdString();
        int changed = 0;
        EXPECT_TRUE(WriteCatalogueComment(db.get(), DateText(target), TimeText(target), text, &error, &changed))
            << text.toStdString() << ": " << error.description.toStdString();
        EXPECT_EQ(changed, 1) << text.toStdString();
    }
    const QVector<Row> rows = Rows(db.get());
    ASSERT_EQ(rows.size(), n + 1);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(rows[(i + 1) % n].comment, Texts()[i]);
        EXPECT_EQ(rows[i].callerId, Texts()[i]);  // the other column untouched
    }
    EXPECT_EQ(rows[n].comment, "plain");

    // A date or time text that is no list text changes nothing, whatever it
    // holds.
    for (const auto& [date, time] :
         QVector<std::pair<QString, QString>>{{DateText(0) + "# OR Date = #" + DateText(1), TimeText(0)},
                                              {DateText(0), TimeText(0) + "# OR 1=1 OR Time = #" + TimeText(1)},
                                              {"06/01/2024' OR '1'='1", TimeText(0)},
                                              {QString(), QString()}}) {
        error.Clear();
        int changed = -1;
        EXPECT_FALSE(WriteCatalogueComment(db.get(), date, time, QStringLiteral("hijacked"), &error, &changed))
            << date.toStdString() << " " << time.toStdString();
        EXPECT_TRUE(error.IsSet());
        EXPECT_EQ(changed, 0);
    }
    EXPECT_EQ(Rows(db.get()).size(), n + 1);
    for (const Row& row : Rows(db.get()))
        EXPECT_NE(row.comment, "hijacked");
    db.reset();

    // The same through qlmtool, the text as one argument.
    for (int i = 0; i < n; ++i) {
        const test::RunResult run = test::Qlmtool({"comment", path, DateText(i), TimeText(i), Texts()[i]});
        EXPECT_EQ(run.exitCode, 0) << Texts()[i].toStdString() << ": " << run.err.toStdString();
    }
    db = Database::Open(path, true, &error);
    ASSERT_TRUE(db);
    const QVector<Row> after = Rows(db.get());
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(after[i].comment, Texts()[i]);
}

TEST(TextInput, SearchTextsStayOneLiteral) {
    test::AppFolder app;
    QTemporaryDir dir;
    const QString path = dir.filePath("C06011.mdb");
    ASSERT_EQ(MakeCatalogue(path), QString());
    Error error;
    auto db = Database::Open(path, true, &error);
    ASSERT_TRUE(db) << error.description.toStdString();
    const QVector<Row> all = Rows(db.get());
    const SearchChoiceTexts choices = SearchChoiceTexts::FromLibrary();

    for (const QString& text : Texts()) {
        for (const bool byComment : {true, false}) {
            SearchCriteria c;
            c.YearF = 2000, c.MonthF = 1, c.DayF = 1;
            c.YearL = 2099, c.MonthL = 12, c.DayL = 31;
            c.HourL = 23, c.MinL = 59, c.SecL = 59;
            c.InOut = choices.All;
            c.TelMic = c.Saved = c.SamRate = choices.All;
            c.MatchAll = true;
            (byComment ? c.Comment : c.CallerID) = text;
            const QString sql = BuildSearchStatement(c, choices);
            SearchCriteria plain = c;
            const QString stand = text.contains(u'*') ? QStringLiteral("x*") : QStringLiteral("x");
            (byComment ? plain.Comment : plain.CallerID) = stand;
            EXPECT_EQ(Skeleton(sql), Skeleton(BuildSearchStatement(plain, choices))) << sql.toStdString();

            const bool like = text.contains(u'*');
            bool badPattern = false;
            LikeMatch(text, QString(), &badPattern);
            auto rows = db->OpenRecordset(sql, &error);
            if (like && badPattern) {
                // An unclosed [ is no pattern: a message, no rows.
                EXPECT_FALSE(rows) << sql.toStdString();
                EXPECT_TRUE(error.IsSet());
                continue;
            }
            ASSERT_TRUE(rows) << sql.toStdString() << ": " << error.description.toStdString();
            QSet<QString> found;
            for (; !rows->AtEnd(); rows->MoveNext())
                found << rows->Field(byComment ? QStringLiteral("Comment") : QStringLiteral("CallerID")).toString();
            QSet<QString> expected;
            for (const Row& row : all) {
                const QString& value = byComment ? row.comment : row.callerId;
                if (like ? LikeMatch(text, value) : value.compare(text, Qt::CaseInsensitive) == 0)
                    expected << value;
            }
            EXPECT_EQ(found, expected) << sql.toStdString();
            if (!like) {
                EXPECT_TRUE(found.contains(text)) << sql.toStdString();
            }
        }
    }
    EXPECT_EQ(Rows(db.get()).size(), all.size());
    db.reset();

    // qlmtool search: the quote trick finds the one call whose comment it is.
    const test::RunResult run =
        test::Qlmtool({"search", path, "--from", "2000-1-1", "--to", "2099-12-31", "--comment", "' OR '1'='1"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts).size(), 1) << run.out.toStdString();
}

TEST(TextInput, DeletionTakesOnlyTheNamedCalls) {
    test::AppFolder app;
    QTemporaryDir dir;
    const QString path = dir.filePath("C06011.mdb");
    ASSERT_EQ(MakeCatalogue(path), QString());
    Error error;
    auto db = Database::Open(path, true, &error);
    ASSERT_TRUE(db);
    const QVector<Row> all = Rows(db.get());

    // Keys that are no list texts delete nothing.
    const QVector<CallKey> odd = {{DateText(0) + "' OR '1'='1", TimeText(0)},
                                  {"#" + DateText(0) + "#", TimeText(0)},
                                  {DateText(0) + "\n", TimeText(0)},
                                  {DateText(0), "*"},
                                  {"%", "_"}};
    EXPECT_EQ(DeleteCatalogueRows(db.get(), odd, &error), 0) << error.description.toStdString();
    EXPECT_EQ(Rows(db.get()).size(), all.size());

    // The calls with the worst texts go, and only they.
    QVector<CallKey> calls;
    QSet<int> gone;
    for (int i = 0; i < Texts().size(); ++i) {
        if (Texts()[i].contains(u'\'') || Texts()[i].contains(u'#')) {
            calls.push_back({DateText(i), TimeText(i)});
            gone << i;
        }
    }
    EXPECT_EQ(DeleteCatalogueRows(db.get(), calls, &error), gone.size()) << error.description.toStdString();
    QVector<Row> expected;
    for (int i = 0; i < all.size(); ++i)
        if (!gone.contains(i))
            expected.push_back(all[i]);
    const QVector<Row> left = Rows(db.get());
    ASSERT_EQ(left.size(), expected.size());
    for (int i = 0; i < left.size(); ++i) {
        EXPECT_EQ(left[i].at, expected[i].at);
        EXPECT_EQ(left[i].comment, expected[i].comment);
    }
    db.reset();

    // qlmtool refuses such keys before touching anything.
    const auto before = test::ReadFile(path);
    const test::RunResult run = test::Qlmtool({"delete", path, DateText(1) + "' OR '1'='1", TimeText(1)});
    EXPECT_EQ(run.exitCode, 64) << run.err.toStdString();
    EXPECT_EQ(test::ReadFile(path), before);
}
