#include "kz7/platform/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

namespace kz7 {

namespace {

constexpr size_t kBufferSize = 1 << 16;

// Absent, or a regular file itself (not through a link).
bool MayReplace(const std::filesystem::path& target, std::string& reason) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
        if (errno == ENOENT) return true;
        reason = std::strerror(errno);
        return false;
    }
    if (S_ISREG(info.st_mode)) return true;
    reason = S_ISLNK(info.st_mode) ? "is a link, not a regular file" : "is not a regular file";
    return false;
}

mode_t NewFileMode() {
    // The mode a plain create would give; the host is single-threaded here.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

bool OutputFile::Fail(const std::filesystem::path& file, const std::string& reason) {
    problem_ = file.string() + ": " + reason;
    Discard();
    return false;
}

bool OutputFile::Open(const std::filesystem::path& target) {
    Discard();
    problem_.clear();
    target_ = target;
    std::string reason;
    if (target.filename().empty()) return Fail(target, "is not a file name");
    if (!MayReplace(target, reason)) return Fail(target, reason);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string hidden(1, '.');
    hidden.append(target.filename().string()).append(".XXXXXX");
    const std::string pattern = (folder / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkostemp creates with O_EXCL: an existing name, a link included, is never opened.
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) return Fail(target, std::strerror(errno));
    temporary_ = name.data();
    if (::fchmod(fd_, NewFileMode()) != 0) return Fail(target, std::strerror(errno));
    writeError_ = 0;
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    return true;
}

void OutputFile::Write(std::string_view text) {
    if (fd_ < 0) {
        if (writeError_ == 0) writeError_ = EBADF;
        return;
    }
    buffer_.append(text);
    if (buffer_.size() >= kBufferSize) Flush();
}

bool OutputFile::Flush() {
    std::string_view rest = buffer_;
    while (!rest.empty() && writeError_ == 0) {
        const ssize_t written = ::write(fd_, rest.data(), rest.size());
        if (written < 0) {
            if (errno != EINTR) writeError_ = errno;
            continue;
        }
        rest.remove_prefix(static_cast<size_t>(written));
    }
    buffer_.clear();
    return writeError_ == 0;
}

bool OutputFile::Commit() {
    if (fd_ < 0) return Fail(target_, std::strerror(writeError_ ? writeError_ : EBADF));
    if (!Flush()) return Fail(target_, std::strerror(writeError_));
    // A full disk may only show when the data reach it.
    if (::fsync(fd_) != 0 && errno != EINVAL) return Fail(target_, std::strerror(errno));
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Fail(target_, std::strerror(errno));
    std::string reason;
    if (!MayReplace(target_, reason)) return Fail(target_, reason);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        return Fail(target_, std::strerror(errno));
    temporary_.clear();
    return true;
}

void OutputFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    // Ours: created exclusively by Open.
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    buffer_.clear();
}

bool WriteWholeFile(const std::filesystem::path& target, std::string_view content,
                    std::string& problem) {
    OutputFile file;
    if (file.Open(target)) {
        file.Write(content);
        if (file.Commit()) return true;
    }
    problem = file.Problem();
    return false;
}

bool MakeFolder(const std::filesystem::path& folder, std::string& problem) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && std::filesystem::is_directory(folder, error)) return true;
    problem = "cannot make the folder " + folder.string() + ": " +
              (error ? error.message() : "not a folder");
    return false;
}

}  // namespace kz7
