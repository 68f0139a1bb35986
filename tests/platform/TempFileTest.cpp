#include <gtest/gtest.h>

#include "TestSupport.h"
#include "kz7/platform/TempFile.h"

namespace kz7 {
namespace {

TEST(TempFile, NamesCountUpFromKZ7WhileANameExists) {
    test::ScratchFolder scratch;
    EXPECT_EQ(TemporaryFileName(scratch.Path(), 0).filename(), "KZ7.tmp");
    EXPECT_EQ(TemporaryFileName(scratch.Path(), 12).filename(), "KZ712.tmp");
    const std::filesystem::path first = WriteTemporaryFile(scratch.Path(), "one\n");
    const std::filesystem::path second = WriteTemporaryFile(scratch.Path(), "two\n");
    EXPECT_EQ(first, scratch.Path() / "KZ7.tmp");
    EXPECT_EQ(second, scratch.Path() / "KZ71.tmp");
    EXPECT_EQ(test::ReadFile(first), "one\n");
    EXPECT_EQ(test::ReadFile(second), "two\n");
    EXPECT_EQ(TemporaryFolder(scratch.Path().string()), scratch.Path());
    EXPECT_FALSE(TemporaryFolder("").empty());
}

// Planted links and folders are skipped, never followed; a folder that
// cannot take the file is an error naming it.
TEST(TempFile, PlantedLinksAndFoldersAreSkippedAndAMissingFolderIsNamed) {
    test::ScratchFolder scratch;
    const std::filesystem::path victim = scratch.Write("victim.txt", "keep me");
    std::filesystem::create_symlink(victim, scratch.Path() / "KZ7.tmp");
    std::filesystem::create_symlink(scratch.Path() / "nowhere",
                                    scratch.Path() / "KZ71.tmp");  // dangling
    std::filesystem::create_directory(scratch.Path() / "KZ72.tmp");
    const std::filesystem::path written = WriteTemporaryFile(scratch.Path(), "model");
    EXPECT_EQ(written, scratch.Path() / "KZ73.tmp");
    EXPECT_EQ(test::ReadFile(victim), "keep me");
    EXPECT_FALSE(std::filesystem::exists(scratch.Path() / "nowhere"));
    EXPECT_TRUE(std::filesystem::is_symlink(scratch.Path() / "KZ7.tmp"));

    const std::filesystem::path missing = scratch.Path() / "no-such-folder";
    try {
        WriteTemporaryFile(missing, "x");
        FAIL() << "no error for a missing folder";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("no-such-folder"), std::string::npos);
    }
}

}  // namespace
}  // namespace kz7
