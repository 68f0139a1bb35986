#pragma once
// Conversion of the engine's UTF-8 texts to the single-byte Windows code page
// that some outside programs read.
#include <string>
#include <string_view>

namespace kz7 {

// `text` in Windows-1252: ASCII and U+00A0..U+00FF keep their code, the
// typographic characters of 0x80..0x9F (euro sign, curly quotes, dashes...)
// get theirs, and any other character, or a malformed UTF-8 sequence,
// becomes "?".
std::string Utf8ToWindows1252(std::string_view text);

}  // namespace kz7
