#include "kz7/weather/ReducedTape.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "kz7/input/LineReader.h"
#include "kz7/platform/NumberText.h"
#include "kz7/platform/OutputFile.h"
#include "kz7/platform/OleDate.h"
#include "kz7/weather/EnergyPlusWeather.h"
#include "kz7/weather/NumberField.h"

namespace kz7 {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string MonthHourText(int32_t month, int32_t hour) {
    return "month " + std::to_string(month) + " hour " + std::to_string(hour);
}

}  // namespace

TapeItems::TapeItems(std::istream& input)
    : text_(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>()) {}

bool TapeItems::Next(std::string& item) {
    item.clear();
    while (position_ < text_.size() && IsBlank(text_[position_])) ++position_;
    if (position_ >= text_.size()) return false;
    if (text_[position_] == '"') {
        const size_t close = text_.find('"', position_ + 1);
        const size_t end = close == std::string::npos ? text_.size() : close;
        item = text_.substr(position_ + 1, end - position_ - 1);
        position_ = close == std::string::npos ? end : close + 1;
    } else {
        const size_t start = position_;
        while (position_ < text_.size() && text_[position_] != ',' && !IsBlank(text_[position_]))
            ++position_;
        item = text_.substr(start, position_ - start);
    }
    // The item ends at blanks and at most one comma; two commas in a row
    // leave an empty item between them.
    while (position_ < text_.size() && (text_[position_] == ' ' || text_[position_] == '\t'))
        ++position_;
    if (position_ < text_.size() && text_[position_] == ',') ++position_;
    ++count_;
    return true;
}

bool TapeItems::NextNumber(float& value, std::string& problem) {
    std::string item;
    if (!Next(item)) {
        problem = "the file ends after " + std::to_string(count_) + " items";
        return false;
    }
    if (!LooksNumeric(item)) {
        problem = "item " + std::to_string(count_) + " (\"" + item + "\") is not a number";
        return false;
    }
    value = static_cast<float>(ParseLeadingNumber(item));
    return true;
}

bool ReadTapeTable(std::istream& input, MonthHourTable& table, std::string& dayCountName,
                   std::string& problem) {
    TapeItems items(input);
    for (int32_t month = 1; month <= 12; ++month) {
        for (int32_t hour = 1; hour <= 24; ++hour) {
            TapeHour& entry = table.At(month, hour);
            for (float* field :
                 {&entry.dryBulb, &entry.wetBulb, &entry.directNormal, &entry.diffuseHorizontal,
                  &entry.azimuth, &entry.altitude, &entry.windSpeed, &entry.pressure}) {
                if (!items.NextNumber(*field, problem)) {
                    problem += " (" + MonthHourText(month, hour) + ")";
                    return false;
                }
            }
        }
    }
    if (!items.Next(dayCountName) || dayCountName.empty()) {
        problem = "the day-count file name is missing after the 288 hourly records";
        return false;
    }
    return true;
}

bool ReadDayCounts(std::istream& input, DayCountTable& counts, std::string& problem) {
    TapeItems items(input);
    std::string heading;
    if (!items.Next(heading)) {
        problem = "the file is empty";
        return false;
    }
    for (size_t month = 0; month < 12; ++month) {
        for (size_t dayType = 0; dayType < 7; ++dayType) {
            if (!items.NextNumber(counts[month][dayType], problem)) {
                problem += " (month " + std::to_string(month + 1) + ")";
                return false;
            }
        }
    }
    return true;
}

namespace {

// The mean day of each month, hour by hour, with the sun of its middle day.
MonthHourTable MeanDays(const EnergyPlusWeather& source, std::array<int32_t, 12>& hoursHeld) {
    MonthHourTable table;
    std::array<std::array<int32_t, 24>, 12> samples{};
    for (const WeatherRecord& r : source.Records()) {
        TapeHour& entry = table.At(r.Month, r.Hour);
        entry.dryBulb += r.Tdb;
        entry.wetBulb += r.Twb;
        entry.directNormal += r.Idn;
        entry.diffuseHorizontal += r.Ifh;
        entry.windSpeed += r.WS;
        entry.pressure += r.PATMOS;
        ++samples[static_cast<size_t>(r.Month - 1)][static_cast<size_t>(r.Hour - 1)];
    }
    int32_t dayOfYear = 0;
    for (int32_t month = 1; month <= 12; ++month) {
        const int32_t middleDay = (source.DaysInFileMonth(month) + 1) / 2;
        hoursHeld[static_cast<size_t>(month - 1)] = 0;
        for (int32_t hour = 1; hour <= 24; ++hour) {
            TapeHour& entry = table.At(month, hour);
            const int32_t n =
                samples[static_cast<size_t>(month - 1)][static_cast<size_t>(hour - 1)];
            hoursHeld[static_cast<size_t>(month - 1)] += n > 0 ? 1 : 0;
            if (n > 0) {
                for (float* field : {&entry.dryBulb, &entry.wetBulb, &entry.directNormal,
                                     &entry.diffuseHorizontal, &entry.windSpeed, &entry.pressure})
                    *field /= static_cast<float>(n);
            }
            const SunAngles sun = source.SiteSun(dayOfYear + middleDay, hour);
            entry.azimuth = static_cast<float>(sun.azimuth);
            entry.altitude = static_cast<float>(sun.altitude);
        }
        dayOfYear += source.DaysInFileMonth(month);
    }
    return table;
}

DayCountTable CountWeekdays(const EnergyPlusWeather& source) {
    DayCountTable counts{};
    for (const WeatherRecord& r : source.Records()) {
        const int32_t dayType = source.DayTypeOf(r);
        if (r.Hour == 1 && dayType >= 1 && dayType <= 7)
            counts[static_cast<size_t>(r.Month - 1)][static_cast<size_t>(dayType - 1)] += 1.0f;
    }
    return counts;
}

}  // namespace

bool MakeReducedTape(const EnergyPlusWeather& source, const std::string& name,
                     const std::string& folder, std::string& problem) {
    std::array<int32_t, 12> hoursHeld{};
    const MonthHourTable table = MeanDays(source, hoursHeld);
    for (int32_t month = 1; month <= 12; ++month) {
        if (hoursHeld[static_cast<size_t>(month - 1)] < 24) {
            problem =
                "the weather file has no data for every hour of month " + std::to_string(month);
            return false;
        }
    }
    const std::filesystem::path tapePath = std::filesystem::path(folder) / (name + ".rwt");
    const std::string dayCountName = name + ".dcf";
    const std::filesystem::path dayCountPath = std::filesystem::path(folder) / dayCountName;

    std::ostringstream tape;
    for (int32_t month = 1; month <= 12; ++month) {
        for (int32_t hour = 1; hour <= 24; ++hour) {
            const TapeHour& e = table.At(month, hour);
            tape << NumberToText(e.dryBulb) << ", " << NumberToText(e.wetBulb) << ", "
                 << NumberToText(e.directNormal) << ", " << NumberToText(e.diffuseHorizontal)
                 << ", " << NumberToText(e.azimuth) << ", " << NumberToText(e.altitude) << ", "
                 << NumberToText(e.windSpeed) << ", " << NumberToText(e.pressure) << '\n';
        }
    }
    tape << '"' << dayCountName << "\"\n";

    const DayCountTable counts = CountWeekdays(source);
    std::ostringstream dayCounts;
    dayCounts << "\"Days Monday to Sunday of each month, " << CleanName(source.City) << "\"\n";
    for (const auto& month : counts) {
        for (size_t dayType = 0; dayType < 7; ++dayType)
            dayCounts << (dayType == 0 ? "" : ", ") << NumberToText(month[dayType]);
        dayCounts << '\n';
    }
    // The day counts first: a tape is never left without the file it names,
    // and a failed write leaves no part of either behind.
    return WriteWholeFile(dayCountPath, dayCounts.str(), problem) &&
           WriteWholeFile(tapePath, tape.str(), problem);
}

}  // namespace kz7
