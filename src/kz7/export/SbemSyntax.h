#pragma once
// The object syntax of an SBEM input file: a header line holding the quoted
// object name, " = " and the object kind; one three-blank-indented
// "KEYWORD = value" line per property; the closing line "   ..".
#include <cstdint>
#include <string>
#include <string_view>

#include "kz7/model/Orientation.h"

namespace kz7 {

inline constexpr std::string_view kSbemObjectEnd = "   ..";

// `text` with line breaks and other control characters turned into blanks,
// so that it stays on the one line of its record.
std::string SingleLine(std::string_view text);
// A model text as an SBEM text value: the name cleaning of the model reader
// (quotes and commas go), line breaks and other control characters become
// blanks, so the value can neither close its quotes nor start a new line.
std::string SbemText(std::string_view text);
// SbemText in double quotes.
std::string SbemQuoted(std::string_view text);
// `"name" = KIND`.
std::string SbemHeader(std::string_view name, std::string_view kind);
// `   KEYWORD = value`.
std::string SbemProperty(std::string_view keyword, std::string_view value);

// "N", "NE", "E", "SE", "S", "SW", "W" or "NW" for the sector of `degrees`.
std::string_view OrientationLabel(double degrees);

}  // namespace kz7
