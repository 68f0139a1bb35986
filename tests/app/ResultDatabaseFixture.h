#pragma once
// A fresh folder with a database path in it, and small readers of query results.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "Sqlite.h"
#include "TestSupport.h"

namespace kz7::app {

using test::ReadFile;
using test::WriteFile;

// The first column of the first row, as text; "<no row>" when there is none.
inline std::string Text(SqliteConnection& db, const std::string& sql) {
    SqliteStatement statement(db, sql);
    return statement.Step() ? statement.ColumnText(0) : "<no row>";
}

// The first column of the first row, as a number; NaN when there is none or it is NULL.
inline double Number(SqliteConnection& db, const std::string& sql) {
    SqliteStatement statement(db, sql);
    if (!statement.Step() || statement.ColumnIsNull(0)) return std::nan("");
    return statement.ColumnDouble(0);
}

class ResultDatabaseFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kz7-db-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        file = folder / "results.db";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
    std::filesystem::path file;
};

}  // namespace kz7::app
