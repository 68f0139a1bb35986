#include "kz7/weather/EnergyPlusWeather.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/platform/NumberText.h"
#include "kz7/weather/Location.h"
#include "kz7/weather/NumberField.h"
#include "kz7/weather/Psychrometrics.h"
#include "kz7/weather/SunPosition.h"

namespace kz7 {

namespace {

constexpr std::string_view kErrorOpening = "Error opening ";
constexpr std::string_view kNoWeatherData = "No weather data for ";
constexpr std::string_view kCancelled = "Cancelled";
constexpr float kProgressRecords = 8784.0f;
constexpr int32_t kThermalRunKind = 2;
constexpr size_t kFieldsOfAnEpwLine = 35;

// EPW columns (1-based) the engine reads.
enum Column : size_t {
    kYear = 1,
    kMonth,
    kDay,
    kHour,
    kMinute,
    kDryBulb = 7,
    kDewPoint = 8,
    kPressure = 10,
    kDirectNormal = 15,
    kDiffuseHorizontal = 16,
    kWindDirection = 21,
    kWindSpeed = 22,
    kTotalSkyCover = 23,
};

std::string LowerFirstThree(std::string_view text) {
    std::string lower;
    for (char c : text.substr(0, 3))
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// Tenths of sky cover to oktas; the file's missing value (99) becomes the
// engine's "unknown" cover of 4 oktas.
uint8_t SkyCoverOktas(double tenths) {
    if (!(tenths >= 0.0 && tenths <= 10.0)) return 4;
    return static_cast<uint8_t>(std::nearbyint(tenths * 0.8));
}

std::string Text(float value) {
    return NumberToText(value);
}
std::string Text(double value) {
    return NumberToText(value);
}

}  // namespace

EnergyPlusWeather::EnergyPlusWeather(EngineState& state) : state_(state) {
    slots_.fill(-1);
}

int32_t EnergyPlusWeather::SlotOf(int32_t month, int32_t day, int32_t hour) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 1 || hour > 24) return -1;
    return ((month - 1) * 31 + (day - 1)) * 24 + (hour - 1);
}

// The file is read again when the host asks for weather rows, or when a
// thermal run names another file; a thermal run on the file already loaded
// re-walks the records for the new period instead. Other run kinds get
// nothing.
bool EnergyPlusWeather::OpenFile(const std::string& fileName) {
    const bool thermal = state_.clock.runKind == kThermalRunKind;
    const bool reread = state_.settings.generateWeatherDataEvents ||
                        (thermal && (fileName != fileName_ || records_.empty()));
    if (!reread) {
        if (!thermal) return false;
        WalkLoadedRecords();
        return true;
    }

    fileName_ = fileName;
    const std::filesystem::path path(fileName);
    std::error_code error;
    if (path.filename().empty() || !std::filesystem::is_regular_file(path, error) ||
        !reader_.Open(fileName)) {
        state_.ShowError(std::string(kErrorOpening) + fileName);
        state_.engine->Cancelled = true;
        Forget();
        return false;
    }
    const bool loaded = ReadHeader() && ReadData();
    CloseFile();
    if (!loaded) {
        // A run has no weather without the file: it stops, as for a missing one.
        state_.engine->Cancelled = true;
        Forget();
    }
    return loaded;
}

void EnergyPlusWeather::Forget() {
    fileName_.clear();
    records_.clear();
    slots_.fill(-1);
}

bool EnergyPlusWeather::ReadHeader() {
    const std::string& name = reader_.FileName();
    reader_.NextLine();
    if (reader_.AtEnd()) {
        state_.ShowError("Weather file " + name + " is empty");
        return false;
    }
    if (LowerFirstThree(reader_.NextString()) != "loc") {
        state_.ShowError("Weather file " + name +
                         " is not an EnergyPlus weather file: line 1 is not LOCATION");
        return false;
    }
    City = reader_.NextString();
    StateProvince = reader_.NextString();
    Country = reader_.NextString();
    Source = reader_.NextString();
    StationNumber = reader_.NextString();
    Latitude = reader_.NextSingle();
    Longitude = reader_.NextSingle();
    TimeZone = reader_.NextSingle();
    Elevation = reader_.NextSingle();
    // Without a place on the globe there is no sun: refuse rather than run dark.
    const struct {
        const char* field;
        float value, lowest, highest;
    } place[] = {{"latitude", Latitude, -90.0f, 90.0f},
                 {"longitude", Longitude, -180.0f, 180.0f},
                 {"time zone", TimeZone, -12.0f, 14.0f}};
    for (const auto& item : place) {
        if (item.value >= item.lowest && item.value <= item.highest) continue;
        state_.ShowError("Weather file " + name + ": the LOCATION " + item.field + " " +
                         NumberToText(item.value) + " is not between " +
                         NumberToText(item.lowest) + " and " + NumberToText(item.highest));
        return false;
    }
    CompareWithLocation();

    for (int line = 2; line <= 8; ++line) reader_.NextLine();
    if (reader_.AtEnd() || reader_.NextString() != "DATA PERIODS") {
        state_.ShowError("Weather file " + name +
                         " has no DATA PERIODS line as its 8th header line");
        return false;
    }
    for (int token = 2; token <= 4; ++token) reader_.NextString();
    const std::string startDay = reader_.NextString();
    static constexpr std::string_view kWeekdays[] = {"mon", "tue", "wed", "thu",
                                                     "fri", "sat", "sun"};
    const std::string lower = LowerFirstThree(startDay);
    StartDayOfWeek = 0;
    for (int32_t day = 1; day <= 7; ++day)
        if (lower == kWeekdays[day - 1]) StartDayOfWeek = day;
    if (StartDayOfWeek == 0)
        state_.ShowError("Weather file " + name + ": the DATA PERIODS start day \"" + startDay +
                         "\" is not a weekday; weekdays are counted from the first record's date");
    return true;
}

bool EnergyPlusWeather::ReadData() {
    const std::string& name = reader_.FileName();
    records_.clear();
    records_.reserve(8784);
    slots_.fill(-1);
    lastMissingSlot_ = -1;
    InitDay();
    InitMonth();
    openMonth_ = 0;
    calendar_.Start();
    dayCounter_ = StartDayOfWeek - 1;

    std::string firstProblem;
    int32_t problemLines = 0;
    while (true) {
        reader_.NextLine();
        if (reader_.AtEnd()) break;
        const int32_t count = RecordCount();
        state_.message.UpdateProgress(static_cast<float>(count) / kProgressRecords);

        WeatherRecord& record = reading_;
        record = WeatherRecord{};
        std::string problem;
        const bool usable = ParseDataLine(record, problem);
        if (!problem.empty()) {
            if (problemLines++ == 0)
                firstProblem = "line " + std::to_string(reader_.LineNumber()) + " " + problem;
        }
        if (!usable) continue;

        int32_t& slot =
            slots_[static_cast<size_t>(SlotOf(record.Month, record.DayOfMonth, record.Hour))];
        if (slot >= 0) {
            state_.ShowError(
                "Weather file " + name + ": line " + std::to_string(reader_.LineNumber()) +
                " repeats the hour " + std::to_string(record.Hour) + ":00 " +
                std::to_string(record.DayOfMonth) + "/" + std::to_string(record.Month) +
                "; only the first year of data is read");
            break;
        }
        if (StartDayOfWeek == 0) {
            StartDayOfWeek = DayOfWeekMondayFirst(record.Year, record.Month, record.DayOfMonth);
            dayCounter_ = StartDayOfWeek - 1;
        }
        WalkRecord(record, count);
        SetSunPosition(record);
        record.Index = count;
        slot = count;
        records_.push_back(record);

        if (state_.engine->Cancelled) {
            state_.message.SendTextMessage(std::string(kCancelled));
            Forget();
            return false;
        }
        if (state_.settings.generateWeatherDataEvents) SendRecordRows();
        if (count % 24 == 23) state_.Yield();
    }

    if (problemLines > 0) {
        std::string text = "Weather file " + name + ": " + firstProblem;
        if (problemLines > 1)
            text += " (and " + std::to_string(problemLines - 1) + " more lines with faults)";
        state_.ShowError(text);
    }
    if (records_.empty()) {
        state_.ShowError("Weather file " + name + " holds no hourly records");
        return false;
    }
    SummariseFile();
    return true;
}

double EnergyPlusWeather::StationPressure(double pascals) const {
    // The format's valid range; anything else (its missing value 999999, an
    // infinity) is missing and gives the standard atmosphere at the station.
    if (pascals > 31000.0 && pascals < 120000.0) return pascals;
    const double elevation = std::isfinite(Elevation) ? std::clamp(double{Elevation}, -500.0, 9000.0) : 0.0;
    return 101325.0 * std::pow(1.0 - 2.25577e-5 * elevation, 5.2559);
}

bool EnergyPlusWeather::ParseDataLine(WeatherRecord& record, std::string& problem) const {
    const std::vector<std::string>& fields = reader_.Fields();
    if (fields.size() < kFieldsOfAnEpwLine)
        problem = "has " + std::to_string(fields.size()) + " of the " +
                  std::to_string(kFieldsOfAnEpwLine) + " fields; the missing ones read as 0";
    auto number = [&](size_t column) -> double {
        if (column > fields.size()) return 0.0;
        const std::string& text = fields[column - 1];
        if (!LooksNumeric(text) && problem.empty())
            problem = "column " + std::to_string(column) + " (\"" + text + "\") is not a number";
        return ParseLeadingNumber(text);
    };

    record.Year = RoundToInt32(number(kYear));
    record.Month = RoundToInt32(number(kMonth));
    record.DayOfMonth = RoundToInt32(number(kDay));
    record.Hour = RoundToInt32(number(kHour));
    record.Minute = RoundToInt32(number(kMinute));
    constexpr int32_t kAnyLeapYear = 2000;
    if (SlotOf(record.Month, record.DayOfMonth, record.Hour) < 0 ||
        record.DayOfMonth > DaysInMonth(record.Month, kAnyLeapYear)) {
        problem = "has no valid month, day and hour; the line is skipped";
        return false;
    }
    record.Tdb = static_cast<float>(number(kDryBulb));
    const double dewPoint = number(kDewPoint);
    record.PATMOS = static_cast<float>(StationPressure(number(kPressure)) / 100.0);
    record.Twb = static_cast<float>(WetBulbFromDewPoint(record.Tdb, dewPoint, record.PATMOS));
    record.Idn = static_cast<float>(number(kDirectNormal));
    record.Ifh = static_cast<float>(number(kDiffuseHorizontal));
    record.WDir = static_cast<float>(number(kWindDirection));
    record.WS = static_cast<float>(number(kWindSpeed));
    record.iCloud = SkyCoverOktas(number(kTotalSkyCover));
    return true;
}

void EnergyPlusWeather::WalkRecord(WeatherRecord& record, int32_t count) {
    if (record.Hour == 1) dayCounter_ = dayCounter_ % 7 + 1;
    record.DayOfWeek = dayCounter_;
    SimulationPeriod& period = state_.clock.period;
    if (record.Month == 1 && record.DayOfMonth == 1 && record.Hour == 1) YearJan1 = record.Year;
    if (record.Month == period.startMonth && record.DayOfMonth == period.startDay &&
        record.Hour == 1) {
        state_.clock.dayType = dayCounter_;
        period.startYear = record.Year;
        SimStartRecordIndex = count;
    }
    if (record.Month == period.endMonth && record.DayOfMonth == period.endDay)
        period.endYear = record.Year;
}

void EnergyPlusWeather::CompareWithLocation() const {
    constexpr double kTolerance = 1.0;  // degrees
    const Location& location = *state_.location;
    if (location.Record.line == 0) return;
    // The model gives longitudes positive west, the file positive east.
    const double latitudeDifference = std::fabs(double(location.Latitude) - Latitude);
    const double longitudeDifference = std::fabs(double(location.Longitude) + Longitude);
    if (!(latitudeDifference > kTolerance || longitudeDifference > kTolerance)) return;
    const std::string text =
        RecordPlace(location.Record) + ": latitude " + NumberToText(location.Latitude) +
        "°, longitude " + NumberToText(location.Longitude) + "° W differ by more than 1° from " +
        reader_.FileName() + " (latitude " + NumberToText(Latitude) + "°, longitude " +
        NumberToText(-Longitude) + "° W); the run uses the weather file's position";
    state_.ShowWarning(text);
}

void EnergyPlusWeather::WalkLoadedRecords() {
    dayCounter_ = StartDayOfWeek - 1;
    int32_t count = 0;
    for (WeatherRecord& record : records_) WalkRecord(record, count++);
    lastMissingSlot_ = -1;
}

// The standard meridian is the time zone's (15° an hour); the formula wants
// longitudes positive west, the file gives them positive east.
SunAngles EnergyPlusWeather::SiteSun(int32_t dayOfYear, double time) const {
    const double longitudeWest = -static_cast<double>(Longitude);
    const double meridianWest = -static_cast<double>(TimeZone) * 15.0;
    return SunPosX(dayOfYear, time, Latitude, longitudeWest, meridianWest);
}

// The sun at the end of the record's hour.
void EnergyPlusWeather::SetSunPosition(WeatherRecord& record) const {
    const SunAngles sun =
        SiteSun(DayOfYear(record.Year, record.Month, record.DayOfMonth), record.Hour);
    record.Altitude = static_cast<float>(sun.altitude);
    record.Azimuth = static_cast<float>(sun.azimuth);
}

int32_t EnergyPlusWeather::DayTypeOf(const WeatherRecord& record) const {
    if (oneCalendarYear_) return DayOfWeekMondayFirst(record.Year, record.Month, record.DayOfMonth);
    return record.DayOfWeek;
}

void EnergyPlusWeather::SummariseFile() {
    const WeatherRecord& first = records_.front();
    oneCalendarYear_ = std::all_of(records_.begin(), records_.end(),
                                   [&](const WeatherRecord& r) { return r.Year == first.Year; });
    if (oneCalendarYear_) {
        februaryDays_ = DaysInMonth(2, first.Year);
    } else {
        bool leapDay = false;
        for (int32_t hour = 1; hour <= 24; ++hour)
            leapDay = leapDay || slots_[static_cast<size_t>(SlotOf(2, 29, hour))] >= 0;
        februaryDays_ = leapDay ? 29 : 28;
    }
}

int32_t EnergyPlusWeather::DaysInFileMonth(int32_t month) const {
    if (month == 2) return februaryDays_;
    return DaysInMonth(month, 2001);
}

EnergyPlusWeather::MissingDays EnergyPlusWeather::DaysWithoutRecords(
    const SimulationPeriod& period) const {
    MissingDays missing;
    int32_t month = std::clamp(period.startMonth, 1, 12);
    int32_t day = period.startDay;
    // A period's days are at most a year's; the bound also ends a walk whose
    // end day the file's months never reach (29 February in a common year).
    for (int32_t walked = 0; walked < 366; ++walked) {
        for (int32_t hour = 1; hour <= 24; ++hour) {
            const int32_t slot = SlotOf(month, day, hour);
            if (slot >= 0 && slots_[static_cast<size_t>(slot)] >= 0) continue;
            if (missing.count++ == 0) {
                missing.firstMonth = month;
                missing.firstDay = day;
            }
            break;
        }
        if (month == period.endMonth && day == period.endDay) break;
        if (++day > DaysInFileMonth(month)) {
            day = 1;
            month = month == 12 ? 1 : month + 1;
        }
    }
    return missing;
}

CalendarDate EnergyPlusWeather::FirstRecordDate() const {
    if (records_.empty()) return {};
    const WeatherRecord& r = records_.front();
    return {r.Year, r.Month, r.DayOfMonth};
}

CalendarDate EnergyPlusWeather::LastRecordDate() const {
    if (records_.empty()) return {};
    const WeatherRecord& r = records_.back();
    return {r.Year, r.Month, r.DayOfMonth};
}

bool EnergyPlusWeather::ReadRecordFromIndex(int32_t index, WeatherRecord& record) const {
    if (index < 1 || index > RecordCount()) return false;
    CopyRecord(records_[static_cast<size_t>(index - 1)], record);
    return true;
}

bool EnergyPlusWeather::ReadRecordFromSimDate(WeatherRecord& record) {
    const RunClock& clock = state_.clock;
    const int32_t slot = SlotOf(clock.month, clock.day, clock.hour);
    const int32_t position = slot < 0 ? -1 : slots_[static_cast<size_t>(slot)];
    if (position < 0) {
        // One message per missing hour, not one per time step of it.
        const int32_t missingKey = slot < 0 ? -2 : slot;
        if (missingKey != lastMissingSlot_) {
            lastMissingSlot_ = missingKey;
            state_.ShowError(std::string(kNoWeatherData) + std::to_string(clock.hour) + ":00" +
                             " " + std::to_string(clock.day) + "/" + std::to_string(clock.month));
        }
        return false;
    }
    CopyRecord(records_[static_cast<size_t>(position)], record);
    return true;
}

void EnergyPlusWeather::CopyRecord(const WeatherRecord& source, WeatherRecord& destination) {
    const int32_t keep = destination.HourFromStartJan1;
    destination = source;
    destination.HourFromStartJan1 = keep;
}

void EnergyPlusWeather::SendRecordRows() {
    const WeatherRecord& record = reading_;
    // A month the file holds shorter than the calendar's (a leap-year
    // February without its 29th) closes when the next month begins.
    if (monthDays_ > 0 && record.Month != openMonth_) SendMonthlyWeatherData();
    SendHourlyWeatherData();
    if (record.Hour != 24) return;
    SendDailyWeatherData();
    if (record.DayOfMonth == DaysInMonth(record.Month, record.Year)) SendMonthlyWeatherData();
}

void EnergyPlusWeather::SendHourlyWeatherData() {
    const WeatherRecord& r = reading_;
    const double date = ToOleDate(r.Year, r.Month, r.DayOfMonth);
    calendarDay_ = calendar_.Lay(r.Year, r.Month, r.DayOfMonth);
    ValueArray values{Text(date),
                      Text(r.Tdb),
                      Text(r.Twb),
                      Text(r.Idn / 1000.0f),
                      Text(r.Ifh / 1000.0f),
                      Text(r.WS),
                      Text(r.WDir),
                      Text(r.PATMOS),
                      Text(static_cast<float>(r.Altitude / kDegreesToRadians)),
                      Text(static_cast<float>(r.Azimuth / kDegreesToRadians))};
    state_.outputData.SaveData(2, -1, values, date + r.Hour / 24.0, calendarDay_ + r.Hour / 24.0);

    day_[0] = date;
    day_[1] += r.Tdb / 24.0;
    day_[2] += r.Twb / 24.0;
    day_[3] += r.Idn / 1000.0;
    day_[4] += r.Ifh / 1000.0;
    day_[5] += r.WS / 24.0;
    day_[6] += r.WDir / 24.0;
    day_[7] += r.PATMOS / 24.0;
}

void EnergyPlusWeather::SendDailyWeatherData() {
    SendRow(3, day_, day_[0], calendarDay_);
    for (size_t i = 1; i <= 7; ++i) month_[i] += day_[i];
    month_[0] = day_[0];
    openMonth_ = reading_.Month;
    ++monthDays_;
    InitDay();
}

// Means over the days the month holds; radiation as monthly totals.
void EnergyPlusWeather::SendMonthlyWeatherData() {
    std::array<double, 10> values = month_;
    if (monthDays_ > 0)
        for (size_t i : {1, 2, 5, 6, 7}) values[i] /= monthDays_;
    SendRow(4, values, month_[0], calendarDay_);
    InitMonth();
}

void EnergyPlusWeather::SendRow(int16_t interval, const std::array<double, 10>& values,
                                double date, double time) {
    ValueArray texts;
    texts.reserve(values.size());
    for (double value : values) texts.push_back(Text(value));
    state_.outputData.SaveData(interval, -1, texts, date, time);
}

}  // namespace kz7
