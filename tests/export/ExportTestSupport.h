#pragma once
// Shared ground of the export tests: a fresh folder, a watchdog that keeps a
// hung child from hanging a test, and the PATH their fake tools are found on.
// Their small model is in the shared model text.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "support/ModelText.h"

namespace kz7::test {

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder, removed at the end.
struct TempFolder {
    explicit TempFolder(const std::string& stem = "kz7-export") : scratch(stem), path(scratch.Path()) {}
    ScratchFolder scratch;
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
