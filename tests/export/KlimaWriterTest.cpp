#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ExportTestSupport.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/export/KlimaWriter.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/Zone.h"

namespace kz7 {
namespace {

using namespace test;

class KlimaWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path.empty());
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
        state.message.onText = [this](std::string& text) { messages.push_back(text); };
        state.settings.klimaPath = folder.path.string() + "/";
    }
    std::string InputFile() const { return ReadFile(folder.path / "in.inp"); }

    TempFolder folder{"kz7-klima"};
    EngineState state;
    std::vector<std::string> errors;
    std::vector<std::string> messages;
};

// The whole file of the small model, byte for byte: CR LF line ends, the
// Windows-1252 "à" (E0), materials numbered in collection order, only the
// used constructions, layers from the inside, glazing numbered after the
// used constructions, rooms with their surfaces, partitions and air flows
// using up their numbers without writing anything.
TEST_F(KlimaWriterTest, WritesTheSmallModelByteForByte) {
    ReadModel(state, SmallModelText());
    ASSERT_TRUE(errors.empty()) << errors.front();
    KlimaWriter(state).Run();

    const std::vector<std::string> lines = {
        "[Building]",
        "VolumeLordo = 1200.000",
        "Altezza =6.500",
        "AltezzaMediaPiano = 3.000",
        "Uso = 1",
        "DestinazioneDUso = 2",
        "Provincia = Bolzano",
        "Comune = Merano",
        "Altitudine = 325.000",
        "GradiGiorno = 2900.000",
        "TempEstInvernale = -8.000",
        "UmiditaRelativaEsterna = 70.000",
        "TemperaturaInterna = 20.000",
        "UmiditaRelativaInterna = 50.000",
        "GGRiscaldamento = 183.000",
        "OreDiFunzionamentoGiornaliere = 14.000",
        "OreGiornaliereDiOccupazione = 10.000",
        "GiorniAlMeseDiOccupazione = 22.000",
        "TipologiaSerramento = ",
        "TipologiaCassonetto = ",
        "ContestoTerritoriale = ",
        "PermeabilitaVerticaleEdificio = ",
        // Materials are kept newest first: wool, brick, plaster.
        "", "[STRATO1]", "Nome = Mineral wool", "Categoria = Insulation", "Conduttivit\xE0 = 0.0350",
        "Densit\xE0 = 25.0", "SpecificHeat = 1030.0", "Colore = 1",
        "", "[STRATO2]", "Nome = Brick", "Categoria = Masonry", "Conduttivit\xE0 = 0.7700",
        "Densit\xE0 = 1700.0", "SpecificHeat = 800.0", "Colore = 1",
        "", "[STRATO3]", "Nome = Plaster", "Categoria = Finishes", "Conduttivit\xE0 = 0.5700",
        "Densit\xE0 = 1300.0", "SpecificHeat = 1000.0", "Colore = 1",
        // The wall is brick | wool | plaster from the outside: plaster comes first.
        "", "[STRUTTURA1]", "Nome = External wall", "Tipo = 1", "StratiN = 3", "Trasmittanza = 0.3500",
        "Strato1ID = 3", "Strato1Spessore = 0.015", "Strato2ID = 1", "Strato2Spessore = 0.08",
        "Strato3ID = 2", "Strato3Spessore = 0.1", "Vetro", "TelaioD", "TelaioU",
        "", "[STRUTTURA2]", "Nome = Ground floor", "Tipo = 5", "StratiN = 1", "Trasmittanza = 0.2500",
        "Strato1ID = 2", "Strato1Spessore = 0.2", "Vetro", "TelaioD", "TelaioU",
        // The unused roof is left out, so the glazing is number 3.
        "", "[STRUTTURA3]", "Nome = Double glazing", "Tipo = EW", "StratiN = 2", "Trasmittanza = 2.8000",
        "Strato1ID = ", "Strato1Spessore = ", "Strato2ID = ", "Strato2Spessore = ", "Vetro = 2", "TelaioD = ",
        "TelaioU = ",
        "", "[PONTITERMICI]",
        "", "[LOCALE1]", "None = Office", "TempInterna = 21", "Riscaldato = 1", "AreaPav = 100.000",
        "AltezzaNetta = 3.000", "Ricambi = 0.500", "Persone = 5.000", "EnergiaApparecchiature = ", "Cucine = ",
        // 337.6 degrees lies in the north sector.
        "", "Struttura1 = 1", "Struttura1Oriet = N", "Struttura1TEsterna = -8.00", "Struttura1Lung = 20.0000",
        "Struttura1Alt = 1", "Struttura1Rif",
        // On the ground: the boundary schedule's value.
        "", "Struttura2 = 2", "Struttura2Oriet = N", "Struttura2TEsterna = 12.00", "Struttura2Lung = 100.0000",
        "Struttura2Alt = 1", "Struttura2Rif",
        // Number 3 is the partition; 22.6 degrees is north-east; the window
        // refers to the last opaque surface, number 2.
        "", "Struttura4 = 3", "Struttura4Oriet = NE", "Struttura4TEsterna = -8.00", "Struttura4Lung = 4.0000",
        "Struttura4Alt = 1", "Struttura4Rif = 2",
        "", "[LOCALE2]", "None = Store", "TempInterna = 15.5", "Riscaldato = 0", "AreaPav = 50.000",
        "AltezzaNetta = 3.000", "Ricambi = 0.000", "Persone = 5.000", "EnergiaApparecchiature = ", "Cucine = ",
        // Number 5 was the office's infiltration.
        "", "Struttura6 = 1", "Struttura6Oriet = S", "Struttura6TEsterna = -8.00", "Struttura6Lung = 15.0000",
        "Struttura6Alt = 1", "Struttura6Rif",
    };
    std::string expected;
    for (const std::string& line : lines) expected += line + "\r\n";
    EXPECT_EQ(InputFile(), expected);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(messages, std::vector<std::string>{"Klima Calculation"});

    // A second file numbers everything afresh and comes out the same. Texts
    // are written as they stand, but a line break in one cannot start a
    // record of its own.
    state.opaqueMaterials->Item("BRK")->Description = "Brick\r\n[STRATO9]";
    state.zones->Item("1").Description = "Office\nColore = 2";
    KlimaWriter(state).Run();
    EXPECT_EQ(InputFile(),
              ReplaceAll(ReplaceAll(expected, "Nome = Brick\r\n", "Nome = Brick  [STRATO9]\r\n"),
                         "None = Office\r\n", "None = Office Colore = 2\r\n"));
}

TEST_F(KlimaWriterTest, CategoriesAndSideFile) {
    KlimaWriter writer(state);
    EXPECT_EQ(writer.GetKlimaCategory("W"), "1");
    EXPECT_EQ(writer.GetKlimaCategory("D"), "8");
    EXPECT_EQ(writer.GetKlimaCategory("G"), "9");
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(writer.GetKlimaCategory("X"), "");
    EXPECT_EQ(errors, std::vector<std::string>{"Invalid elcode X"});

    EXPECT_EQ(KlimaWriter::SideFileName("C:\\Projects\\Villa.vlr"), "C:\\Projects\\Villa.kma");
    EXPECT_EQ(KlimaWriter::SideFileName("/home/a/villa.b.vlr"), "/home/a/villa.b.kma");
    EXPECT_EQ(KlimaWriter::SideFileName("villa"), fs::current_path().string() + "/villa.kma");

    // A model without a Site record: the side file lies beside the document read.
    state.engine->DataFileName = "/plans/office.kz7";
    EXPECT_EQ(writer.ProgramWords().at(1), "/plans/office.kma");
}

// Without used constructions the glazing is numbered from 1.
TEST_F(KlimaWriterTest, GlazingNumberedFromOneWithoutUsedConstructions) {
    ReadModel(state, "GlazedConstruction,DG\nDouble glazing\nEW,2.8,2,10,0.84,0.84,0,0,0.7,0.6,0.8,,0,0\n-\n");
    KlimaWriter(state).Run();
    EXPECT_NE(InputFile().find("\r\n[STRUTTURA1]\r\nNome = Double glazing\r\n"), std::string::npos);
}

// The program gets the side file, FROMVELORAN and the input file as three
// quoted arguments, is not waited for, and a hostile folder name runs nothing.
TEST_F(KlimaWriterTest, StartsTheProgramWithQuotedArgumentsWithoutWaiting) {
    const fs::path hostile = folder.path / "in $(touch pwned1); `touch pwned2` 'q\"";
    fs::create_directories(hostile);
    state.settings.klimaPath = hostile.string() + "/";
    const fs::path program = folder.path / "casa clima.sh";
    const fs::path record = folder.path / "arguments";
    WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record.string() +
                           ".tmp'\nmv '" + record.string() + ".tmp' '" + record.string() + "'\nsleep 2\n");
    fs::permissions(program, fs::perms::owner_all);
    state.settings.klimaProgram = program.string();
    ReadModel(state, SmallModelText());

    const auto start = std::chrono::steady_clock::now();
    KlimaWriter(state).Run();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500)) << "waited for the program";

    for (int i = 0; i < 100 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ReadFile(record), "C:\\Projects\\Villa.kma\nFROMVELORAN\n" + hostile.string() + "/in.inp\n");
    EXPECT_TRUE(fs::exists(hostile / "in.inp"));
    for (const fs::path& where : {folder.path, hostile, fs::current_path()}) {
        EXPECT_FALSE(fs::exists(where / "pwned1"));
        EXPECT_FALSE(fs::exists(where / "pwned2"));
    }
}

TEST_F(KlimaWriterTest, AnUnwritableFolderIsReportedAndStartsNothing) {
    state.settings.klimaPath = (folder.path / "missing" / "").string();
    state.settings.klimaProgram = "/bin/true";
    ReadModel(state, SmallModelText());
    KlimaWriter(state).Run();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("in.inp"), std::string::npos);
}

}  // namespace
}  // namespace kz7
