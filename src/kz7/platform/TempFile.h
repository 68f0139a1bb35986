#pragma once
// Temporary files of the control: "KZ7" + number ("###" pattern, so 0 gives
// no digits) + ".tmp" in the temporary folder. Each file is created
// exclusively, so a name that already exists (a file, a directory or a
// planted symbolic link) is skipped and never opened.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kz7 {

// `configured` when not empty, otherwise the system's temporary folder.
std::filesystem::path TemporaryFolder(const std::string& configured);

// Name of temporary file `number` in `folder`: KZ7.tmp, KZ71.tmp, KZ72.tmp ...
std::filesystem::path TemporaryFileName(const std::filesystem::path& folder, int32_t number);

// Creates the first free temporary file of `folder`, writes `content` to it
// and returns its path. Throws std::runtime_error naming the folder when no
// file can be created or written.
std::filesystem::path WriteTemporaryFile(const std::filesystem::path& folder,
                                         std::string_view content);

}  // namespace kz7
