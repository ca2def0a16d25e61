// The engine on real SQLite files: the statement dialect, LIKE, typed values,
// the exclusive open.
#include <gtest/gtest.h>

#include <QDate>
#include <QTemporaryDir>
#include <QTime>

#include "app/catalogue/engine.h"
#include "tests/support/catalogue.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

QString Translate(const QString& sql, int* errorNumber = nullptr) {
    Error error;
    const QString out = TranslateStatement(sql, &error);
    if (errorNumber)
        *errorNumber = error.number;
    return out;
}

struct Row {
    const char* date;
    const char* time;
    int duration;
    const char* caller;
};

// A catalogue with a few rows, written through the texts the build assigns.
std::unique_ptr<Database> MakeCatalogue(const QString& path, const std::vector<Row>& rows) {
    Error error;
    auto db = test::CreateCatalogue(path, &error);
    EXPECT_TRUE(db) << error.description.toStdString();
    if (!db)
        return nullptr;
    auto rs = db->OpenRecordset(QStringLiteral("qlm"), &error);
    EXPECT_TRUE(rs);
    for (const Row& r : rows) {
        EXPECT_TRUE(rs->AddNew(&error));
        EXPECT_TRUE(rs->SetField(QStringLiteral("date"), QString::fromLatin1(r.date), &error));
        EXPECT_TRUE(rs->SetField(QStringLiteral("TIME"), QString::fromLatin1(r.time), &error));
        EXPECT_TRUE(rs->SetField(QStringLiteral("duration"), r.duration, &error));
        EXPECT_TRUE(rs->SetField(QStringLiteral("CallerID"), QString::fromLatin1(r.caller), &error));
        EXPECT_TRUE(rs->SetField(QStringLiteral("InOrOut"), 0, &error));
        EXPECT_TRUE(rs->SetField(QStringLiteral("Comment"), QStringLiteral(" "), &error));
        EXPECT_TRUE(rs->Update(&error)) << error.description.toStdString();
    }
    return db;
}

QStringList Callers(Database* db, const QString& sql, int* errorNumber = nullptr) {
    Error error;
    QStringList out;
    auto rs = db->OpenRecordset(sql, &error);
    if (errorNumber)
        *errorNumber = error.number;
    if (!rs)
        return {QStringLiteral("<error>")};
    for (; !rs->AtEnd(); rs->MoveNext(&error))
        out << rs->Field(QStringLiteral("callerid")).toString();
    if (errorNumber && error.IsSet())
        *errorNumber = error.number;
    return out;
}

}  // namespace

TEST(EngineTranslate, DateAndTimeLiterals) {
    EXPECT_EQ(Translate(QStringLiteral("SELECT * FROM qlm WHERE Date BETWEEN #2003-1-1# AND #2024-5-17#")),
              "SELECT * FROM qlm WHERE Date BETWEEN '2003-01-01' AND '2024-05-17'");
    EXPECT_EQ(Translate(QStringLiteral("Date = #03/07/2024#")), "Date = '2024-03-07'");
    EXPECT_EQ(Translate(QStringLiteral("Date BETWEEN #1/1/2003# AND #5/17/2024#")),
              "Date BETWEEN '2003-01-01' AND '2024-05-17'");
    EXPECT_EQ(Translate(QStringLiteral("Time BETWEEN #9:5:0# AND #23:59:59#")),
              "Time BETWEEN '09:05:00' AND '23:59:59'");
    EXPECT_EQ(Translate(QStringLiteral("Time = #09:05:00#")), "Time = '09:05:00'");
    EXPECT_EQ(Translate(QStringLiteral("x = #2024-2-29 9:5:7#")), "x = '2024-02-29 09:05:07'");
    // Quoted texts keep their '#' (a LIKE digit wildcard) and their quotes.
    EXPECT_EQ(Translate(QStringLiteral("CallerID LIKE '#12*' AND Comment = 'it''s #1#'")),
              "CallerID LIKE '#12*' AND Comment = 'it''s #1#'");
    EXPECT_EQ(Translate(QStringLiteral("[odd#name] = \"a#b\"")), "[odd#name] = \"a#b\"");
}

TEST(EngineTranslate, ImpossibleLiteralsFailTheStatement) {
    for (const char* bad : {"#2003-0-1#", "#2003-2-30#", "#02/30/2003#", "#4/31/2003#", "#13/1/2003#", "#9:60:0#",
                            "#24:0:0#", "#9:5:60#", "#hello#", "#2003-1-1", "##", "#03-07-2024#"}) {
        int number = 0;
        EXPECT_TRUE(
            Translate(QStringLiteral("SELECT * FROM qlm WHERE Date = ") + QString::fromLatin1(bad), &number).isEmpty())
            << bad;
        EXPECT_EQ(number, dberr::kSyntax) << bad;
    }
    EXPECT_FALSE(Translate(QStringLiteral("Date = #2024-2-29#")).isEmpty());  // a leap day is real
    EXPECT_TRUE(Translate(QStringLiteral("Date = #2023-2-29#")).isEmpty());
}

TEST(EngineLike, WildcardRules) {
    struct Case {
        const char* pattern;
        const char* text;
        bool match;
    } cases[] = {
        {"*", "", true},
        {"*", "anything", true},
        {"12*", "1234", true},
        {"12*", "0123", false},
        {"*23*", "0123", true},
        {"*3", "0123", true},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"?", "a", true},
        {"?", "", false},
        {"?", "ab", false},
        {"a?c", "abc", true},
        {"#", "7", true},
        {"#", "x", false},
        {"###", "123", true},
        {"###", "12a", false},
        {"[abc]", "b", true},
        {"[abc]", "d", false},
        {"[a-c]x", "Bx", true},
        {"[a-c]x", "dx", false},
        {"[!abc]", "d", true},
        {"[!abc]", "a", false},
        {"[!0-9]*", "x12", true},
        {"[!0-9]*", "112", false},
        {"[*]", "*", true},
        {"[?]", "a", false},
        {"[#]", "#", true},
        {"a[]b", "ab", true},
        {"ABC", "abc", true},
        {"abc", "ABC", true},
        {"straße", "STRASSE", false},
        {"ä*", "Äpfel", true},
        {"abc", "abcd", false},
        {"", "", true},
        {"", "a", false},
        {"**a", "ba", true},
        {"*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    };
    for (const Case& c : cases) {
        bool bad = true;
        EXPECT_EQ(LikeMatch(QString::fromUtf8(c.pattern), QString::fromUtf8(c.text), &bad), c.match)
            << c.pattern << " ~ " << c.text;
        EXPECT_FALSE(bad) << c.pattern;
    }
    bool bad = false;
    EXPECT_FALSE(LikeMatch(QStringLiteral("[abc"), QStringLiteral("a"), &bad));
    EXPECT_TRUE(bad);
    EXPECT_FALSE(LikeMatch(QStringLiteral("[z-a]"), QStringLiteral("a"), &bad));
    EXPECT_TRUE(bad);
}

TEST(EngineValues, DateTimeTextsAsAssigned) {
    EXPECT_EQ(DateTimeStoredText(QStringLiteral("2006-2-3")), "2006-02-03");
    EXPECT_EQ(DateTimeStoredText(QStringLiteral("9:5:7")), "09:05:07");
    EXPECT_EQ(DateTimeStoredText(QStringLiteral("10/25/2005")), "2005-10-25");
    EXPECT_EQ(DateTimeStoredText(QDate(2005, 10, 25)), "2005-10-25");
    EXPECT_EQ(DateTimeStoredText(QTime(14, 35, 27)), "14:35:27");
    EXPECT_EQ(DateTimeStoredText(QStringLiteral("2000-0-0")), "");  // an unfilled recording
    EXPECT_EQ(DateTimeStoredText(QStringLiteral("24:0:0")), "");
}

TEST(EngineDatabase, RowsRoundTripAndQueriesUseTheDialect) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("C08261.mdb"));
    auto db = MakeCatalogue(path, {{"2003-1-1", "0:0:0", 10, "111"},
                                   {"2006-2-3", "9:5:7", 75, "Abc"},
                                   {"2024-5-17", "23:59:59", 3600, "4321"},
                                   {"2024-5-18", "12:0:0", 1, " "}});
    ASSERT_TRUE(db);
    Error error;
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM qlm"), &error);
    ASSERT_TRUE(rs);
    EXPECT_GT(rs->RecordCount(), 0);
    EXPECT_EQ(rs->Field(QStringLiteral("DATE")).toDate(), QDate(2003, 1, 1));
    ASSERT_TRUE(rs->MoveNext(&error));
    EXPECT_EQ(rs->Field(QStringLiteral("date")).toDate(), QDate(2006, 2, 3));
    EXPECT_EQ(rs->Field(QStringLiteral("time")).toTime(), QTime(9, 5, 7));
    EXPECT_EQ(rs->Field(QStringLiteral("Duration")).toInt(), 75);
    EXPECT_EQ(rs->Field(QStringLiteral("inorout")).toInt(), 0);
    EXPECT_FALSE(rs->Field(QStringLiteral("nosuch")).isValid());
    EXPECT_EQ(rs->FieldNames(), CatalogueColumns());  // the row id stays hidden
    rs.reset();

    // Both ends of BETWEEN count, on dates and on times.
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM qlm WHERE Date BETWEEN #1/1/2003# AND #5/17/2024#")),
              (QStringList{"111", "Abc", "4321"}));
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM qlm WHERE Time BETWEEN #9:5:7# AND #12:00:00#")),
              (QStringList{"Abc", " "}));
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM qlm WHERE (CallerID LIKE '*3*' OR CallerID = 'abc') "
                                               "AND Date >= #2006-2-3#")),
              (QStringList{"Abc", "4321"}));
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM qlm WHERE CallerID LIKE '[!0-9]*'")),
              (QStringList{"Abc", " "}));
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM qlm WHERE Duration LIKE '#'")), QStringList{" "});

    // Execute with the fail-on-error option.
    ASSERT_TRUE(db->Execute(QStringLiteral("UPDATE qlm SET Comment = 'it''s mine' WHERE Date = #02/03/2006# AND "
                                           "Time = #09:05:07#"),
                            &error, kFailOnError));
    EXPECT_EQ(db->RecordsAffected(), 1);
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM qlm WHERE Comment = 'IT''S MINE'")), QStringList{"Abc"});

    int number = 0;
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM qlm WHERE Date = #2/30/2003#"), &number),
              QStringList{"<error>"});
    EXPECT_EQ(number, dberr::kSyntax);
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM qlm WHERE CallerID LIKE '[12'"), &number),
              QStringList{"<error>"});
    EXPECT_NE(number, 0);
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM calls"), &number), QStringList{"<error>"});
    EXPECT_EQ(number, dberr::kNoTable);
    EXPECT_FALSE(db->Execute(QStringLiteral("UPDATE qlm SET WHERE"), &error));
    EXPECT_EQ(error.number, dberr::kSyntax);
    EXPECT_FALSE(db->OpenRecordset(QStringLiteral("nosuch"), &error));
    EXPECT_EQ(error.number, dberr::kNoTable);
}

TEST(EngineDatabase, AssignmentsAreCheckedAndDeleteRemovesTheCurrentRow) {
    QTemporaryDir dir;
    auto db =
        MakeCatalogue(dir.filePath(QStringLiteral("a.mdb")),
                      {{"2003-1-1", "1:0:0", 1, "1"}, {"2003-1-2", "2:0:0", 2, "2"}, {"2003-1-3", "3:0:0", 3, "3"}});
    ASSERT_TRUE(db);
    Error error;
    auto rs = db->OpenRecordset(QStringLiteral("qlm"), &error);
    ASSERT_TRUE(rs->AddNew(&error));
    EXPECT_FALSE(rs->SetField(QStringLiteral("Date"), QStringLiteral("2000-0-0"), &error));
    EXPECT_EQ(error.number, dberr::kConversion);
    EXPECT_FALSE(rs->SetField(QStringLiteral("InorOut"), 40000, &error));
    EXPECT_EQ(error.number, dberr::kOverflow);
    EXPECT_FALSE(rs->SetField(QStringLiteral("Duration"), QStringLiteral("long"), &error));
    EXPECT_EQ(error.number, dberr::kConversion);
    EXPECT_FALSE(rs->SetField(QStringLiteral("Nope"), 1, &error));
    rs.reset();

    auto query = db->OpenRecordset(QStringLiteral("SELECT * FROM qlm WHERE Duration >= 1"), &error);
    ASSERT_TRUE(query);
    EXPECT_FALSE(query->AddNew(&error));  // only a table-type set adds rows
    for (; !query->AtEnd(); query->MoveNext()) {
        if (query->Field(QStringLiteral("Duration")).toInt() != 2) {
            ASSERT_TRUE(query->Delete(&error)) << error.description.toStdString();
        }
    }
    query.reset();
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM qlm")), QStringList{"2"});

    auto empty = db->OpenRecordset(QStringLiteral("SELECT * FROM qlm WHERE Duration > 99"), &error);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->RecordCount(), 0);
    EXPECT_TRUE(empty->AtEnd());
}

TEST(EngineDatabase, TransactionRollsBackUnlessCommitted) {
    QTemporaryDir dir;
    auto db = MakeCatalogue(dir.filePath(QStringLiteral("t.mdb")), {});
    ASSERT_TRUE(db);
    Error error;
    {
        ScopedTransaction transaction(db.get(), &error);
        ASSERT_TRUE(transaction.Active());
        ASSERT_TRUE(db->Execute(QStringLiteral("INSERT INTO qlm (CallerID) VALUES ('lost')"), &error));
    }
    {
        ScopedTransaction transaction(db.get(), &error);
        ASSERT_TRUE(db->Execute(QStringLiteral("INSERT INTO qlm (CallerID) VALUES ('kept')"), &error));
        ASSERT_TRUE(transaction.Commit(&error));
    }
    EXPECT_EQ(Callers(db.get(), QStringLiteral("SELECT * FROM qlm")), QStringList{"kept"});
}

TEST(EngineDatabase, OpenFailuresAndTheExclusiveOpen) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mdb"));
    Error error;
    EXPECT_FALSE(Database::Open(path, true, &error));
    EXPECT_EQ(error.number, dberr::kFileNotFound);

    auto db = MakeCatalogue(path, {{"2003-1-1", "1:0:0", 1, "1"}});
    ASSERT_TRUE(db);
    EXPECT_FALSE(Database::Create(path, QString(), 0, &error));
    EXPECT_EQ(error.number, dberr::kExists);

    // Held by the first handle: a second one cannot open, read or write it.
    EXPECT_FALSE(Database::Open(path, true, &error));
    EXPECT_EQ(error.number, dberr::kInUse);
    EXPECT_FALSE(Database::Open(path, false, &error));
    EXPECT_EQ(error.number, dberr::kInUse);
    auto rows = db->OpenRecordset(QStringLiteral("SELECT * FROM qlm"), &error);
    ASSERT_TRUE(rows);
    db->Close();
    EXPECT_TRUE(rows->AtEnd());  // closed with its database
    EXPECT_FALSE(rows->MoveFirst(&error));
    EXPECT_EQ(error.number, dberr::kObjectClosed);

    auto again = Database::Open(path, true, &error);
    ASSERT_TRUE(again) << error.description.toStdString();
    EXPECT_EQ(Callers(again.get(), QStringLiteral("SELECT * FROM qlm")), QStringList{"1"});
    again.reset();

    const QString text = dir.filePath(QStringLiteral("notes.mdb"));
    test::WriteFile(text,
                    QByteArray("This is not a database at all, just some text that is long enough.").repeated(20));
    EXPECT_FALSE(Database::Open(text, true, &error));
    EXPECT_EQ(error.number, dberr::kNotDatabase);
    EXPECT_FALSE(Database::Create(dir.filePath(QStringLiteral("no/such/folder/y.mdb")), QString(), 0, &error));
    EXPECT_NE(error.number, 0);
}

// The build's bulk insert: texts stored byte for byte (quotes, non-Latin
// letters), read back as dates through the record set; a row rolled back with
// its transaction; no crash and a clear error once the database is closed.
TEST(EngineDatabase, RowInserterStoresTextsExactlyAndFailsCleanly) {
    QTemporaryDir dir;
    auto db = MakeCatalogue(dir.filePath(QStringLiteral("t.mdb")), {});
    ASSERT_TRUE(db);
    Error error;
    const QStringList columns{QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("CallerID"),
                              QStringLiteral("Duration")};
    auto add = db->PrepareInsert(QStringLiteral("qlm"), columns, &error);
    ASSERT_TRUE(add) << error.description.toStdString();
    const QString text = QStringLiteral("O'Brien \"Ж\" 電話 %_*");
    const QByteArray utf8 = text.toUtf8();
    {
        ScopedTransaction transaction(db.get(), &error);
        add->BindText(0, "2024-03-07");
        add->BindText(1, "09:05:00");
        add->BindText(2, std::string_view(utf8.constData(), size_t(utf8.size())));
        add->BindInt(3, 70000);
        ASSERT_TRUE(add->Insert(&error)) << error.description.toStdString();
        ASSERT_TRUE(transaction.Commit(&error));
    }
    {
        ScopedTransaction transaction(db.get(), &error);
        add->BindText(2, "lost");
        ASSERT_TRUE(add->Insert(&error));
    }
    auto rows = db->OpenRecordset(QStringLiteral("SELECT * FROM qlm"), &error);
    ASSERT_TRUE(rows && !rows->AtEnd());
    EXPECT_EQ(rows->Field(QStringLiteral("Date")).toDate(), QDate(2024, 3, 7));
    EXPECT_EQ(rows->Field(QStringLiteral("Time")).toTime(), QTime(9, 5, 0));
    EXPECT_EQ(rows->Field(QStringLiteral("CallerID")).toString(), text);
    EXPECT_EQ(rows->Field(QStringLiteral("Duration")).toInt(), 70000);
    EXPECT_TRUE(rows->MoveNext() && rows->AtEnd());

    EXPECT_FALSE(db->PrepareInsert(QStringLiteral("qlm"), {QStringLiteral("NoSuchColumn")}, &error));
    EXPECT_EQ(error.number, dberr::kSyntax);
    db->Close();
    error = Error();
    add->BindText(2, "after close");
    EXPECT_FALSE(add->Insert(&error));
    EXPECT_EQ(error.number, dberr::kObjectClosed);
}
