#include "kz7/export/ShellQuote.h"

#include <algorithm>

namespace kz7 {

namespace {

// "=" is left out on purpose: a first word like "A=b" would be taken as a
// variable assignment instead of the program name.
bool IsPlainWordCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')) return true;
    return std::string_view("_./:@%+,-").find(c) != std::string_view::npos;
}

}  // namespace

std::string ShellQuote(std::string_view word) {
    std::string text;
    text.reserve(word.size());
    for (char c : word) {
        if (c != '\0') text.push_back(c);
    }
    if (!text.empty() && std::all_of(text.begin(), text.end(), IsPlainWordCharacter)) return text;

    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted.push_back(c);
        }
    }
    quoted.push_back('\'');
    return quoted;
}

std::string ShellCommandLine(const std::vector<std::string>& words) {
    std::string line;
    for (const auto& word : words) {
        if (!line.empty()) line.push_back(' ');
        line += ShellQuote(word);
    }
    return line;
}

}  // namespace kz7
