#pragma once
// Shared ground of the export tests: a fresh folder, file helpers, and a
// watchdog that keeps a hung child from hanging a test. Their small model is
// in the shared model text.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/ModelText.h"

namespace kz7::test {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A folder of its own under the system's temporary folder, removed at the end.
class TempFolder {
  public:
    explicit TempFolder(const std::string& stem = "kz7-export") {
        std::string pattern = (fs::temp_directory_path() / (stem + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    fs::path path;
};

// Kills the test's child processes (by their ids) once `limit` has passed,
// called from the engine's yield while a tool runs; a hung fake tool then
// fails its test instead of hanging it.
class Watchdog {
  public:
    explicit Watchdog(std::chrono::seconds limit) : deadline_(std::chrono::steady_clock::now() + limit) {}
    void Check() {
        if (std::chrono::steady_clock::now() < deadline_) return;
        fired = true;
        for (const fs::directory_entry& task : fs::directory_iterator("/proc/self/task")) {
            std::ifstream children(task.path() / "children");
            pid_t pid = 0;
            while (children >> pid) ::kill(pid, SIGKILL);
        }
    }
    bool fired = false;

  private:
    std::chrono::steady_clock::time_point deadline_;
};

// Puts `folder` first on the PATH for the life of the object.
class PathPrefix {
  public:
    explicit PathPrefix(const fs::path& folder) {
        const char* path = ::getenv("PATH");
        saved_ = path != nullptr ? path : "";
        ::setenv("PATH", (folder.string() + ":" + saved_).c_str(), 1);
    }
    ~PathPrefix() { ::setenv("PATH", saved_.c_str(), 1); }
    PathPrefix(const PathPrefix&) = delete;
    PathPrefix& operator=(const PathPrefix&) = delete;

  private:
    std::string saved_;
};

}  // namespace kz7::test
