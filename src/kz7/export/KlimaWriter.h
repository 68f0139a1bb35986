#pragma once
// Writes the model as the input file "in.inp" of the CasaClima certification
// program (bracketed sections of "key = value" lines, CR LF, Windows-1252)
// and starts that program on it without waiting.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "kz7/export/WriteToFile.h"

namespace kz7 {

class EngineState;
class Element;
class GlazedConstruction;
class OpaqueConstruction;
class OpaqueMaterial;
class Zone;

class KlimaWriter {
  public:
    explicit KlimaWriter(EngineState& state);

    // Writes the file and starts the program named by KlimaProgram (if any).
    void Run();
    // Only the file; false when it could not be written completely.
    bool WriteFile();

    // The CasaClima structure type of a construction type letter: W 1, P 2,
    // C 3, F 4, S 5, R 6, L 7, D 8, G 9; an unknown letter shows
    // "Invalid elcode <letter>" and gives an empty text.
    std::string GetKlimaCategory(const std::string& code);
    // The side file of the model file `modelPath`: its folder (the current
    // folder when it has none), its name without extension, ".kma".
    static std::string SideFileName(const std::string& modelPath);
    // The command words that start the CasaClima program; the side file is
    // that of the Site record's model path, or of the document read when the
    // record gives none.
    std::vector<std::string> ProgramWords() const;

  private:
    void WriteBuilding();
    void WriteMaterials();
    void WriteMaterial(const OpaqueMaterial& material);
    // Returns the number of used constructions written.
    int32_t WriteConstructions();
    void WriteConstruction(const OpaqueConstruction& construction);
    void WriteGlazings(int32_t usedConstructions);
    void WriteGlazing(const GlazedConstruction& glazing);
    void WriteZones();
    void WriteZone(const Zone& zone, int32_t index);
    void WriteElement(const Element& element, int32_t number);
    void StartProgram() const;

    std::string Number(double value, const char* pattern) const;
    // A number converted to text: doubles with up to 15 significant digits,
    // singles (thicknesses) with up to 7.
    std::string Text(double value) const;
    std::string Text(float value) const;

    EngineState& state_;
    clsWriteToFile writer_;
    int32_t elementCounter_ = 0;
    // Per zone, the number of the last opaque surface written for it.
    std::unordered_map<const Zone*, int32_t> lastOpaqueElementIndex_;
};

}  // namespace kz7
