#include "RunCopy.h"

#include <fmt/format.h>

#include <string>
#include <vector>

#include "ResultReader.h"
#include "Sqlite.h"

namespace kz7::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSource = "source";

// The columns of table `table` of the target, `except` left out, joined by commas.
std::string ColumnsOf(SqliteConnection& db, const std::string& table, std::string_view except) {
    SqliteStatement select(db, "SELECT name FROM pragma_table_info(?) ORDER BY cid");
    select.Bind(1, table);
    std::string columns;
    while (select.Step()) {
        const std::string name = select.ColumnText(0);
        if (name != except) columns += (columns.empty() ? "" : ", ") + name;
    }
    return columns;
}

struct RunTable {
    std::string name;
    // Readers keep the order rows were written in (a summary's figures) by
    // rowid; the copy writes them in that order.
    bool hasRowid = true;
};

// The tables of the target whose rows belong to one run (a column `run`),
// but for the process writing a run: nobody writes the copy (and a source
// made by an earlier kz7 has no such table).
std::vector<RunTable> RunTables(SqliteConnection& db) {
    SqliteStatement select(db,
                           "SELECT m.name, m.sql LIKE '%WITHOUT ROWID%' FROM sqlite_schema AS m "
                           "WHERE m.type = 'table' AND m.name <> 'run_writers' AND EXISTS (SELECT "
                           "1 FROM pragma_table_info(m.name) WHERE name = 'run') ORDER BY m.name");
    std::vector<RunTable> tables;
    while (select.Step()) tables.push_back({select.ColumnText(0), select.ColumnInteger(1) == 0});
    return tables;
}

// The source attached to the target's connection for as long as it lives.
class AttachedSource {
  public:
    AttachedSource(SqliteConnection& db, const fs::path& file) : db_(db) {
        SqliteStatement attach(db, fmt::format("ATTACH DATABASE ? AS {}", kSource));
        attach.Bind(1, file.string());
        attach.Run();
    }
    ~AttachedSource() {
        sqlite3_exec(db_.Handle(), fmt::format("DETACH DATABASE {}", kSource).c_str(), nullptr,
                     nullptr, nullptr);
    }
    AttachedSource(const AttachedSource&) = delete;
    AttachedSource& operator=(const AttachedSource&) = delete;

  private:
    SqliteConnection& db_;
};

}  // namespace

int64_t CopyRun(ResultDatabase& target, const fs::path& source, int64_t run) {
    // Opening the source checks that it is a result database of this layout;
    // asking for the run, that it is there.
    const fs::path file = fs::absolute(source);
    {
        ResultDatabase check(file, ResultDatabase::Access::ReadOnly);
        ResultReader(check).Run(run);
    }
    SqliteConnection& db = target.Connection();
    int64_t copy = 0;
    try {
        const AttachedSource attached(db, file);
        target.Transaction([&] {
            const std::string facts = ColumnsOf(db, "runs", "id");
            SqliteStatement insertRun(
                db, fmt::format("INSERT INTO main.runs ({0}) SELECT {0} FROM {1}.runs WHERE id = ?",
                                facts, kSource));
            insertRun.Bind(1, run);
            insertRun.Run();
            copy = db.LastInsertId();
            for (const RunTable& table : RunTables(db)) {
                const std::string columns = ColumnsOf(db, table.name, "run");
                SqliteStatement insert(
                    db, fmt::format("INSERT INTO main.{0} (run, {1}) SELECT ?, {1} FROM {2}.{0} "
                                    "WHERE run = ?{3}",
                                    table.name, columns, kSource,
                                    table.hasRowid ? " ORDER BY rowid" : ""));
                insert.Bind(1, copy);
                insert.Bind(2, run);
                insert.Run();
            }
        });
    } catch (const SqliteError& error) {
        throw target.Error(fmt::format("copying run {} of {}: {}", run, file.string(), error.what()));
    }
    return copy;
}

}  // namespace kz7::app
