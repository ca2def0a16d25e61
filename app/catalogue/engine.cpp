// SQLite under the catalogue's engine interface: connections, record sets,
// the scoped transaction, case-insensitive text columns and an exclusive open
// that really keeps other programs out. The statement dialect ('#' literals)
// is in dialect.cpp, the LIKE wildcards in like.cpp.
#include "app/catalogue/engine.h"

#include <algorithm>
#include <unordered_set>

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>

#include <sqlite3.h>

namespace qlm {

void StatementFinalizer::operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }

struct Connection {
    sqlite3* db = nullptr;
    // Record sets still alive on this connection; closing the connection
    // finalizes their statements so the file lock goes with it.
    std::unordered_set<Recordset*> sets;
    std::unordered_set<RowInserter*> inserters;
    ~Connection() { Close(); }
    void Close() {
        if (db) {
            sqlite3_close_v2(db);
            db = nullptr;
        }
    }
};

namespace {

QString Utf8(const unsigned char* text, int bytes) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text), bytes);
}

Error Make(int number, const QString& description) { return Error{number, description}; }

void Set(Error* error, int number, const QString& description) {
    if (error)
        *error = Make(number, description);
}

// The engine's message for an SQLite failure on this connection.
Error FromSqlite(sqlite3* db, int rc, const QString& path = QString()) {
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Make(dberr::kInUse, QStringLiteral("Could not use '%1'; file already in use.").arg(path));
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return Make(dberr::kNotDatabase, QStringLiteral("Unrecognized database format '%1'.").arg(path));
    case SQLITE_CANTOPEN:
        return Make(dberr::kFileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return Make(dberr::kCannotOpen, QStringLiteral("Cannot write to '%1': %2").arg(path, message));
    case SQLITE_FULL:
        return Make(dberr::kDiskFull, QStringLiteral("Not enough space on disk."));
    default:
        break;
    }
    if (message.startsWith(QStringLiteral("no such table: "))) {
        return Make(
            dberr::kNoTable,
            QStringLiteral("The database engine cannot find the input table or query '%1'.").arg(message.mid(15)));
    }
    if ((rc & 0xff) == SQLITE_ERROR)
        return Make(dberr::kSyntax, QStringLiteral("Syntax error in query expression: %1").arg(message));
    return Make(dberr::kOther, QStringLiteral("Database error %1: %2").arg(rc).arg(message));
}

QString QuoteName(const QString& name) {
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

const char* DeclaredType(FieldType type) {
    switch (type) {
    case FieldType::Integer:
        return "SMALLINT";
    case FieldType::Long:
        return "INTEGER";
    case FieldType::Date:
        return "DATETIME";
    case FieldType::Text:
        return "TEXT COLLATE NOCASE";
    }
    return "TEXT";
}

// INSERT INTO "table" ("a","b") VALUES (?,?)
QString InsertStatement(const QString& table, const QStringList& columns) {
    QStringList names, marks;
    for (const QString& name : columns) {
        names << QuoteName(name);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(QuoteName(table), names.join(u','), marks.join(u','));
}

bool IsBareName(const QString& text) {
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return name.match(text).hasMatch();
}

}  // namespace

// ---- Database --------------------------------------------------------------

Database::~Database() { Close(); }

bool Database::IsOpen() const { return conn_ && conn_->db; }

std::unique_ptr<Database> Database::Create(const QString& path, const QString& locale, int options, Error* error) {
    Q_UNUSED(locale);   // SQLite sorts by our collations; the locale has no counterpart
    Q_UNUSED(options);  // no encryption: the file is plain
    QFile file(path);
    if (file.exists()) {
        Set(error, dberr::kExists, QStringLiteral("Database already exists."));
        return nullptr;
    }
    // NewOnly: a file that appears meanwhile is never taken over.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (file.exists())
            Set(error, dberr::kExists, QStringLiteral("Database already exists."));
        else
            Set(error, dberr::kCannotOpen, QStringLiteral("Cannot create '%1': %2").arg(path, file.errorString()));
        return nullptr;
    }
    file.close();
    auto db = OpenFile(path, true, true, error);
    if (!db)
        QFile::remove(path);
    return db;
}

std::unique_ptr<Database> Database::Open(const QString& path, bool exclusive, Error* error) {
    return OpenFile(path, exclusive, false, error);
}

std::unique_ptr<Database> Database::OpenFile(const QString& path, bool exclusive, bool fresh, Error* error) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        Set(error, dberr::kFileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
        return nullptr;
    }
    // The engine would take an empty file for an empty database and write
    // its first page into it: a file chosen by mistake must stay as it is.
    if (!fresh && info.size() == 0) {
        Set(error, dberr::kNotDatabase, QStringLiteral("Unrecognized database format '%1'.").arg(path));
        return nullptr;
    }
    std::unique_ptr<Database> db(new Database);
    db->path_ = path;
    db->conn_ = std::make_shared<Connection>();
    // Without SQLite's connection mutex: a connection is used only on the thread that opened it.
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db->conn_->db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = FromSqlite(db->conn_->db, rc, path);
        return nullptr;
    }
    sqlite3* handle = db->conn_->db;
    if (sqlite3_db_readonly(handle, "main") == 1) {
        Set(error, dberr::kCannotOpen, QStringLiteral("Cannot write to '%1': the file is read-only.").arg(path));
        return nullptr;
    }
    sqlite3_busy_timeout(handle, 0);
    sqlite3_extended_result_codes(handle, 0);
    RegisterLike(handle);
    Error failed;
    if (exclusive && !db->RunPlain("PRAGMA locking_mode=EXCLUSIVE", &failed)) {
        if (error)
            *error = failed;
        return nullptr;
    }
    // Taking the write lock now, and reading the schema under it, both keeps
    // other programs out from here on and tells a foreign file or a file in
    // use at once rather than at the first query.
    const char* probe = exclusive ? "BEGIN EXCLUSIVE" : "BEGIN";
    if (!db->RunPlain(probe, &failed) || !db->RunPlain("SELECT count(*) FROM sqlite_master", &failed) ||
        !db->RunPlain("COMMIT", &failed)) {
        if (failed.number == dberr::kSyntax || failed.number == dberr::kOther)
            failed = Make(dberr::kNotDatabase, QStringLiteral("Unrecognized database format '%1'.").arg(path));
        if (error)
            *error = failed;
        return nullptr;
    }
    return db;
}

bool Database::RunPlain(const char* sql, Error* error) {
    if (!IsOpen()) {
        Set(error, dberr::kObjectClosed, QStringLiteral("Object invalid or no longer set."));
        return false;
    }
    const int rc = sqlite3_exec(conn_->db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = FromSqlite(conn_->db, rc, path_);
        return false;
    }
    return true;
}

int Database::CacheSize() const {
    if (!IsOpen())
        return 0;
    sqlite3_stmt* prepared = nullptr;
    sqlite3_prepare_v2(conn_->db, "PRAGMA cache_size", -1, &prepared, nullptr);
    const StatementHandle stmt(prepared);
    return stmt && sqlite3_step(stmt.get()) == SQLITE_ROW ? sqlite3_column_int(stmt.get(), 0) : 0;
}

void Database::SetCacheSize(int size) {
    if (size != 0)
        RunPlain(QByteArray("PRAGMA cache_size=" + QByteArray::number(size)).constData(), nullptr);
}

bool Database::AppendTableDef(const TableDef& table, Error* error) {
    QStringList fields;
    for (const FieldDef& field : table.Fields)
        fields << QuoteName(field.Name) + u' ' + QString::fromLatin1(DeclaredType(field.Type));
    const QString sql =
        QStringLiteral("CREATE TABLE %1 (%2)").arg(QuoteName(table.Name), fields.join(QStringLiteral(", ")));
    return RunPlain(sql.toUtf8().constData(), error);
}

bool Database::Execute(const QString& sql, Error* error, int options) {
    Q_UNUSED(options);
    affected_ = 0;
    if (!IsOpen()) {
        Set(error, dberr::kObjectClosed, QStringLiteral("Object invalid or no longer set."));
        return false;
    }
    const QString translated = TranslateStatement(sql, error);
    if (translated.isEmpty())
        return false;
    const QByteArray text = translated.toUtf8();
    const char* tail = text.constData();
    while (tail && *tail) {
        sqlite3_stmt* prepared = nullptr;
        int rc = sqlite3_prepare_v2(conn_->db, tail, -1, &prepared, &tail);
        const StatementHandle stmt(prepared);
        if (rc != SQLITE_OK) {
            if (error)
                *error = FromSqlite(conn_->db, rc, path_);
            return false;
        }
        if (!stmt)
            continue;  // white space or a comment
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            if (error)
                *error = FromSqlite(conn_->db, rc, path_);
            return false;
        }
        affected_ += sqlite3_changes(conn_->db);
    }
    return true;
}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& sqlOrTable, Error* error) {
    if (!IsOpen()) {
        Set(error, dberr::kObjectClosed, QStringLiteral("Object invalid or no longer set."));
        return nullptr;
    }
    std::unique_ptr<Recordset> rs(new Recordset);
    rs->conn_ = conn_;
    const QString trimmed = sqlOrTable.trimmed();
    QString sql;
    if (IsBareName(trimmed)) {
        rs->tableType_ = true;
        rs->table_ = trimmed;
        sql = QStringLiteral("SELECT rowid, * FROM ") + QuoteName(trimmed);
    } else {
        const QString translated = TranslateStatement(trimmed, error);
        if (translated.isEmpty())
            return nullptr;
        // A query on one table also carries the row id, hidden, so the
        // current row can be deleted.
        static const QRegularExpression selectAll(
            QStringLiteral("^SELECT\\s+\\*\\s+FROM\\s+([A-Za-z_][A-Za-z0-9_]*)\\b(?!\\s*[,.])(?!\\s+(?:NATURAL|INNER|"
                           "LEFT|CROSS|JOIN)\\b)"),
            QRegularExpression::CaseInsensitiveOption);
        const auto m = selectAll.match(translated);
        sql = translated;
        if (m.hasMatch()) {
            rs->table_ = m.captured(1);
            sql = QStringLiteral("SELECT rowid, * FROM ") + translated.mid(m.capturedStart(1));
        }
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* prepared = nullptr;
    int rc = sqlite3_prepare_v2(conn_->db, text.constData(), -1, &prepared, nullptr);
    rs->stmt_.reset(prepared);
    if (rc == SQLITE_OK && !rs->table_.isEmpty()) {
        rs->hasRowid_ = true;
    } else if (rc != SQLITE_OK && !rs->tableType_ && !rs->table_.isEmpty()) {
        // A view or the like has no row id: take the statement as written.
        rs->table_.clear();
        prepared = nullptr;
        rc = sqlite3_prepare_v2(conn_->db, TranslateStatement(trimmed, nullptr).toUtf8().constData(), -1, &prepared,
                                nullptr);
        rs->stmt_.reset(prepared);
    }
    if (rc != SQLITE_OK || !rs->stmt_) {
        if (error) {
            *error = rc != SQLITE_OK
                         ? FromSqlite(conn_->db, rc, path_)
                         : Make(dberr::kSyntax, QStringLiteral("Syntax error in query expression: empty statement"));
        }
        return nullptr;
    }
    const int count = sqlite3_column_count(rs->stmt_.get());
    for (int i = rs->hasRowid_ ? 1 : 0; i < count; ++i) {
        const QString name = QString::fromUtf8(sqlite3_column_name(rs->stmt_.get(), i));
        const QByteArray decl = QByteArray(sqlite3_column_decltype(rs->stmt_.get(), i)).toUpper();
        Recordset::Kind kind = Recordset::Kind::Other;
        if (decl.startsWith("DATE"))
            kind = Recordset::Kind::Date;
        else if (decl.startsWith("SMALLINT"))
            kind = Recordset::Kind::Integer;
        else if (decl.startsWith("INTEGER"))
            kind = Recordset::Kind::Long;
        else if (decl.startsWith("TEXT"))
            kind = Recordset::Kind::Text;
        if (!rs->columns_.contains(name.toCaseFolded()))
            rs->columns_.insert(name.toCaseFolded(), i);
        rs->names_ << name;
        rs->kinds_ << kind;
    }
    conn_->sets.insert(rs.get());
    if (!rs->Step(error))
        return nullptr;
    return rs;
}

void Database::Close() {
    if (!conn_)
        return;
    for (Recordset* rs : conn_->sets) {
        if (rs->stmt_) {
            rs->stmt_.reset();
            rs->atEnd_ = true;
        }
        rs->insert_.reset();
    }
    conn_->sets.clear();
    for (RowInserter* inserter : conn_->inserters)
        inserter->stmt_.reset();
    conn_->inserters.clear();
    conn_->Close();
    conn_.reset();
}

// ---- Recordset -------------------------------------------------------------

Recordset::~Recordset() { Close(); }

void Recordset::Close() {
    if (conn_)
        conn_->sets.erase(this);
    stmt_.reset();
    insert_.reset();
    atEnd_ = true;
    conn_.reset();
}

bool Recordset::Step(Error* error) {
    if (!stmt_ || !conn_ || !conn_->db) {
        atEnd_ = true;
        Set(error, dberr::kObjectClosed, QStringLiteral("Object invalid or no longer set."));
        return false;
    }
    deleted_ = false;
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW) {
        atEnd_ = false;
        ++seen_;
        return true;
    }
    atEnd_ = true;
    if (rc == SQLITE_DONE)
        return true;
    if (error)
        *error = FromSqlite(conn_->db, rc, QString());
    return false;
}

int Recordset::RecordCount() const { return seen_; }

bool Recordset::MoveFirst(Error* error) {
    if (!stmt_) {
        Set(error, dberr::kObjectClosed, QStringLiteral("Object invalid or no longer set."));
        return false;
    }
    sqlite3_reset(stmt_.get());
    seen_ = 0;
    return Step(error);
}

bool Recordset::MoveNext(Error* error) {
    if (atEnd_) {
        Set(error, dberr::kNoCurrentRecord, QStringLiteral("No current record."));
        return false;
    }
    return Step(error);
}

int Recordset::ColumnOf(const QString& name) const {
    // A build names the same ten columns for every row: each spelling is
    // folded once.
    if (const auto it = spelled_.constFind(name); it != spelled_.cend())
        return *it;
    return *spelled_.insert(name, columns_.value(name.toCaseFolded(), -1));
}

bool Recordset::HasField(const QString& name) const { return ColumnOf(name) >= 0; }

QStringList Recordset::FieldNames() const { return names_; }

int Recordset::FieldIndex(const QString& name) const { return ColumnOf(name); }

QVariant Recordset::Field(const QString& name) const { return Value(ColumnOf(name)); }

QVariant Recordset::Value(int col) const {
    if (col < 0 || atEnd_ || !stmt_)
        return QVariant();
    const int type = sqlite3_column_type(stmt_.get(), col);
    if (type == SQLITE_NULL)
        return QVariant();
    const Kind kind = kinds_[col - (hasRowid_ ? 1 : 0)];
    if ((kind == Kind::Integer || kind == Kind::Long || type == SQLITE_INTEGER) && type != SQLITE_TEXT) {
        const qint64 v = sqlite3_column_int64(stmt_.get(), col);
        return v >= INT_MIN && v <= INT_MAX ? QVariant(int(v)) : QVariant(v);
    }
    if (type == SQLITE_FLOAT)
        return sqlite3_column_double(stmt_.get(), col);
    const QString text = Utf8(sqlite3_column_text(stmt_.get(), col), sqlite3_column_bytes(stmt_.get(), col));
    return kind == Kind::Date ? StoredToValue(text) : QVariant(text);
}

bool Recordset::AddNew(Error* error) {
    if (!tableType_ || !stmt_) {
        Set(error, dberr::kReadOnlySet, QStringLiteral("Operation is not supported for this type of object."));
        return false;
    }
    adding_ = true;
    newRow_ = QVector<QVariant>(names_.size());
    return true;
}

bool Recordset::SetField(const QString& name, const QVariant& value, Error* error) {
    const int col = ColumnOf(name);
    if (!adding_) {
        Set(error, dberr::kUpdateWithoutAdd, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
        return false;
    }
    if (col < 0) {
        Set(error, dberr::kItemNotFound, QStringLiteral("Item not found in this collection: '%1'.").arg(name));
        return false;
    }
    const int index = col - (hasRowid_ ? 1 : 0);
    if (value.isNull() && value.typeId() != QMetaType::QString) {
        newRow_[index] = QVariant();
        return true;
    }
    switch (kinds_[index]) {
    case Kind::Date: {
        const QString stored = DateTimeStoredText(value);
        if (stored.isEmpty()) {
            Set(error, dberr::kConversion, QStringLiteral("Data type conversion error."));
            return false;
        }
        newRow_[index] = stored;
        return true;
    }
    case Kind::Integer:
    case Kind::Long: {
        bool ok = false;
        const qint64 v = value.toLongLong(&ok);
        if (!ok) {
            Set(error, dberr::kConversion, QStringLiteral("Data type conversion error."));
            return false;
        }
        const bool fits = kinds_[index] == Kind::Integer ? (v >= -32768 && v <= 32767) : (v >= INT_MIN && v <= INT_MAX);
        if (!fits) {
            Set(error, dberr::kOverflow, QStringLiteral("Numeric field overflow."));
            return false;
        }
        newRow_[index] = v;
        return true;
    }
    case Kind::Text:
    case Kind::Other:
        newRow_[index] = value.toString();
        return true;
    }
    return true;
}

bool Recordset::Update(Error* error) {
    if (!adding_) {
        Set(error, dberr::kUpdateWithoutAdd, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
        return false;
    }
    if (!conn_ || !conn_->db) {
        Set(error, dberr::kObjectClosed, QStringLiteral("Object invalid or no longer set."));
        return false;
    }
    // Prepared once per set: a build adds thousands of rows through it.
    int rc = SQLITE_OK;
    if (!insert_) {
        const QString sql = InsertStatement(table_, names_);
        sqlite3_stmt* prepared = nullptr;
        rc = sqlite3_prepare_v2(conn_->db, sql.toUtf8().constData(), -1, &prepared, nullptr);
        insert_.reset(prepared);
    }
    sqlite3_stmt* insert = insert_.get();
    if (rc == SQLITE_OK) {
        sqlite3_reset(insert);
        for (int i = 0; i < newRow_.size(); ++i) {
            const QVariant& v = newRow_[i];
            if (!v.isValid()) {
                sqlite3_bind_null(insert, i + 1);
            } else if (v.typeId() == QMetaType::LongLong) {
                sqlite3_bind_int64(insert, i + 1, v.toLongLong());
            } else {
                const QByteArray bytes = v.toString().toUtf8();
                sqlite3_bind_text(insert, i + 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            }
        }
        rc = sqlite3_step(insert);
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK && error)
        *error = FromSqlite(conn_->db, rc, QString());
    if (insert)
        sqlite3_reset(insert);
    if (rc != SQLITE_OK)
        return false;
    adding_ = false;
    newRow_.clear();
    return true;
}

bool Recordset::Delete(Error* error) {
    if (!hasRowid_ || !stmt_) {
        Set(error, dberr::kReadOnlySet, QStringLiteral("Operation is not supported for this type of object."));
        return false;
    }
    if (atEnd_ || deleted_) {
        Set(error, dberr::kNoCurrentRecord, QStringLiteral("No current record."));
        return false;
    }
    sqlite3_stmt* prepared = nullptr;
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(QuoteName(table_));
    int rc = sqlite3_prepare_v2(conn_->db, sql.toUtf8().constData(), -1, &prepared, nullptr);
    const StatementHandle del(prepared);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(del.get(), 1, sqlite3_column_int64(stmt_.get(), 0));
        rc = sqlite3_step(del.get());
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK && error)
        *error = FromSqlite(conn_->db, rc, QString());
    if (rc == SQLITE_OK)
        deleted_ = true;
    return rc == SQLITE_OK;
}

// ---- RowInserter -----------------------------------------------------------

std::unique_ptr<RowInserter> Database::PrepareInsert(const QString& table, const QStringList& columns, Error* error) {
    if (!IsOpen()) {
        Set(error, dberr::kObjectClosed, QStringLiteral("Object invalid or no longer set."));
        return nullptr;
    }
    sqlite3_stmt* prepared = nullptr;
    const int rc =
        sqlite3_prepare_v2(conn_->db, InsertStatement(table, columns).toUtf8().constData(), -1, &prepared, nullptr);
    std::unique_ptr<RowInserter> inserter(new RowInserter);
    inserter->stmt_.reset(prepared);
    if (rc != SQLITE_OK) {
        if (error)
            *error = FromSqlite(conn_->db, rc, path_);
        return nullptr;
    }
    inserter->conn_ = conn_;
    conn_->inserters.insert(inserter.get());
    return inserter;
}

RowInserter::~RowInserter() { Close(); }

void RowInserter::Close() {
    if (conn_)
        conn_->inserters.erase(this);
    stmt_.reset();
    conn_.reset();
}

void RowInserter::BindText(int column, std::string_view utf8) {
    if (stmt_)
        sqlite3_bind_text(stmt_.get(), column + 1, utf8.data(), int(utf8.size()), SQLITE_STATIC);
}

void RowInserter::BindInt(int column, qint64 value) {
    if (stmt_)
        sqlite3_bind_int64(stmt_.get(), column + 1, value);
}

bool RowInserter::Insert(Error* error) {
    if (!stmt_ || !conn_ || !conn_->db) {
        Set(error, dberr::kObjectClosed, QStringLiteral("Object invalid or no longer set."));
        return false;
    }
    const int rc = sqlite3_step(stmt_.get());
    if (rc != SQLITE_DONE && error)
        *error = FromSqlite(conn_->db, rc, QString());
    sqlite3_reset(stmt_.get());
    // Nothing bound stays behind: the texts bound belong to the caller.
    sqlite3_clear_bindings(stmt_.get());
    return rc == SQLITE_DONE;
}

qint64 RowInserter::LastRowId() const { return conn_ && conn_->db ? sqlite3_last_insert_rowid(conn_->db) : 0; }

// ---- ScopedTransaction -----------------------------------------------------

ScopedTransaction::ScopedTransaction(Database* db, Error* error) : db_(db) {
    active_ = db_ && db_->RunPlain("BEGIN", error);
}

ScopedTransaction::~ScopedTransaction() {
    if (active_)
        db_->RunPlain("ROLLBACK", nullptr);
}

bool ScopedTransaction::Commit(Error* error) {
    if (!active_)
        return false;
    active_ = false;
    if (db_->RunPlain("COMMIT", error))
        return true;
    db_->RunPlain("ROLLBACK", nullptr);
    return false;
}

}  // namespace qlm

// ---- online backup ---------------------------------------------------------

namespace qlm {

bool Database::BackupTo(const QString& file, Error* error) const {
    if (!IsOpen()) {
        Set(error, dberr::kObjectClosed, QStringLiteral("Object invalid or no longer set."));
        return false;
    }
    sqlite3* target = nullptr;
    int rc = sqlite3_open_v2(file.toUtf8().constData(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        // All pages in one step: our connection holds the file, so nothing
        // can change it between steps anyway.
        sqlite3_backup* backup = sqlite3_backup_init(target, "main", conn_->db, "main");
        if (backup) {
            rc = sqlite3_backup_step(backup, -1);
            const int finished = sqlite3_backup_finish(backup);
            rc = rc == SQLITE_DONE ? finished : rc;
        } else {
            rc = sqlite3_errcode(target);
        }
    }
    if (rc != SQLITE_OK && error)
        *error = FromSqlite(target, rc, file);
    sqlite3_close(target);
    return rc == SQLITE_OK;
}

}  // namespace qlm
