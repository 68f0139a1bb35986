#include "kz7/export/SbemResults.h"

#include <array>
#include <cctype>

#include "kz7/input/LineReader.h"
#include "kz7/platform/InputFile.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

constexpr std::array<std::string_view, 12> kMonthNames = {"jan", "feb", "mar", "apr", "may", "jun",
                                                          "jul", "aug", "sep", "oct", "nov", "dec"};

std::string HeadingKey(std::string_view line) {
    size_t end = line.size();
    while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == ',' || line[end - 1] == '\t')) --end;
    return std::string(line.substr(0, end));
}

SbemRow SplitRow(std::string_view line) {
    SbemRow fields;
    size_t start = 0;
    while (true) {
        const size_t comma = line.find(',', start);
        fields.push_back(Trim(line.substr(start, comma == std::string_view::npos ? line.npos : comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return fields;
}

// The last non-empty field of a row after its label.
std::string LastFigure(const SbemRow& row) {
    for (size_t i = row.size(); i > 1; --i) {
        if (!row[i - 1].empty()) return row[i - 1];
    }
    return std::string(kMissingText);
}

}  // namespace

int32_t MonthOfRow(std::string_view field) {
    std::string lower;
    for (char c : Trim(field)) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    for (size_t m = 0; m < kMonthNames.size(); ++m) {
        if (lower.size() >= 3 && lower.compare(0, 3, kMonthNames[m]) == 0) return static_cast<int32_t>(m + 1);
    }
    if (lower.empty() || lower.find_first_not_of("0123456789") != std::string::npos) return 0;
    const double number = ParseLeadingNumber(lower);
    return number >= 1 && number <= 12 ? static_cast<int32_t>(number) : 0;
}

std::optional<SbemSimResults> SbemSimResults::Load(const std::filesystem::path& file) {
    const std::optional<std::string> text = ReadWholeFile(file);
    if (!text) return std::nullopt;
    return Parse(*text);
}

SbemSimResults SbemSimResults::Parse(std::string_view text) {
    SbemSimResults results;
    std::vector<SbemRow>* current = nullptr;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.starts_with("REPORT-")) {
            // A heading given twice keeps its first section.
            auto [entry, isNew] = results.sections_.try_emplace(HeadingKey(line));
            current = isNew ? &entry->second : nullptr;
            continue;
        }
        if (current == nullptr || Trim(line).empty()) continue;
        current->push_back(SplitRow(line));
    }
    return results;
}

const std::vector<SbemRow>* SbemSimResults::Section(std::string_view heading) const {
    auto found = sections_.find(HeadingKey(heading));
    return found == sections_.end() ? nullptr : &found->second;
}

std::optional<std::array<ValueArray, 12>> SbemSimResults::ZoneMonths(std::string_view zoneName) const {
    const std::array<std::string_view, 3> headings = {kInternalGainsHeading, kCoolingDemandHeading,
                                                      kHeatingDemandHeading};
    std::array<ValueArray, 12> months;
    for (ValueArray& values : months) values.assign(headings.size(), std::string(kMissingText));
    bool found = false;
    for (size_t h = 0; h < headings.size(); ++h) {
        const std::vector<SbemRow>* rows = Section(std::string(headings[h]) + std::string(zoneName));
        if (rows == nullptr) continue;
        found = true;
        for (const SbemRow& row : *rows) {
            const int32_t month = MonthOfRow(row.front());
            if (month > 0) months[static_cast<size_t>(month - 1)][h] = LastFigure(row);
        }
    }
    if (!found) return std::nullopt;
    return months;
}

ValueArray SbemSimResults::PrimaryEnergy() const {
    ValueArray values;
    if (const std::vector<SbemRow>* rows = Section(kPrimaryEnergyHeading)) {
        for (const SbemRow& row : *rows) values.insert(values.end(), row.begin() + 1, row.end());
    }
    return values;
}

}  // namespace kz7
