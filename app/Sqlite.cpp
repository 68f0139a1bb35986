#include "Sqlite.h"

#include <system_error>

namespace kz7::app {

namespace {

// SQLite's memory statistics take a process-wide lock at every allocation
// and free, which a writer inserting chunks does tens of thousands of
// times a run; kz7 never reads them. The setting can only be made before
// SQLite starts: where SQLite already runs in the process (a host that
// opened a database first), it keeps what it has.
void ConfigureLibraryOnce() {
    [[maybe_unused]] static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
}

}  // namespace

SqliteConnection::SqliteConnection(const std::string& file, int flags) {
    ConfigureLibraryOnce();
    const int code = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (code != SQLITE_OK) {
        std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
        const int systemError = db_ ? sqlite3_system_errno(db_) : 0;
        if (systemError != 0) reason += ": " + std::generic_category().message(systemError);
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqliteError(reason, code);
    }
    sqlite3_extended_result_codes(db_, 0);
}

SqliteConnection::~SqliteConnection() {
    sqlite3_close_v2(db_);
}

void SqliteConnection::Fail(int code) const {
    throw SqliteError(sqlite3_errmsg(db_), code & 0xff);
}

void SqliteConnection::Execute(std::string_view sql) {
    const std::string text(sql);
    char* message = nullptr;
    const int code = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
        const std::string reason = message ? message : sqlite3_errstr(code);
        sqlite3_free(message);
        throw SqliteError(reason, code & 0xff);
    }
}

int64_t SqliteConnection::QueryInteger(std::string_view sql) {
    SqliteStatement statement(*this, sql);
    return statement.Step() ? statement.ColumnInteger(0) : 0;
}

bool SqliteConnection::IsReadOnly() const {
    return sqlite3_db_readonly(db_, "main") == 1;
}

void SqliteConnection::CheckpointPassively(sqlite3* db) {
    sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

int64_t SqliteConnection::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

SqliteStatement::SqliteStatement(SqliteConnection& connection, std::string_view sql)
    : connection_(connection) {
    const int code = sqlite3_prepare_v3(connection.db_, sql.data(), static_cast<int>(sql.size()),
                                        SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
    if (code != SQLITE_OK) connection.Fail(code);
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

void SqliteStatement::Check(int code) const {
    if (code != SQLITE_OK) connection_.Fail(code);
}

void SqliteStatement::Bind(int index, int64_t value) {
    Check(sqlite3_bind_int64(statement_, index, value));
}

void SqliteStatement::Bind(int index, double value) {
    Check(sqlite3_bind_double(statement_, index, value));
}

void SqliteStatement::Bind(int index, std::string_view text, bool copy) {
    Check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                            copy ? SQLITE_TRANSIENT : SQLITE_STATIC));
}

void SqliteStatement::BindBlob(int index, const void* data, size_t bytes) {
    Check(sqlite3_bind_blob64(statement_, index, data, bytes, SQLITE_STATIC));
}

void SqliteStatement::BindNull(int index) {
    Check(sqlite3_bind_null(statement_, index));
}

bool SqliteStatement::Step() {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    sqlite3_reset(statement_);
    connection_.Fail(code);
}

void SqliteStatement::Run() {
    Step();
    Reset();
}

void SqliteStatement::Reset() {
    sqlite3_reset(statement_);
}

int64_t SqliteStatement::ColumnInteger(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double SqliteStatement::ColumnDouble(int column) const {
    return sqlite3_column_double(statement_, column);
}

std::string SqliteStatement::ColumnText(int column) const {
    const auto* text = sqlite3_column_text(statement_, column);
    if (!text) return {};
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

bool SqliteStatement::ColumnIsNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::optional<double> SqliteStatement::ColumnOptionalDouble(int column) const {
    if (ColumnIsNull(column)) return std::nullopt;
    return ColumnDouble(column);
}

}  // namespace kz7::app

namespace kz7::app {

std::span<const std::byte> SqliteStatement::ColumnBlob(int column) const {
    const void* data = sqlite3_column_blob(statement_, column);
    const int bytes = sqlite3_column_bytes(statement_, column);
    if (data == nullptr || bytes <= 0) return {};
    return {static_cast<const std::byte*>(data), static_cast<size_t>(bytes)};
}

}  // namespace kz7::app
