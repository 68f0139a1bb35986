#include "kz7/platform/CodePage.h"

#include <array>
#include <cstdint>
#include <utility>

namespace kz7 {

namespace {

// The code points of the bytes 0x80..0x9F; 0 marks the five unused bytes.
constexpr std::array<char32_t, 32> kHighControlBlock{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char kUnmapped = '?';

char ToWindows1252(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<char>(static_cast<uint8_t>(codePoint));
    }
    for (size_t i = 0; i < kHighControlBlock.size(); ++i) {
        if (kHighControlBlock[i] != 0 && kHighControlBlock[i] == codePoint) {
            return static_cast<char>(static_cast<uint8_t>(0x80 + i));
        }
    }
    return kUnmapped;
}

// Decodes one UTF-8 sequence at `pos` and advances past it; a malformed
// sequence gives nothing and advances by one byte.
bool NextCodePoint(std::string_view text, size_t& pos, char32_t& codePoint) {
    const auto lead = static_cast<uint8_t>(text[pos]);
    if (lead < 0x80) {
        codePoint = lead;
        ++pos;
        return true;
    }
    // Sequence length, payload bits of the lead byte, and the smallest code
    // point the length may carry (longer forms are malformed).
    struct Form {
        uint8_t mask, marker;
        size_t length;
        char32_t smallest;
    };
    constexpr std::array<Form, 3> kForms{
        {{0xE0, 0xC0, 2, 0x80}, {0xF0, 0xE0, 3, 0x800}, {0xF8, 0xF0, 4, 0x10000}}};
    const Form* form = nullptr;
    for (const auto& candidate : kForms) {
        if ((lead & candidate.mask) == candidate.marker) form = &candidate;
    }
    if (form == nullptr) {
        ++pos;
        return false;
    }
    const size_t length = form->length;
    const char32_t smallest = form->smallest;
    char32_t value = lead & static_cast<uint8_t>(~form->mask);
    if (pos + length > text.size()) {
        ++pos;
        return false;
    }
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<uint8_t>(text[pos + k]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return false;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return false;
    }
    pos += length;
    codePoint = value;
    return true;
}

}  // namespace

std::string Utf8ToWindows1252(std::string_view text) {
    std::string converted;
    converted.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t codePoint = 0;
        converted.push_back(NextCodePoint(text, pos, codePoint) ? ToWindows1252(codePoint)
                                                                : kUnmapped);
    }
    return converted;
}

bool IsValidUtf8(std::string_view text) {
    size_t pos = 0;
    char32_t codePoint = 0;
    while (pos < text.size())
        if (!NextCodePoint(text, pos, codePoint)) return false;
    return true;
}

std::string Windows1252ToUtf8(std::string_view text) {
    std::string converted;
    converted.reserve(text.size() + text.size() / 8);
    for (const char byte : text) {
        const auto code = static_cast<uint8_t>(byte);
        char32_t codePoint = code;
        if (code >= 0x80 && code < 0xA0) {
            codePoint = kHighControlBlock[code - 0x80];
            if (codePoint == 0) codePoint = 0xFFFD;
        }
        if (codePoint < 0x80) {
            converted.push_back(byte);
        } else if (codePoint < 0x800) {
            converted.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
            converted.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else {
            converted.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
            converted.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            converted.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        }
    }
    return converted;
}

std::string ToUtf8(std::string text) {
    return IsValidUtf8(text) ? std::move(text) : Windows1252ToUtf8(text);
}

}  // namespace kz7
