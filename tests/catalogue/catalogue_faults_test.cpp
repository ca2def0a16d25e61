// Files chosen as a catalogue that are none, or not the right one, or cannot
// be written: a clear message, no crash, and no file in the folder changed or
// added.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/card/build.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/prjpublic.h"
#include "tests/support/cardfiles.h"
#include "tests/support/catalogue.h"
#include "tests/support/smallfs.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

// Statements run through SQLite itself: a database of any schema, or values
// the engine would never store.
void MakeDatabase(const QString& path, const char* statements) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, statements, nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

qint64 Short(int) { return 1000; }

// A good catalogue of three calls, built the normal way.
QString GoodCatalogue(const QString& folder) {
    test::WriteCard(folder, 3, Short);
    const BuildResult built = BuildCatalogueIn(folder, nullptr, BuildHooks());
    if (built.database)
        built.database->Close();
    return built.path;
}

// Opens the file as the window does and as qlmtool list does; both must fail
// with the error number, leave every file of the folder as it was, and list
// nothing.
void ExpectRefused(const QString& path, int number, const QString& wordInMessage) {
    const QString folder = QFileInfo(path).absolutePath();
    const auto before = test::Snapshot(folder);

    CallListModel model;
    Error error;
    EXPECT_FALSE(OpenCatalogueFile(path, &model, &error)) << path.toStdString();
    EXPECT_EQ(error.number, number) << error.description.toStdString();
    EXPECT_TRUE(error.description.contains(wordInMessage)) << error.description.toStdString();
    EXPECT_EQ(model.rowCount(), 0);

    const test::RunResult list = test::Qlmtool({"list", path});
    EXPECT_EQ(list.exitCode, 1);
    EXPECT_TRUE(list.out.isEmpty()) << list.out.toStdString();
    EXPECT_TRUE(list.err.contains(QStringLiteral("error %1").arg(number).toUtf8())) << list.err.toStdString();

    EXPECT_EQ(test::Snapshot(folder), before) << path.toStdString();
}

}  // namespace

TEST(CatalogueFaults, FilesThatAreNoCatalogue) {
    test::AppFolder app;
    QTemporaryDir dir;

    const QString text = dir.filePath("text.mdb");
    test::WriteFile(text, QByteArray("This is a letter, not a catalogue.\n").repeated(200));
    ExpectRefused(text, dberr::kNotDatabase, "Unrecognized database format");

    // A recording picked by mistake: binary, starts with number nibbles.
    const QString card = dir.filePath("card");
    const QStringList names = test::WriteCard(card, 1, Short);
    const QString recording = dir.filePath("recording.mdb");
    ASSERT_TRUE(QFile::copy(card + u'/' + names[0], recording));
    ExpectRefused(recording, dberr::kNotDatabase, "Unrecognized database format");

    // A database whose first page is damaged.
    const QString damaged = dir.filePath("damaged.mdb");
    QFile::copy(GoodCatalogue(dir.filePath("good")), damaged);
    QByteArray bytes = test::ReadFile(damaged);
    bytes.replace(16, 8, QByteArray(8, '\xEE'));
    test::WriteFile(damaged, bytes);
    ExpectRefused(damaged, dberr::kNotDatabase, "Unrecognized database format");

    const QString missing = dir.filePath("gone.mdb");
    ExpectRefused(missing, dberr::kFileNotFound, "gone.mdb");
}

TEST(CatalogueFaults, DatabasesOfTheWrongShape) {
    test::AppFolder app;
    QTemporaryDir dir;

    const QString other = dir.filePath("other.mdb");
    MakeDatabase(other, "CREATE TABLE calls (Date TEXT, Comment TEXT); INSERT INTO calls VALUES ('2024-01-01', 'x');");
    ExpectRefused(other, dberr::kNoTable, "qlm");

    // An empty file is no catalogue either, and stays empty.
    const QString empty = dir.filePath("empty.mdb");
    test::WriteFile(empty, QByteArray());
    ExpectRefused(empty, dberr::kNotDatabase, "Unrecognized database format");

    // Table qlm, but not the catalogue's columns.
    const QString columns = dir.filePath("columns.mdb");
    MakeDatabase(columns,
                 "CREATE TABLE qlm (Date TEXT, Who TEXT, Comment TEXT);"
                 "INSERT INTO qlm VALUES ('2024-01-01', 'x', 'hello');");
    ExpectRefused(columns, dberr::kItemNotFound, "Time");

    // The right columns with values of the wrong kind: listed, blanks where
    // a value cannot be read, no crash.
    const QString odd = dir.filePath("odd.mdb");
    {
        Error made;
        ASSERT_TRUE(test::CreateCatalogue(odd, &made)) << made.description.toStdString();
    }
    MakeDatabase(odd,
                 "INSERT INTO qlm VALUES ('yesterday', x'00ff', 'long', 12, NULL, 99999, -1, 'yes', 7.5, x'c3');"
                 "INSERT INTO qlm VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);");
    CallListModel model;
    Error error;
    const OpenedCatalogue opened = OpenCatalogueFile(odd, &model, &error);
    EXPECT_TRUE(opened) << error.description.toStdString();
    EXPECT_EQ(opened.listed, 2);
    for (int row = 0; row < model.rowCount(); ++row)
        for (int column = 0; column < model.columnCount(); ++column)
            model.data(model.index(row, column));
}

// A catalogue on a read-only medium (or, without the right to mount, a file
// without write permission, which only binds users other than root).
TEST(CatalogueFaults, ReadOnlyCatalogue) {
    test::AppFolder app;
    test::SmallFs medium(4 * 1024 * 1024);
    QTemporaryDir dir;
    QString path;
    if (medium.Mounted()) {
        path = GoodCatalogue(medium.path() + "/card");
        ASSERT_TRUE(medium.SetReadOnly(true));
    } else if (::geteuid() != 0) {
        path = GoodCatalogue(dir.filePath("card"));
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    } else {
        GTEST_SKIP() << medium.WhyNot().toStdString();
    }
    ASSERT_FALSE(path.isEmpty());
    ExpectRefused(path, dberr::kCannotOpen, "read-only");
    if (medium.Mounted())
        medium.SetReadOnly(false);
}
