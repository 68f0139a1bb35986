// Every command the documentation shows runs, so that the docs cannot drift
// from the program. The runnable blocks are the fenced blocks marked `sh`
// (each line a command), `console` (commands after "$ ", the rest output;
// a command whose double quotes are open goes on over the next lines) and
// `sql` (one query, run by sqlite3 on the document's results.db). Their
// `kz7` and `sqlite3` commands run in order, one scratch folder per document
// holding copies of examples/ and support/ and a link to tests/data/, with
// the built kz7 as both `kz7` and `build/kz7`. A command must exit 0 unless
// it ends with a comment "# exit N"; every output line a `console` block
// shows must be among the lines it prints ("..." on a line of its own stands
// for lines left out, at the end of a line for the rest of the line);
// a query must return rows. Other fenced blocks are not run: they may show
// synopses (`kz7 simulate MODEL ...`) but no "$ " or "build/kz7" command
// lines. `make` and `cmake` lines are not run either: they build or install
// the tree itself (the install is tested by CommandLineTest, and a test
// cannot rebuild the program it is part of).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "CommandRun.h"
#include "TestSupport.h"
#include "kz7/export/ShellQuote.h"

namespace kz7 {
namespace {

namespace fs = std::filesystem;

struct DocCommand {
    int line = 0;
    std::string text;
    int exitCode = 0;
    std::vector<std::string> shown;  // output lines the document shows
    bool query = false;              // must print something
};

struct DocCommands {
    std::vector<DocCommand> run;
    std::vector<std::string> unmarked;  // command lines in blocks that are not run
};

// Plain string matching: std::regex trips a false uninitialised warning in the
// sanitizer build.
bool StartsWithWord(const std::string& text, std::string_view word) {
    if (text.compare(0, word.size(), word) != 0) return false;
    if (text.size() == word.size()) return true;
    const unsigned char next = static_cast<unsigned char>(text[word.size()]);
    return !(std::isalnum(next) || next == '_');
}

bool IsRunnable(const std::string& command) {
    return StartsWithWord(command, "kz7") || StartsWithWord(command, "build/kz7") ||
           StartsWithWord(command, "sqlite3");
}

// "# exit 1" or "# exits 3" at the end of a command line: the exit code it
// documents. Returns the code and where the comment starts.
std::optional<std::pair<int, size_t>> ExitComment(const std::string& text) {
    for (size_t hash = text.find('#'); hash != std::string::npos; hash = text.find('#', hash + 1)) {
        size_t at = text.find_first_not_of(" \t", hash + 1);
        if (at == std::string::npos || text.compare(at, 4, "exit") != 0) continue;
        at += 4;
        if (at < text.size() && text[at] == 's') ++at;
        const size_t digits = text.find_first_not_of(" \t", at);
        if (digits == at || digits == std::string::npos ||
            !std::isdigit(static_cast<unsigned char>(text[digits])))
            continue;
        const size_t end = text.find_first_not_of("0123456789", digits);
        if (end != std::string::npos && text.find_first_of("\"'", end) != std::string::npos)
            continue;
        const size_t start = text.find_last_not_of(" \t", hash == 0 ? 0 : hash - 1);
        return std::pair{std::stoi(text.substr(digits, end - digits)),
                         hash == 0 || start == std::string::npos ? 0 : start + 1};
    }
    return std::nullopt;
}

DocCommand Command(int line, std::string text) {
    DocCommand command{line, std::move(text), 0, {}, false};
    if (const auto comment = ExitComment(command.text)) {
        command.exitCode = comment->first;
        command.text.resize(comment->second);
    }
    return command;
}

DocCommands ExtractCommands(const fs::path& document) {
    DocCommands found;
    std::ifstream in(document);
    std::string line;
    std::string fence;  // the info string of the open block
    bool inBlock = false;
    int number = 0;
    DocCommand* open = nullptr;       // a console command whose quotes are not closed
    DocCommand* shownBy = nullptr;    // the console command the next output lines belong to
    std::optional<DocCommand> query;  // the sql block being read
    while (std::getline(in, line)) {
        ++number;
        if (line.rfind("```", 0) == 0) {
            inBlock = !inBlock;
            fence = inBlock ? line.substr(3) : "";
            if (inBlock && fence == "sql") query = DocCommand{number, "", 0, {}, true};
            if (!inBlock && query) {
                query->text = "sqlite3 results.db <<'SQL'\n" + query->text + "SQL";
                found.run.push_back(*query);
                query.reset();
            }
            open = shownBy = nullptr;
            continue;
        }
        if (!inBlock) continue;
        if (query) {
            query->text += line + "\n";
            continue;
        }
        if (open != nullptr) {
            open->text += "\n" + line;
            if (std::count(open->text.begin(), open->text.end(), '"') % 2 == 0) {
                *open = Command(open->line, open->text);
                shownBy = open;
                open = nullptr;
            }
            continue;
        }
        std::string command;
        if (fence == "sh") {
            command = line;
        } else if (fence == "console" && line.rfind("$ ", 0) == 0) {
            command = line.substr(2);
        } else if (fence == "console") {
            if (shownBy != nullptr && line != "..." && !line.empty())
                shownBy->shown.push_back(line);
            continue;
        } else if (line.rfind("$ ", 0) == 0 || line.rfind("build/kz7 ", 0) == 0) {
            found.unmarked.push_back(document.filename().string() + ":" + std::to_string(number) +
                                     ": " + line);
        }
        shownBy = nullptr;
        if (!IsRunnable(command)) continue;
        found.run.push_back(Command(number, command));
        if (std::count(command.begin(), command.end(), '"') % 2 == 1)
            open = &found.run.back();
        else
            shownBy = &found.run.back();
    }
    return found;
}

std::string Trimmed(const std::string& line) {
    return line.substr(0, line.find_last_not_of(" \t\r") + 1);
}

// Whether `printed` holds the line `shown`, or one that begins as `shown`
// does before its closing "...".
bool Prints(const std::vector<std::string>& printed, const std::string& shown) {
    std::string wanted = Trimmed(shown);
    const bool cut = wanted.ends_with("...");
    if (cut) wanted = Trimmed(wanted.substr(0, wanted.size() - 3));
    return std::any_of(printed.begin(), printed.end(), [&](const std::string& line) {
        return cut ? line.starts_with(wanted) : line == wanted;
    });
}

// The lines of `output`, each without trailing blanks.
std::vector<std::string> Lines(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) lines.push_back(Trimmed(line));
    return lines;
}

int RunShell(const std::string& command, const fs::path& folder, std::string& output) {
    // The docs' commands run as a new user's: no KZ7_SUPPORT of the tester's.
    const std::string wrapped = "cd '" + folder.string() + "' && unset KZ7_SUPPORT && PATH='" +
                                (folder / "build").string() + "':\"$PATH\" timeout 300 bash -c " +
                                ShellQuote(command) + " 2>&1";
    int exitCode = -1;
    std::tie(exitCode, output) = test::Shell(wrapped);
    return exitCode;
}

// Fills a document's scratch folder with what its commands expect.
void Populate(const fs::path& folder) {
    const fs::path source = KZ7_SOURCE_DIR;
    fs::copy(source / "examples", folder / "examples", fs::copy_options::recursive);
    fs::copy(source / "support", folder / "support", fs::copy_options::recursive);
    fs::create_directories(folder / "tests");
    fs::create_symlink(source / "tests" / "data", folder / "tests" / "data");
    fs::create_directories(folder / "build");
    fs::create_symlink(KZ7_BINARY, folder / "build" / "kz7");
}

TEST(DocsCommandsTest, EveryCommandShownInTheDocsRuns) {
    std::vector<fs::path> documents = {fs::path(KZ7_SOURCE_DIR) / "README.md"};
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(KZ7_SOURCE_DIR) / "docs"))
        if (entry.path().extension() == ".md") documents.push_back(entry.path());
    std::sort(documents.begin(), documents.end());
    size_t commands = 0;
    for (const fs::path& document : documents) {
        const DocCommands found = ExtractCommands(document);
        for (const std::string& line : found.unmarked)
            ADD_FAILURE() << line << "\n  (a command in a block not marked sh or console)";
        if (found.run.empty()) continue;
        const test::ScratchFolder scratch("kz7-docs");
        const fs::path& folder = scratch.Path();
        ASSERT_FALSE(folder.empty());
        Populate(folder);
        for (const DocCommand& command : found.run) {
            std::string output;
            const std::string where =
                document.filename().string() + ":" + std::to_string(command.line) + ": ";
            EXPECT_EQ(RunShell(command.text, folder, output), command.exitCode)
                << where << command.text << "\n"
                << output;
            const std::vector<std::string> printed = Lines(output);
            for (const std::string& shown : command.shown) {
                EXPECT_TRUE(Prints(printed, shown))
                    << where << "shows the line\n"
                    << shown << "\nwhich " << command.text << " does not print:\n"
                    << output;
            }
            EXPECT_FALSE(command.query && output.empty()) << where << "the query returns no rows";
            ++commands;
        }
    }
    EXPECT_GE(commands, 10u);  // the extraction itself found the tour and the examples
}

}  // namespace
}  // namespace kz7
