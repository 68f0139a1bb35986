#pragma once
// Whether a field of a weather file holds a number: only number characters
// and at least one digit. Text where a number belongs is a fault of the file,
// which the leading-number rule alone would read silently as 0.
#include <cctype>
#include <string_view>

namespace kz7 {

inline bool LooksNumeric(std::string_view text) {
    bool digit = false;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            digit = true;
        else if (c != '.' && c != '-' && c != '+' && c != 'e' && c != 'E')
            return false;
    }
    return digit;
}

}  // namespace kz7
