#pragma once
// The members that elements and zones reach on the object at the other end
// of an element by name: opaque and glazed constructions and zones answer
// the same names through this one interface.
#include <cstdint>
#include <optional>
#include <string_view>

#include "kz7/thermal/Complex.h"

namespace kz7 {

class ThermalMembers {
  public:
    virtual ~ThermalMembers() = default;

    // A numeric member: "UValue", "RES2" (index 1 or 2), "CW", "HCI",
    // "EmissI", "SIGKTP", "SIGKP", "Ta2", "Te2". Empty when the object has
    // no member of that name.
    virtual std::optional<double> Member(std::string_view name, int32_t index = 0) const = 0;

    // An impedance member, "HKZ7" or "HMULTI", per m² at angular frequency
    // `w` (rad/s), with the optional series branch RX1, CX1 of "HKZ7".
    // Empty when the object has no such member.
    virtual std::optional<Complex> Impedance(std::string_view /*name*/, double /*w*/,
                                             double /*RX1*/ = 0.0, double /*CX1*/ = 0.0) const {
        return std::nullopt;
    }
};

}  // namespace kz7
