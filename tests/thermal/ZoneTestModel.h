#pragma once
// The zone tests' first model header, kept for the tests that still include
// it: the shared model text and its first name for an outside element.
#include "support/ModelText.h"

namespace kz7::test {

inline std::string Outside(const std::string& code, const std::string& construction, double area,
                           double orientation, double slope) {
    return Opaque(code, construction, area, 1, orientation, slope);
}

}  // namespace kz7::test
