#include "kz7/platform/TempFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

// Enough for any sane folder; a folder full of planted names ends with an
// error instead of a search without end.
constexpr int32_t kMaximumAttempts = 100000;

std::runtime_error TempFileError(const std::string& what, const std::filesystem::path& path) {
    return std::runtime_error(what + " \"" + path.string() + "\": " + std::strerror(errno));
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

}  // namespace

std::filesystem::path TemporaryFolder(const std::string& configured) {
    if (!configured.empty()) return configured;
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return error ? std::filesystem::path("/tmp") : folder;
}

std::filesystem::path TemporaryFileName(const std::filesystem::path& folder, int32_t number) {
    return folder / ("KZ7" + FormatPattern(number, "###") + ".tmp");
}

std::filesystem::path WriteTemporaryFile(const std::filesystem::path& folder,
                                         std::string_view content) {
    for (int32_t number = 0; number < kMaximumAttempts; ++number) {
        const std::filesystem::path path = TemporaryFileName(folder, number);
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw TempFileError("Cannot create the temporary file", path);
        }
        const bool written = WriteAll(fd, content);
        const int savedErrno = errno;
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            errno = written ? errno : savedErrno;
            std::runtime_error failure = TempFileError("Cannot write the temporary file", path);
            ::unlink(path.c_str());  // ours: created exclusively above
            throw failure;
        }
        return path;
    }
    errno = EEXIST;
    throw TempFileError("No free temporary file name in", folder);
}

}  // namespace kz7
