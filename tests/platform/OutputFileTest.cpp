#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "TestSupport.h"
#include "kz7/platform/OutputFile.h"

namespace kz7 {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;

size_t Entries(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(OutputFile, ReplacesOnlyARegularFileAndOnlyWithACompleteOne) {
    test::ScratchFolder folder;
    const fs::path target = folder.Write("out.csv", "old");
    std::string problem;
    ASSERT_TRUE(WriteWholeFile(target, "new text", problem)) << problem;
    EXPECT_EQ(ReadFile(target), "new text");

    // Until Commit the old text stays; a dropped file leaves nothing.
    {
        OutputFile file;
        ASSERT_TRUE(file.Open(target));
        file.Write("half");
        EXPECT_EQ(ReadFile(target), "new text");
    }
    EXPECT_EQ(ReadFile(target), "new text");
    EXPECT_EQ(Entries(folder.Path()), 1u);

    // A write that fails part way (the disk is full) is reported and the
    // target keeps what it held.
    {
        test::FileSizeLimit full(8192);
        EXPECT_FALSE(WriteWholeFile(target, std::string(9600, 'x'), problem));
    }
    EXPECT_NE(problem.find(target.string() + ": "), std::string::npos);
    EXPECT_EQ(ReadFile(target), "new text");
    EXPECT_EQ(Entries(folder.Path()), 1u);
}

TEST(OutputFile, NeverWritesThroughALinkADeviceOrAPipe) {
    test::ScratchFolder folder;
    const fs::path outside = folder.Write("outside", "keep");
    const fs::path link = folder.Path() / "report.csv";
    fs::create_symlink(outside, link);
    const fs::path dangling = folder.Path() / "dangling.csv";
    fs::create_symlink(folder.Path() / "created-through-link", dangling);
    const fs::path fifo = folder.Path() / "pipe.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    std::string problem;
    for (const fs::path& target : {link, dangling, fifo, fs::path("/dev/null"), folder.Path()}) {
        EXPECT_FALSE(WriteWholeFile(target, "text", problem)) << target;
        EXPECT_EQ(problem.rfind(target.string() + ": ", 0), 0u) << problem;
    }
    EXPECT_EQ(ReadFile(outside), "keep");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_FALSE(fs::exists(folder.Path() / "created-through-link"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(Entries(folder.Path()), 4u);  // nothing left behind
}

}  // namespace
}  // namespace kz7
