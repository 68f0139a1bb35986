#pragma once
// Numbers to and from text, the engine's one way of doing each.
#include <string>
#include <string_view>

namespace kz7 {

// The longest leading part of `text` (after leading blanks) that forms a
// decimal number; 0 when no such part exists. Never throws; overflow gives
// an infinity, as the arithmetic rules allow.
double ParseLeadingNumber(std::string_view text);
// Whether `text`, less blanks around it, is one decimal number and nothing else.
bool IsWholeNumber(std::string_view text);

// Rounded, halves to even, clamped to the 16-bit range (a model's integer fields).
int16_t RoundToInt16(double value);
// Rounded, halves to even, clamped to the 32-bit range.
int32_t RoundToInt32(double value);

// Shortest text of a double with at most 15 significant digits (like %.15G
// with trailing zeros removed), using `decimalSeparator`.
std::string NumberToText(double value, char decimalSeparator = '.');
// The same for a single with at most 7 significant digits.
std::string NumberToText(float value, char decimalSeparator = '.');
// The same text put into `text`, reusing its storage (the result records'
// path, which must not allocate once the texts have grown).
void AssignNumberText(std::string& text, float value, char decimalSeparator = '.');

// Pattern formats: "0", "0.0", "0.00", "0.000", "0.0000" give a fixed number
// of decimals; "#", "##", "###" give a whole number with no leading zeros,
// where zero formats as the empty text. Halves are rounded away from zero,
// as the pattern formatter of the original platform did.
std::string FormatPattern(double value, std::string_view pattern, char decimalSeparator = '.');

}  // namespace kz7
