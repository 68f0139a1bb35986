#pragma once
// The list of formatted error lines ("*" + two-digit code + value).
#include <cstdint>
#include <string>
#include <vector>

namespace kz7 {

class EngineState;

class Errors {
  public:
    explicit Errors(EngineState& state) : state_(state) {}

    // Empties the list.
    void Init() { lines_.clear(); }
    // Adds "*" & code formatted "##" & value; codes outside 1..1000 are ignored.
    void ERMES(int32_t code, const std::string& value);
    void ERMES(int32_t code, double value);

    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    EngineState& state_;
    std::vector<std::string> lines_;
};

}  // namespace kz7
