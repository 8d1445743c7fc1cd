#include "Sqlite.h"

#include <utility>

namespace demo {

Db::~Db()
{
    if (db_)
        sqlite3_close_v2(db_);
}

Db::Db(Db&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Db& Db::operator=(Db&& other) noexcept
{
    if (this != &other) {
        if (db_)
            sqlite3_close_v2(db_);
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

bool Db::Open(const std::string& path, std::string& error)
{
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &handle,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        error = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
        if (handle)
            sqlite3_close_v2(handle);
        return false;
    }
    if (db_)
        sqlite3_close_v2(db_);
    db_ = handle;
    // Another process (the supplier-side state command) may write while the
    // service runs: wait for its lock instead of failing at once.
    sqlite3_busy_timeout(db_, 10000);
    if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA foreign_keys=ON") || !Exec("PRAGMA synchronous=NORMAL")) {
        error = LastError();
        return false;
    }
    return true;
}

bool Db::Exec(const char* sql)
{
    if (!db_)
        return false;
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string Db::LastError() const
{
    return db_ ? sqlite3_errmsg(db_) : "database not open";
}

std::int64_t Db::LastInsertId() const
{
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

int Db::Changes() const
{
    return db_ ? sqlite3_changes(db_) : 0;
}

Stmt::Stmt(Db& db, const char* sql)
{
    if (!db.Handle() || sqlite3_prepare_v2(db.Handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        stmt_ = nullptr;
        failed_ = true;
    }
}

Stmt::~Stmt()
{
    if (stmt_)
        sqlite3_finalize(stmt_);
}

Stmt& Stmt::Bind(int index, std::string_view text)
{
    if (stmt_ && sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        failed_ = true;
    return *this;
}

Stmt& Stmt::Bind(int index, std::int64_t value)
{
    if (stmt_ && sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
        failed_ = true;
    return *this;
}

bool Stmt::Row()
{
    if (!stmt_ || failed_)
        return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        failed_ = true;
    return false;
}

bool Stmt::Run()
{
    while (Row()) {
    }
    return !failed_;
}

void Stmt::Reset()
{
    if (stmt_) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    failed_ = stmt_ == nullptr;
}

std::string Stmt::Text(int column) const
{
    const unsigned char* p = sqlite3_column_text(stmt_, column);
    if (!p)
        return {};
    return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::int64_t Stmt::Int(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

bool Stmt::IsNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Transaction::Transaction(Db& db) : db_(db)
{
    began_ = db_.Exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (began_ && !done_)
        db_.Exec("ROLLBACK");
}

bool Transaction::Commit()
{
    if (!began_ || done_)
        return false;
    done_ = db_.Exec("COMMIT");
    return done_;
}

}  // namespace demo
