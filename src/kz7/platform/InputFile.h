#pragma once
// Reading a whole file at once, for the engine and its host alike.
#include <filesystem>
#include <optional>
#include <string>

namespace kz7 {

// The file's bytes as they stand; nothing when it cannot be opened or read,
// or is a folder.
// A regular file is read into a string of its size in one go; anything
// else (a pipe, a device) as it comes.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

}  // namespace kz7
