#include "CommandLine.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "Commands.h"

namespace kz7::app {

namespace {

constexpr const char* kDescription = "kz7 — dynamic building thermal simulation";

std::vector<CLI::App*> CommandsOf(CLI::App& app) {
    return app.get_subcommands([](CLI::App*) { return true; });
}

// Text in roff: backslashes and minus signs escaped, characters beyond ASCII
// ("—", "°") by their code point, and a line that would start with a control
// character guarded.
std::string Roff(const std::string& text) {
    std::string escaped;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\\') {
            escaped += "\\e";
        } else if (byte == '-') {
            escaped += "\\-";
        } else if (byte < 0x80) {
            escaped += text[i];
        } else {
            // A UTF-8 sequence: its lead byte gives its length.
            const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            uint32_t code = length == 1 ? byte : byte & (0x7F >> length);
            for (size_t k = 1; k < length && i + 1 < text.size(); ++k)
                code = (code << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F);
            escaped += fmt::format("\\[u{:04X}]", code);
        }
    }
    if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\'')) escaped.insert(0, "\\&");
    return escaped;
}

// "-h, --help", "--db TEXT" or "MODEL" as it heads an option's entry.
std::string OptionHeading(const CLI::Option& option, bool roff) {
    if (option.get_positional() && !option.nonpositional())
        return roff ? "\\fI" + option.get_name(true) + "\\fR" : option.get_name(true);
    std::vector<std::string> names;
    for (const std::string& name : option.get_snames()) names.push_back("-" + name);
    for (const std::string& name : option.get_lnames()) names.push_back("--" + name);
    std::string heading;
    for (const std::string& name : names) {
        if (!heading.empty()) heading += ", ";
        heading += roff ? "\\fB" + Roff(name) + "\\fR" : name;
    }
    const std::string type = option.get_type_name();
    if (option.get_type_size() != 0 && !type.empty())
        heading += roff ? " \\fI" + type + "\\fR" : " " + type;
    return heading;
}

// The entries of `command`'s options; a command's own --help is left out
// (the page says once that every command has one).
std::string ManOptions(CLI::App& command, bool withHelp) {
    std::string page;
    for (const CLI::Option* option : command.get_options()) {
        if (!withHelp && option == command.get_help_ptr()) continue;
        page += ".TP\n" + OptionHeading(*option, true) + "\n" + Roff(option->get_description());
        if (!option->get_default_str().empty())
            page += " (default: " + Roff(option->get_default_str()) + ")";
        page += "\n";
    }
    return page;
}

// The option names of `command` that take a value, and those that do not.
struct OptionNames {
    std::string all;
    std::string valued;
};

OptionNames NamesOf(CLI::App& command) {
    OptionNames names;
    for (const CLI::Option* option : command.get_options()) {
        if (!option->nonpositional()) continue;
        for (const std::string& name : option->get_lnames()) {
            names.all += (names.all.empty() ? "--" : " --") + name;
            if (option->get_expected_max() != 0)  // not a flag
                names.valued += (names.valued.empty() ? "--" : "|--") + name;
        }
        for (const std::string& name : option->get_snames())
            names.all += (names.all.empty() ? "-" : " -") + name;
    }
    return names;
}

// The fewest letters to insert, delete or replace to turn `a` into `b`.
size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t replaced = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({replaced, row[j] + 1, row[j - 1] + 1});
        }
    }
    return row[b.size()];
}

// The commands `word` most likely means: those it starts, else the one
// closest to it if few letters off (one in a short word, two at most).
std::vector<std::string> MeantCommands(CLI::App& app, const std::string& word) {
    std::vector<std::string> starting;
    for (CLI::App* command : CommandsOf(app))
        if (command->get_name().rfind(word, 0) == 0) starting.push_back(command->get_name());
    std::sort(starting.begin(), starting.end());
    if (!starting.empty()) return starting;
    const size_t mostLettersOff = std::clamp<size_t>(word.size() / 3, 1, 2);
    std::string closest;
    size_t best = mostLettersOff + 1;
    for (CLI::App* command : CommandsOf(app)) {
        const size_t distance = EditDistance(word, command->get_name());
        if (distance < best) {
            best = distance;
            closest = command->get_name();
        }
    }
    if (closest.empty()) return {};
    return {closest};
}

}  // namespace

std::string UnknownCommandMessage(CLI::App& app, const std::string& word) {
    if (word.empty() || word.front() == '-') return "";
    for (CLI::App* command : CommandsOf(app))
        if (command->get_name() == word) return "";
    std::vector<std::string> meant = MeantCommands(app, word);
    for (std::string& name : meant) name = "\"" + name + "\"";
    return fmt::format(
        "kz7: unknown command \"{}\"{}; kz7 --help lists the commands", word,
        meant.empty() ? "" : fmt::format(" (did you mean {}?)", fmt::join(meant, " or ")));
}

void ConfigureCommandLine(CLI::App& app) {
    app.name("kz7");
    app.description(kDescription);
    app.set_version_flag("--version", std::string("kz7 ") + KZ7_VERSION);
    app.require_subcommand(0, 1);
    RegisterCommands(app);
}

std::string ManPage(CLI::App& app) {
    std::string page = fmt::format(
        ".TH KZ7 1 \"\" \"kz7 {}\" \"User Commands\"\n"
        ".SH NAME\nkz7 \\- dynamic building thermal simulation\n"
        ".SH SYNOPSIS\n.B kz7\n\\fICOMMAND\\fR [\\fIOPTIONS\\fR]\n.br\n.B kz7\n"
        "\\-\\-help | \\-\\-version\n"
        ".SH DESCRIPTION\n{}\n.PP\n"
        "Each command has its own options; \\fBkz7 \\fICOMMAND\\fB \\-\\-help\\fR lists them.\n"
        ".SH OPTIONS\n{}",
        KZ7_VERSION, Roff(app.get_description()), ManOptions(app, true));
    page += ".SH COMMANDS\n";
    for (CLI::App* command : CommandsOf(app)) {
        page += ".SS \"kz7 " + Roff(command->get_name()) + "\"\n" +
                Roff(command->get_description()) + "\n" + ManOptions(*command, false);
    }
    page +=
        ".SH ENVIRONMENT\n"
        ".TP\n.B KZ7_SUPPORT\nThe support folder (Dbs.KZ7 and weather tapes) of a command "
        "given no \\fB\\-\\-support\\fR; without it, the folder installed beside the "
        "program (\\fIshare/kz7/support\\fR).\n"
        ".TP\n.B KZ7_PROXY_PASSWORD\nThe proxy password of \\fBkz7 sbem\\fR.\n"
        ".SH EXIT STATUS\n"
        ".TP\n0\nDone.\n.TP\n1\nA file is missing or cannot be read or written, or the run "
        "failed.\n.TP\n2\nWrong usage, including no command.\n.TP\n130\nCancelled with "
        "Ctrl\\-C.\n"
        ".SH SEE ALSO\nThe documents installed in \\fIshare/doc/kz7\\fR: cli.md, "
        "model\\-format.md, results.md, weather.md.\n";
    return page;
}

std::string BashCompletion(CLI::App& app) {
    std::string cases;
    std::string commands;
    for (CLI::App* command : CommandsOf(app)) {
        commands += (commands.empty() ? "" : " ") + command->get_name();
        const OptionNames names = NamesOf(*command);
        cases += fmt::format("        {}) options=\"{}\"; valued=\"{}\" ;;\n", command->get_name(),
                             names.all, names.valued);
    }
    const OptionNames global = NamesOf(app);
    return fmt::format(
        "# bash completion for kz7, generated from its help text.\n"
        "_kz7() {{\n"
        "    local cur=${{COMP_WORDS[COMP_CWORD]}} prev=${{COMP_WORDS[COMP_CWORD-1]}}\n"
        "    local command=\"\" options=\"\" valued=\"\" i\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        case ${{COMP_WORDS[i]}} in -*) ;; *) command=${{COMP_WORDS[i]}}; break ;; esac\n"
        "    done\n"
        "    if [[ -z $command ]]; then\n"
        "        COMPREPLY=($(compgen -W \"{} {}\" -- \"$cur\"))\n"
        "        return\n"
        "    fi\n"
        "    case $command in\n"
        "{}"
        "        *) ;;\n"
        "    esac\n"
        "    if [[ -n $valued && $prev == @($valued) ]]; then\n"
        "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
        "    elif [[ $cur == -* ]]; then\n"
        "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
        "    else\n"
        "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
        "    fi\n"
        "}}\n"
        "complete -o filenames -F _kz7 kz7\n",
        commands, global.all, cases);
}

}  // namespace kz7::app
