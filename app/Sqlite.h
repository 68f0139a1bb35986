#pragma once
// A thin RAII layer over the SQLite C interface: one connection, prepared
// statements, and errors as exceptions carrying SQLite's own reason.
#include <sqlite3.h>

#include <cstdint>
#include <cstddef>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kz7::app {

class SqliteError : public std::runtime_error {
  public:
    SqliteError(const std::string& what, int code) : std::runtime_error(what), code_(code) {}
    // The primary SQLite result code (SQLITE_NOTADB, SQLITE_READONLY, ...).
    int Code() const { return code_; }

  private:
    int code_;
};

class SqliteStatement;

class SqliteConnection {
  public:
    // Opens `file` with the sqlite3_open_v2 `flags`; throws SqliteError.
    SqliteConnection(const std::string& file, int flags);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Runs one or more statements that return no rows.
    void Execute(std::string_view sql);
    // The first column of the first row of `sql`, as an integer (0 when no row).
    int64_t QueryInteger(std::string_view sql);
    bool IsReadOnly() const;
    int64_t LastInsertId() const;
    sqlite3* Handle() const { return db_; }
    // Moves what it can of the write-ahead log into the file without
    // waiting for the writer or for readers; a busy log is left for later.
    void CheckpointPassively() { CheckpointPassively(db_); }
    static void CheckpointPassively(sqlite3* db);

  private:
    friend class SqliteStatement;
    [[noreturn]] void Fail(int code) const;

    sqlite3* db_ = nullptr;
};

class SqliteStatement {
  public:
    SqliteStatement(SqliteConnection& connection, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters are numbered from 1. Texts are copied only when `copy`.
    void Bind(int index, int64_t value);
    void Bind(int index, double value);
    void Bind(int index, std::string_view text, bool copy = true);
    void BindNull(int index);
    // A blob, not copied: it must stay unchanged until the statement runs.
    void BindBlob(int index, const void* data, size_t bytes);
    // Steps once: true when a row is ready, false when the statement is done.
    bool Step();
    // Runs a statement that returns no rows and readies it for new bindings.
    void Run();
    void Reset();

    int64_t ColumnInteger(int column) const;
    double ColumnDouble(int column) const;
    std::string ColumnText(int column) const;
    bool ColumnIsNull(int column) const;
    std::optional<double> ColumnOptionalDouble(int column) const;
    // The bytes of a blob column, valid until the next Step or Reset.
    std::span<const std::byte> ColumnBlob(int column) const;

  private:
    void Check(int code) const;

    SqliteConnection& connection_;
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace kz7::app
