#pragma once
// The readers under test open files by name: each input is written to one
// private file of the fuzzing process, made once.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

namespace kz7::fuzz {

inline const std::string& InputFile(const char* suffix) {
    static const std::string path = [suffix] {
        std::string pattern = "/tmp/kz7-fuzz-XXXXXX" + std::string(suffix);
        const int fd = ::mkstemps(pattern.data(), static_cast<int>(std::string(suffix).size()));
        if (fd >= 0) ::close(fd);
        return pattern;
    }();
    return path;
}

inline const std::string& WriteInput(const char* suffix, const uint8_t* data, size_t size) {
    const std::string& path = InputFile(suffix);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

}  // namespace kz7::fuzz
