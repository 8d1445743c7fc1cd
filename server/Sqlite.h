#pragma once

// Thin RAII layer over the SQLite C API. Every value that comes from a
// request reaches a statement through Bind, never through the SQL text.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace demo {

class Db {
public:
    Db() = default;
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;
    Db(Db&& other) noexcept;
    Db& operator=(Db&& other) noexcept;

    // Opens (and creates) the file; WAL journal, foreign keys, busy timeout.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return db_ != nullptr; }
    // Runs SQL without parameters (schema, transaction control).
    bool Exec(const char* sql);
    std::string LastError() const;
    std::int64_t LastInsertId() const;
    int Changes() const;
    sqlite3* Handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

class Stmt {
public:
    Stmt(Db& db, const char* sql);
    ~Stmt();
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    Stmt& Bind(int index, std::string_view text);
    Stmt& Bind(int index, std::int64_t value);
    Stmt& Bind(int index, int value) { return Bind(index, static_cast<std::int64_t>(value)); }
    // One step: true while a row is available.
    bool Row();
    // Runs to completion; true when the statement finished without error.
    bool Run();
    bool Failed() const { return failed_; }
    void Reset();

    std::string Text(int column) const;
    std::int64_t Int(int column) const;
    bool IsNull(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    bool failed_ = false;
};

// BEGIN IMMEDIATE ... COMMIT, rolled back when not committed.
class Transaction {
public:
    explicit Transaction(Db& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    bool Began() const { return began_; }
    bool Commit();

private:
    Db& db_;
    bool began_ = false;
    bool done_ = false;
};

}  // namespace demo
