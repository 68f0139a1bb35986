#include "kz7/platform/InputFile.h"

#include <fstream>
#include <iterator>

namespace kz7 {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
    std::error_code error;
    // A folder opens as a file here, and reads as empty.
    if (std::filesystem::is_directory(file, error)) return std::nullopt;
    std::ifstream input(file, std::ios::binary);
    if (!input) return std::nullopt;
    std::string text;
    const auto size = std::filesystem::is_regular_file(file, error)
                          ? std::filesystem::file_size(file, error)
                          : std::uintmax_t{0};
    if (!error && size > 0) {
        // The size taken before reading: a file that shrinks meanwhile is
        // cut to what was read, one that grows is read as far as it was.
        text.resize(static_cast<size_t>(size));
        input.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(input.gcount()));
    } else {
        text.assign(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
    }
    if (input.bad()) return std::nullopt;
    return text;
}

}  // namespace kz7
