#pragma once
// Writes the model as an SBEM input file: the header comment, the project,
// compliance and recommendations-project records, the constructions, the
// glazing, the zones with their elements and the site's SBEM objects.
#include <string>

#include "kz7/export/SbemRunParameters.h"

namespace kz7 {

class EngineState;
class clsWriteToFile;
class Element;
class GlazedConstruction;
class OpaqueConstruction;
class Zone;

class SbemModelWriter {
  public:
    SbemModelWriter(EngineState& state, clsWriteToFile& writer, const SbemRunParameters& parameters)
        : state_(state), writer_(writer), parameters_(parameters) {}

    // In the merging pass: collects every zone's text, merges identical
    // zones and moves the writer on to the writing pass. Does nothing in the
    // writing pass.
    void CollectZones();
    // The whole file, in the writing pass, into the writer's open file.
    void WriteFile(const std::string& sourceName);

    void WriteHeader(const std::string& sourceName);
    void WriteProject();
    void WriteCompliance();
    void WriteRecommendationsProject();
    void WriteConstructions();
    void WriteConstruction(const OpaqueConstruction& construction);
    void WriteGlazings();
    void WriteGlazing(const GlazedConstruction& glazing);
    void WriteZones();
    void WriteSiteObjects();

    // The name a zone has in the SBEM file (and in the tool's results).
    static std::string ZoneName(const Zone& zone);

  private:
    // A zone and its elements; in the merging pass without any name, so that
    // zones that differ only in their names compare equal.
    void WriteZone(const Zone& zone, int32_t multiplier);
    void WriteElement(const Element& element, const std::string& zoneName, int32_t number);
    void WriteProperty(const char* keyword, const std::string& value);

    EngineState& state_;
    clsWriteToFile& writer_;
    const SbemRunParameters& parameters_;
};

}  // namespace kz7
