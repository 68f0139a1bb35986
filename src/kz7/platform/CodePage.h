#pragma once
// Conversion between the engine's UTF-8 texts and the single-byte Windows
// code page that older tools and some outside programs use.
#include <string>
#include <string_view>

namespace kz7 {

// `text` in Windows-1252: ASCII and U+00A0..U+00FF keep their code, the
// typographic characters of 0x80..0x9F (euro sign, curly quotes, dashes...)
// get theirs, and any other character, or a malformed UTF-8 sequence,
// becomes "?".
std::string Utf8ToWindows1252(std::string_view text);

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or
// code points past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// `text` read as Windows-1252, in UTF-8; the five bytes the code page leaves
// unassigned become U+FFFD.
std::string Windows1252ToUtf8(std::string_view text);

// `text` as it stands when it is valid UTF-8, otherwise read as Windows-1252:
// what files from older tools hold. The result is always valid UTF-8.
std::string ToUtf8(std::string text);

}  // namespace kz7
