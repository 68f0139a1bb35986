#include <gtest/gtest.h>

#include "kz7/platform/CodePage.h"

namespace kz7 {
namespace {

TEST(CodePage, MalformedOrForeignTextBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToWindows1252("plain ASCII"), "plain ASCII");
    EXPECT_EQ(Utf8ToWindows1252("\xC3\xA0\xC2\xA0\xC3\xBF"), "\xE0\xA0\xFF");
    EXPECT_EQ(Utf8ToWindows1252("\xE2\x80\x94\xC5\xA0"), "\x97\x8A");
    EXPECT_EQ(Utf8ToWindows1252("\xC2\x81"), "?");            // C1 control, no byte of its own
    EXPECT_EQ(Utf8ToWindows1252("\xC3"), "?");                // cut short
    EXPECT_EQ(Utf8ToWindows1252("\xC0\xA0x"), "??x");         // overlong form
    EXPECT_EQ(Utf8ToWindows1252("\xED\xA0\x80"), "???");      // surrogate
    EXPECT_EQ(Utf8ToWindows1252("\xF0\x9F\x8F\xA0!"), "?!");  // outside the page
}

}  // namespace
}  // namespace kz7
