#pragma once
// The line writer of the export files (SBEM and CasaClima input). SBEM runs
// can take two passes over the zones: the first collects each zone's text so
// that identical zones can be merged, the second writes the file, one zone of
// each identical group with the summed multiplier.
#include <cstdint>
#include <string>
#include <string_view>

#include "kz7/input/KeyedCollection.h"
#include "kz7/platform/OutputFile.h"

namespace kz7 {

class EngineState;

enum PassIndexTypes : int32_t { piSBEMZoneMergePass = 0, piWriteToFilePass = 1 };

// What the writer is writing: an SBEM file straight through, an SBEM file
// with the zone-merging pass first, or a CasaClima file.
enum class WriterMode { SBEM, SBEMZoneMerging, CasaClima };

enum class LineEnding { CrLf, Lf };
enum class TextEncoding { Utf8, Windows1252 };

// The text one zone wrote in the merging pass, and how many zones it stands for.
struct clsZoneData {
    std::string ZoneId;
    std::string ZoneData;
    int32_t Multiplier = 1;
};

class clsWriteToFile {
  public:
    explicit clsWriteToFile(EngineState& state) : state_(state) {}

    // Starts `fileName` as a new, empty file (written beside it and put in
    // place by Close); false when it cannot be created.
    bool Open(const std::string& fileName);
    // Closes the file and puts it in place; false (and no file) when any
    // line since Open failed to reach it.
    bool Close();
    bool IsOpen() const { return file_.IsOpen(); }

    // Empties the zone list and starts the first pass: the merging pass in
    // WriterMode::SBEMZoneMerging, the writing pass otherwise.
    void Init();
    PassIndexTypes GetPass() const { return pass_; }
    // Moves on to the writing pass.
    void IncrementPass() { pass_ = piWriteToFilePass; }

    void StartZoneProcess(const std::string& ZoneId);
    // Lists the current zone's collected text under its id; a zone listed
    // before (processed twice in one pass) keeps only its latest text.
    // `multiplier` is how many zones it stands for (1 unless the zone itself
    // is a multiple).
    void EndZoneProcess(int32_t multiplier = 1);
    // With allowMergeZones: the first of each group of zones with the same
    // non-empty text takes the summed multiplier, the others get 0 (and are
    // not written).
    void MergeZones();
    // Merging pass: collects `text` as a line of the current zone. Writing
    // pass: writes `text` as one line of the file.
    void WriteData(std::string_view text);
    // The multiplier to write for a zone: the merged one when merging is
    // allowed and the writing pass has begun, else 1. An unlisted zone shows
    // "Error ZoneData not found for <id>" and counts 1.
    int32_t GetZoneMultiplier(const std::string& ZoneId) const;

    const KeyedCollection<clsZoneData>& ZoneList() const { return zones_; }

    WriterMode writerMode = WriterMode::SBEM;
    bool allowMergeZones = false;
    LineEnding lineEnding = LineEnding::CrLf;
    TextEncoding encoding = TextEncoding::Utf8;

  private:
    EngineState& state_;
    OutputFile file_;
    PassIndexTypes pass_ = piWriteToFilePass;
    std::string currentZoneId_;
    std::string zoneBuffer_;
    KeyedCollection<clsZoneData> zones_;
};

}  // namespace kz7
