#include <gtest/gtest.h>

#include "kz7/input/KeyedCollection.h"
#include "kz7/input/LineReader.h"

namespace kz7 {

// Comments and blanks are skipped, fields trimmed, and numbers read by the
// leading-number rule.
TEST(LineReader, SkipsCommentsAndBlanksAndSplitsTrimmedFieldsAndNumbers) {
    LineReader reader;
    reader.OpenText("* comment\n\n   \nZone , Z1,\nlast");
    reader.NextLine();
    ASSERT_FALSE(reader.AtEnd());
    ASSERT_EQ(reader.Fields().size(), 2u);
    EXPECT_EQ(reader.NextString(), "Zone");
    EXPECT_EQ(reader.NextString(), "Z1");
    EXPECT_EQ(reader.NextString(), "");
    EXPECT_TRUE(reader.AtEnd());
    reader.NextLine();
    EXPECT_EQ(reader.NextInteger(), 0);
    reader.NextLine();
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_TRUE(reader.Fields().empty());

    reader.OpenText("1.5,2.5,x,3e1m\r\n");
    reader.NextLine();
    EXPECT_FLOAT_EQ(reader.NextSingle(), 1.5f);
    EXPECT_EQ(reader.NextInteger(), 2);
    EXPECT_FLOAT_EQ(reader.NextSingle(), 0.0f);
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_FLOAT_EQ(reader.NextSingle(), 30.0f);
    EXPECT_FLOAT_EQ(reader.NextSingle(), 0.0f);
    EXPECT_TRUE(reader.AtEnd());
}

// A document is UTF-8 unless it is not valid UTF-8: then it is Windows-1252.
TEST(LineReader, ADocumentThatIsNotUtf8IsReadAsWindows1252) {
    LineReader reader;
    reader.OpenText("Brique \xE0 la chaux,20\xB0\x80\n\x81\n");
    reader.NextLine();
    EXPECT_EQ(reader.NextString(), "Brique \xC3\xA0 la chaux");
    EXPECT_EQ(reader.NextString(), "20\xC2\xB0\xE2\x82\xAC");
    reader.NextLine();
    EXPECT_EQ(reader.NextString(), "\xEF\xBF\xBD");  // a byte the code page leaves unused
    // A document that is valid UTF-8 stays as it is.
    reader.OpenText("\xEF\xBB\xBF" "Caf\xC3\xA9\n\xC3\xA0\n");
    reader.NextLine();
    EXPECT_EQ(reader.NextString(), "Caf\xC3\xA9");
    reader.NextLine();
    EXPECT_EQ(reader.NextString(), "\xC3\xA0");
}

TEST(KeyedCollection, KeyedInsertGoesBeforeTheFirstAndDropsDuplicates) {
    KeyedCollection<int> items;
    items.KeyedInsert("a", std::make_unique<int>(1));
    items.KeyedInsert("b", std::make_unique<int>(2));
    EXPECT_EQ(items.KeyedInsert("a", std::make_unique<int>(3)), nullptr);
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Item(1), 2);
    EXPECT_EQ(items.Item("a"), 1);
    EXPECT_EQ(items.Find(3), nullptr);
    items.Remove("b");
    EXPECT_EQ(items.Item(1), 1);
    EXPECT_THROW(items.Item("b"), std::out_of_range);
}

}  // namespace kz7
