// The catalogue's database engine: SQLite 3 behind the few operations the
// catalogue code needs (create, table definition, exclusive open, record
// sets, add/update/delete, execute, close), speaking the statement dialect of
// the catalogue's queries (dialect.h, like.h).
//
// Dialect accepted by OpenRecordset() and Execute(), on top of SQLite's own:
//   - date and time literals between '#': #2003-1-1#, #03/07/2024#, #1/1/2003#,
//     #9:5:0#, #09:05:00# (and a date followed by a time). They are rewritten
//     to quoted ISO texts ('2003-01-01', '09:05:00'); an impossible one
//     (month 0, 30 February, minute 60) fails the statement with error 3075.
//   - LIKE with the wildcards * (any run), ? (one character), # (one digit),
//     [abc], [a-c], [!abc]; always case-insensitive.
//   - '=' on text columns ignores letter case (the columns are COLLATE NOCASE).
// Date/Time columns hold 'YYYY-MM-DD' and 'HH:MM:SS' texts, so BETWEEN on them
// compares correctly; they read back as QDate / QTime values.
//
// Running a query (e.g. the search):
//     Error error;
//     auto rows = db->OpenRecordset(u"SELECT * FROM qlm WHERE Date BETWEEN "
//                                   u"#1/1/2003# AND #5/17/2024#"_s, &error);
//     if (!rows) { /* error.number, error.description */ }
//     for (; !rows->AtEnd(); rows->MoveNext())
//         QDate d = rows->Field(u"date"_s).toDate();   // any case
// Running a statement without rows (UPDATE, DELETE):
//     if (!db->Execute(sql, &error)) ...
// Every call that can fail takes an Error* and returns false / nullptr on
// failure with the error's number and description set (numbers follow the
// original engine's: 3024 no such file, 3045 in use, 3075 malformed
// statement, 3078 no such table, 3204 exists, 3343 not a database, 3421
// conversion, 3349 overflow).
#pragma once

#include <memory>
#include <string_view>

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>

#include "app/catalogue/dialect.h"
#include "app/catalogue/like.h"
#include "platform/error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qlm {

namespace dberr {
inline constexpr int kFileNotFound = 3024;
inline constexpr int kDiskFull = 3026;
inline constexpr int kInUse = 3045;
inline constexpr int kCannotOpen = 3051;
inline constexpr int kSyntax = 3075;
inline constexpr int kNoTable = 3078;
inline constexpr int kExists = 3204;
inline constexpr int kNotDatabase = 3343;
inline constexpr int kOverflow = 3349;
inline constexpr int kNoCurrentRecord = 3021;
inline constexpr int kObjectClosed = 3420;
inline constexpr int kConversion = 3421;
inline constexpr int kUpdateWithoutAdd = 3020;
inline constexpr int kReadOnlySet = 3027;
inline constexpr int kItemNotFound = 3265;
inline constexpr int kOther = 3000;
}  // namespace dberr

// Type codes of the create-field call.
enum class FieldType { Integer = 3, Long = 4, Date = 8, Text = 10 };

// The locale text and option of the create call; accepted, the file is plain.
inline constexpr char kGeneralLocale[] = ";LANGID=0x0409;CP=1252;COUNTRY=0";
inline constexpr int kEncryptOption = 2;
// The execute option the catalogue passes (fail on error); accepted.
inline constexpr int kFailOnError = 64;

struct FieldDef {
    QString Name;
    FieldType Type = FieldType::Text;
};

struct TableDef {
    QString Name;
    QVector<FieldDef> Fields;
    // Appends a field, as the create-field call does.
    void CreateField(const QString& name, FieldType type) { Fields.push_back({name, type}); }
};

class Recordset;
class RowInserter;
struct Connection;

// Owns one prepared statement; finalizes it when reset or destroyed.
struct StatementFinalizer {
    void operator()(sqlite3_stmt* stmt) const;
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // A new, empty catalogue file, opened exclusively. Fails (3204) when the
    // file exists, or when it cannot be written.
    static std::unique_ptr<Database> Create(const QString& path, const QString& locale, int options, Error* error);
    // Opens an existing file read-write. With exclusive = true no other
    // connection, in this process or another, can read or write it until
    // Close(). Fails when the file is missing (3024), no database (3343; an
    // empty file too, which would otherwise silently become one), in use
    // (3045) or read-only (3051).
    static std::unique_ptr<Database> Open(const QString& path, bool exclusive, Error* error);

    QString Path() const { return path_; }
    bool IsOpen() const;

    // Creates the table with its fields in order. Text fields ignore letter
    // case in comparisons.
    bool AppendTableDef(const TableDef& table, Error* error);

    // Rows of an SQL statement in the engine's order, or a table-type set for
    // adding rows when given a bare table name. nullptr on failure.
    std::unique_ptr<Recordset> OpenRecordset(const QString& sqlOrTable, Error* error);

    // Adds rows to the table, giving values for the columns named, in that
    // order (see RowInserter). nullptr on failure.
    std::unique_ptr<RowInserter> PrepareInsert(const QString& table, const QStringList& columns, Error* error);

    // Runs a statement without rows; options are accepted for compatibility.
    bool Execute(const QString& sql, Error* error, int options = kFailOnError);
    // Rows changed by the last Execute().
    int RecordsAffected() const { return affected_; }

    // Releases the file (and its lock). Open record sets become unusable.
    void Close();

    // For the scoped transaction.
    bool RunPlain(const char* sql, Error* error);

    // The page cache's size as the engine's cache_size setting gives it
    // (pages when positive, KiB when negative); 0 when closed. A transaction
    // that changes more pages than the cache holds writes them out early,
    // each time after syncing its journal: a bulk insert wants them all.
    int CacheSize() const;
    void SetCacheSize(int size);

    // Copies the whole database into the file (new or empty) through the
    // engine's online backup, on this connection and under its lock: a
    // consistent picture of the catalogue as it is now, comments included.
    // False with the error set (3026 when the medium is full); the file is
    // left for the caller to remove.
    bool BackupTo(const QString& file, Error* error) const;

private:
    Database() = default;
    // Open(); an empty file is taken only from Create().
    static std::unique_ptr<Database> OpenFile(const QString& path, bool exclusive, bool fresh, Error* error);
    std::shared_ptr<Connection> conn_;
    QString path_;
    int affected_ = 0;
};

// A forward record set. Positioned on its first row when opened.
class Recordset {
public:
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // 0 exactly when the set has no rows; otherwise the rows reached so far.
    int RecordCount() const;
    bool AtEnd() const { return atEnd_; }
    bool MoveFirst(Error* error = nullptr);
    bool MoveNext(Error* error = nullptr);

    // The current row's value of a column named in any case; an invalid
    // QVariant for NULL, an unknown column or when at the end.
    QVariant Field(const QString& name) const;
    bool HasField(const QString& name) const;
    // The same by position, for loops over many rows: FieldIndex once (-1
    // when there is no such column), then Value per row.
    int FieldIndex(const QString& name) const;
    QVariant Value(int index) const;
    QStringList FieldNames() const;

    // Adding a row: AddNew, assign fields, Update. Only on a table-type set.
    bool AddNew(Error* error);
    bool SetField(const QString& name, const QVariant& value, Error* error);
    bool Update(Error* error);

    // Deletes the current row (the set stays on it; MoveNext goes on).
    bool Delete(Error* error);

    void Close();

private:
    friend class Database;
    enum class Kind { Other, Integer, Long, Date, Text };
    Recordset() = default;
    bool Step(Error* error);
    int ColumnOf(const QString& name) const;

    std::shared_ptr<Connection> conn_;
    StatementHandle stmt_;
    StatementHandle insert_;  // prepared at the first Update
    QString table_;           // the table of a table-type set or of "SELECT * FROM t"
    bool tableType_ = false;
    bool hasRowid_ = false;  // column 0 is the row id, hidden
    bool atEnd_ = true;
    bool deleted_ = false;
    int seen_ = 0;
    QHash<QString, int> columns_;          // case-folded name -> statement column
    mutable QHash<QString, int> spelled_;  // names as asked for -> column
    QStringList names_;
    QVector<Kind> kinds_;
    bool adding_ = false;
    QVector<QVariant> newRow_;
};

// Many rows added to one table through one prepared statement, values bound
// by position straight from integers and UTF-8 texts: without the record
// set's per-field names and conversions, for the catalogue build's tens of
// thousands of rows. Values are stored as given (no date parsing, no range
// checks): give each column the stored form it holds, e.g. 'YYYY-MM-DD'.
//     auto add = db->PrepareInsert(u"qlm"_s, {u"Date"_s, u"duration"_s}, &error);
//     add->BindText(0, "2024-03-07"); add->BindInt(1, 12);
//     if (!add->Insert(&error)) ...
class RowInserter {
public:
    ~RowInserter();
    RowInserter(const RowInserter&) = delete;
    RowInserter& operator=(const RowInserter&) = delete;

    // Column positions count from 0 in the order given to PrepareInsert.
    // The text is not copied: it must stay unchanged until Insert returns.
    void BindText(int column, std::string_view utf8);
    void BindInt(int column, qint64 value);
    // Stores the bound row; every value is unbound afterwards (NULL), also
    // when the insert failed.
    bool Insert(Error* error);
    // The rowid of the last row the connection stored.
    qint64 LastRowId() const;

private:
    friend class Database;
    RowInserter() = default;
    void Close();

    std::shared_ptr<Connection> conn_;
    StatementHandle stmt_;
};

// A transaction that rolls back unless committed.
class ScopedTransaction {
public:
    ScopedTransaction(Database* db, Error* error);
    ~ScopedTransaction();
    ScopedTransaction(const ScopedTransaction&) = delete;
    ScopedTransaction& operator=(const ScopedTransaction&) = delete;
    bool Active() const { return active_; }
    bool Commit(Error* error);

private:
    Database* db_;
    bool active_ = false;
};

}  // namespace qlm
