#include "kz7/export/SbemSyntax.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "kz7/input/LineReader.h"

namespace kz7 {

namespace {
constexpr std::array<std::string_view, 8> kLabels = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
}  // namespace

std::string SingleLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F) c = ' ';
    }
    return line;
}

std::string SbemText(std::string_view text) { return SingleLine(CleanName(text)); }

std::string SbemQuoted(std::string_view text) {
    std::string quoted = SbemText(text);
    quoted.insert(quoted.begin(), '"');
    quoted.push_back('"');
    return quoted;
}

std::string SbemHeader(std::string_view name, std::string_view kind) {
    return SbemQuoted(name) + " = " + std::string(kind);
}

std::string SbemProperty(std::string_view keyword, std::string_view value) {
    std::string line;
    line.reserve(keyword.size() + value.size() + 6);
    line.append("   ").append(keyword).append(" = ").append(value);
    return line;
}

std::string_view OrientationLabel(double degrees) {
    return kLabels[static_cast<size_t>(OrientationSector(degrees))];
}

}  // namespace kz7
