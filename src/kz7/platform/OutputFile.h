#pragma once
// Every file the engine and its host write goes through OutputFile. The text
// goes to a sibling temporary that is created exclusively (so a link or file
// someone planted under that name is never opened), and only a complete file
// is renamed over the target, and only when the target is absent or a
// regular file: never a link, a device, a pipe or a folder. Until Commit the
// target keeps what it held; a file that was not committed leaves nothing.
#include <filesystem>
#include <string>
#include <string_view>

namespace kz7 {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile() { Discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts a new file for `target`; false (see Problem) when the target is
    // something other than a regular file or its folder takes no new file.
    bool Open(const std::filesystem::path& target);
    bool IsOpen() const { return fd_ >= 0; }
    // Appends `text`; a failure is kept for Commit.
    void Write(std::string_view text);
    // Writes out the rest, flushes it to the disk and renames the temporary
    // over the target; false (see Problem, nothing left behind) when any
    // write since Open failed or the target is no longer a regular file.
    bool Commit();
    // Drops the file being written; the target is left as it was.
    void Discard();

    // "<file>: <reason>" after a failed Open or Commit.
    const std::string& Problem() const { return problem_; }

  private:
    bool Flush();
    bool Fail(const std::filesystem::path& file, const std::string& reason);

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::string buffer_;
    std::string problem_;
    int fd_ = -1;
    int writeError_ = 0;
};

// Writes `content` as the whole of `target` through an OutputFile; false with
// `problem` set when it could not.
bool WriteWholeFile(const std::filesystem::path& target, std::string_view content,
                    std::string& problem);

// Makes `folder`, and the folders above it, when missing; false with
// `problem` ("cannot make the folder <folder>: <reason>") when it is not a
// folder afterwards.
bool MakeFolder(const std::filesystem::path& folder, std::string& problem);

}  // namespace kz7
