#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "kz7/engine/EngineState.h"
#include "kz7/export/WriteToFile.h"

namespace kz7 {
namespace {

namespace fs = std::filesystem;

class WriteToFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
    }
    std::string FileText() const { return test::ReadFile(path); }
    // One zone as the SBEM zone writers would send it.
    void Zone(const std::string& id, const std::vector<std::string>& lines,
              int32_t multiplier = 1) {
        writer.StartZoneProcess(id);
        for (const auto& line : lines) writer.WriteData(line);
        writer.EndZoneProcess(multiplier);
    }

    test::ScratchFolder scratch{"kz7-writer"};
    const fs::path path = scratch.Path() / "model.inp";
    EngineState state;
    clsWriteToFile writer{state};
    std::vector<std::string> errors;
};

// Identical zones are written once with the summed multiplier, when merging
// is allowed; a zone processed again keeps its latest text.
TEST_F(WriteToFileTest, IdenticalZonesAreWrittenOnceWithTheSummedMultiplier) {
    writer.writerMode = WriterMode::SBEMZoneMerging;
    writer.allowMergeZones = true;
    ASSERT_TRUE(writer.Open(path.string()));
    writer.Init();
    ASSERT_EQ(writer.GetPass(), piSBEMZoneMergePass);

    const std::vector<std::string> office{"   AREA = 10.00", "   HEIGHT = 3.00"};
    Zone("Z1", office);
    Zone("Z2", {"   AREA = 12.00", "   HEIGHT = 3.00"});
    Zone("Z3", office);
    Zone("Z4", office, 2);
    Zone("Z5", {});
    Zone("Z6", {});
    // The same text split at another place is another zone.
    Zone("Z7", {"ab", "c"});
    Zone("Z8", {"a", "bc"});
    EXPECT_EQ(writer.GetZoneMultiplier("Z3"), 1);  // nothing merged while collecting
    writer.MergeZones();
    writer.IncrementPass();
    ASSERT_EQ(writer.GetPass(), piWriteToFilePass);

    std::vector<int32_t> multipliers;
    for (const char* id : {"Z1", "Z2", "Z3", "Z4", "Z5", "Z6", "Z7", "Z8"}) {
        multipliers.push_back(writer.GetZoneMultiplier(id));
    }
    EXPECT_EQ(multipliers, (std::vector<int32_t>{4, 1, 0, 0, 1, 1, 1, 1}));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(writer.GetZoneMultiplier("Nowhere"), 1);
    EXPECT_EQ(errors, std::vector<std::string>{"Error ZoneData not found for Nowhere"});

    // Collecting wrote nothing to the file.
    writer.WriteData("\"Z1\" = ZONE");
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(FileText(), "\"Z1\" = ZONE\r\n");

    // Without merging every zone counts once.
    errors.clear();
    writer.allowMergeZones = false;
    writer.Init();
    Zone("A", {"same"});
    Zone("B", {"same"});
    writer.MergeZones();
    writer.IncrementPass();
    EXPECT_EQ(writer.GetZoneMultiplier("A"), 1);
    EXPECT_EQ(writer.GetZoneMultiplier("B"), 1);
    EXPECT_EQ(writer.GetZoneMultiplier("Unlisted"), 1);
    EXPECT_TRUE(errors.empty());

    // A zone processed again keeps its latest text; Init forgets them all.
    writer.allowMergeZones = true;
    writer.Init();
    Zone("A", {"first"});
    Zone("B", {"second"});
    Zone("A", {"second"});
    EXPECT_EQ(writer.ZoneList().Count(), 2);
    writer.MergeZones();
    writer.IncrementPass();
    EXPECT_EQ(writer.GetZoneMultiplier("A"), 2);
    EXPECT_EQ(writer.GetZoneMultiplier("B"), 0);
    writer.Init();
    EXPECT_EQ(writer.ZoneList().Count(), 0);
}

TEST_F(WriteToFileTest, CasaClimaLinesAreCrLfInTheWindowsCodePage) {
    writer.writerMode = WriterMode::CasaClima;
    writer.encoding = TextEncoding::Windows1252;
    writer.Init();
    EXPECT_EQ(writer.GetPass(), piWriteToFilePass);
    ASSERT_TRUE(writer.Open(path.string()));
    writer.WriteData("[STRATO1]");  // "à" as the whole CasaClima file has it: KlimaWriterTest
    writer.WriteData("");
    writer.WriteData("Nome = Muro € “nuovo” ✓");
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(FileText(),
              "[STRATO1]\r\n\r\nNome = Muro \x80 \x93nuovo\x94 ?\r\n");

    // Reopening starts a new file; line ends can be plain.
    writer.lineEnding = LineEnding::Lf;
    writer.encoding = TextEncoding::Utf8;
    ASSERT_TRUE(writer.Open(path.string()));
    writer.WriteData("Densità");
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(FileText(), "Densità\n");
}

TEST_F(WriteToFileTest, LostLinesMakeCloseFail) {
    EXPECT_FALSE(writer.Open((path / "no-such-folder" / "model.inp").string()));
    writer.Init();
    writer.WriteData("nowhere to go");
    EXPECT_FALSE(writer.Close());

    // A device is never written to, and a full disk leaves no file.
    EXPECT_FALSE(writer.Open("/dev/full"));
    ASSERT_TRUE(writer.Open(path.string()));
    writer.WriteData(std::string(100000, 'x'));
    {
        test::FileSizeLimit full(8192);
        EXPECT_FALSE(writer.Close());
    }
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace
}  // namespace kz7
