#pragma once
// A fresh temporary folder for a benchmark's files, removed with everything
// in it.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace kz7::bench {

class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kz7-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Made() const { return !path_.empty(); }
    std::filesystem::path File(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

}  // namespace kz7::bench
