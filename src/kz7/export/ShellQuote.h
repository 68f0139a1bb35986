#pragma once
// Quoting for the POSIX shell. Every command line the engine builds from
// model texts, folder names or host values goes through these, so that a
// name holding quotes, semicolons, backticks, "$(" or line breaks reaches
// the program as one plain argument and runs nothing.
#include <string>
#include <string_view>
#include <vector>

namespace kz7 {

// One word the shell reads back unchanged. Words made only of letters,
// digits and "_./:@%+,-" stay as they are (readable command lines); any
// other word is put in single quotes, each single quote inside written as
// '\''. A NUL byte cannot travel in a program argument and is dropped.
std::string ShellQuote(std::string_view word);

// The words quoted one by one and joined with single blanks.
std::string ShellCommandLine(const std::vector<std::string>& words);

}  // namespace kz7
