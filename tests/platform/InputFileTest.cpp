#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "kz7/platform/InputFile.h"

namespace kz7 {
namespace {

// Bytes come back as they stand, whatever the file's size says; what cannot
// be read gives nothing rather than an empty text.
TEST(InputFile, AWholeFileIsReadAsItStandsAndWhatCannotBeReadGivesNothing) {
    test::ScratchFolder scratch;
    const std::string bytes("line one\r\n\0\xff\xfe tail", 19);
    EXPECT_EQ(ReadWholeFile(scratch.Write("bytes.bin", bytes)), bytes);
    EXPECT_EQ(ReadWholeFile(scratch.Write("empty.txt", "")), "");
    // A file whose size reads as 0 but that has text, as the system's own.
    const std::optional<std::string> status = ReadWholeFile("/proc/self/status");
    ASSERT_TRUE(status.has_value());
    EXPECT_NE(status->find("Name:"), std::string::npos);

    EXPECT_FALSE(ReadWholeFile(scratch.Path() / "missing.txt").has_value());
    EXPECT_FALSE(ReadWholeFile(scratch.Path()).has_value());
}

}  // namespace
}  // namespace kz7
