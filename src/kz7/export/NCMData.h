#pragma once
// The SBEM records of the site: hot-water, HVAC, photovoltaic, wind, CHP,
// solar-collector and recommendation objects. The engine only carries them
// from the model document to the SBEM input file, so every kind is described
// by one table: the record keyword of the model document, the SBEM object
// kind, and its properties in the order the record holds them. A keyword is
// changed in one place, the table.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kz7/input/KeyedCollection.h"

namespace kz7 {

class EngineState;
class clsWriteToFile;

// How a property's value is written.
enum class NCMValueKind {
    Text,     // in double quotes, name-cleaned
    Number,   // formatted "0.000"
    Integer,  // rounded to a whole number
    YesNo     // "YES" when the field is 1 (or "YES"/"TRUE"), else "NO"
};

struct NCMProperty {
    std::string_view keyword;
    NCMValueKind kind;
};

struct NCMObjectKind {
    std::string_view recordKeyword;  // keyword of the model document record
    std::string_view sbemKind;       // object kind written after " = "
    std::span<const NCMProperty> properties;
};

// One object read from the model: its name and its fields as read.
struct NCMObject {
    std::string Key;
    std::vector<std::string> Fields;  // one per property of its kind, in order
};

// The objects of one kind, in reading order.
class NCMObjects {
  public:
    NCMObjects(EngineState& state, const NCMObjectKind& kind) : state_(state), kind_(kind) {}

    // The record from its keyword line on: the name on the keyword line, the
    // fields on the next line, then the closing line. A duplicate name is
    // reported and dropped.
    void Read();
    // Every object in the SBEM syntax, each preceded by an empty line.
    void SBEM(clsWriteToFile& writer) const;
    void Clear() { items_.Clear(); }
    int32_t Count() const { return items_.Count(); }
    NCMObject* Item(std::string_view key) const { return items_.Find(key); }
    const NCMObjectKind& Kind() const { return kind_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    EngineState& state_;
    const NCMObjectKind& kind_;
    KeyedCollection<NCMObject> items_;
};

// The property value of `field` as the SBEM file writes it.
std::string NCMValueText(NCMValueKind kind, std::string_view field);

class NCMData {
  public:
    explicit NCMData(EngineState& state);

    void ReadWindGenerator() { NCMWindGenerator.Read(); }
    void ReadPVSystems() { NCMPVSystems.Read(); }
    void ReadCHP() { NCMCHP.Read(); }
    void ReadHVACSystems() { NCMHVACSystems.Read(); }
    void ReadDHWSystems() { NCMDHWSystems.Read(); }
    void ReadRecommendations() { NCMRecommendations.Read(); }
    void ReadSolarCollectors() { NCMSolarCollectors.Read(); }
    void Clear();

    NCMObjects NCMHVACSystems;
    NCMObjects NCMDHWSystems;
    NCMObjects NCMRecommendations;
    NCMObjects NCMPVSystems;
    NCMObjects NCMSolarCollectors;
    NCMObjects NCMWindGenerator;
    NCMObjects NCMCHP;
};

}  // namespace kz7
