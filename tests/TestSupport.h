#pragma once
// Helpers shared by the tests: a private scratch folder and a recorder of
// everything a SimulateX raises.
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kz7/control/SimulateX.h"

namespace kz7::test {

// The whole of a file, byte for byte; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// An EPW file cut after its first day: its eight header lines and 24 hours.
inline std::string EpwFirstDay(const std::filesystem::path& epw) {
    std::ifstream in(epw, std::ios::binary);
    std::string firstDay, line;
    for (int n = 0; n < 8 + 24 && std::getline(in, line); ++n) firstDay += line + "\n";
    return firstDay;
}

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& stem = "kz7-test") {
        std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
        path_ = mkdtemp(pattern.data()) ? std::filesystem::path(pattern) : std::filesystem::path();
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path Write(const std::string& name, const std::string& content) const {
        WriteFile(path_ / name, content);
        return path_ / name;
    }

  private:
    std::filesystem::path path_;
};

// While it lives, no file of this process or its children may grow past
// `bytes`, as on a full disk: a write past it fails (EFBIG) instead of
// raising SIGXFSZ.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        savedSignal_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, savedSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    sighandler_t savedSignal_ = SIG_DFL;
};

struct ResultRecord {
    int eventId;  // 3 SaveHLData, 4 SaveHGData, 5 SaveSSData
    int16_t interval;
    int32_t zone;
};

// Records messages, progress values and result events of one control.
struct EventLog {
    explicit EventLog(SimulateX& control) {
        control.MessageChange = [this](std::string& text) { messages.push_back(text); };
        control.ProgressChange = [this, &control] { progress.push_back(control.Progress()); };
        control.SaveHLData = [this](int16_t& i, int32_t& z, ValueArray&, double&) {
            results.push_back({3, i, z});
        };
        control.SaveHGData = [this](int16_t& i, int32_t& z, ValueArray&, double&) {
            results.push_back({4, i, z});
        };
        control.SaveSSData = [this](int16_t& i, int32_t& z, ValueArray&, double&) {
            results.push_back({5, i, z});
        };
    }
    int Count(const std::string& prefix) const {
        int count = 0;
        for (const std::string& message : messages) count += message.rfind(prefix, 0) == 0 ? 1 : 0;
        return count;
    }
    std::vector<std::string> messages;
    std::vector<float> progress;
    std::vector<ResultRecord> results;
};

}  // namespace kz7::test
