#pragma once
// The SBEM records of the site.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class NCMData {
  public:
    explicit NCMData(EngineState& state) : state_(state) {}
    void ReadWindGenerator() {}
    void ReadPVSystems() {}
    void ReadCHP() {}
    void ReadHVACSystems() {}
    void ReadDHWSystems() {}
    void ReadRecommendations() {}
    void ReadSolarCollectors() {}
    void Clear() {}

  private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
