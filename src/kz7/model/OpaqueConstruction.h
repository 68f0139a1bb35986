#pragma once
// Layered opaque constructions.
#include <cstdint>
#include <string>

#include "kz7/platform/XmlElement.h"

namespace kz7 {

class EngineState;

class OpaqueConstructions {
public:
    explicit OpaqueConstructions(EngineState& state) : state_(state) {}
    void Read(XmlElement /*tiConstructions*/) {}
    void Clear() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
