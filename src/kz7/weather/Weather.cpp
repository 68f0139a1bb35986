#include "kz7/weather/Weather.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/input/LineReader.h"
#include "kz7/platform/NumberText.h"
#include "kz7/weather/DirectBeamTable.h"
#include "kz7/weather/Location.h"
#include "kz7/weather/SunPosition.h"

namespace kz7 {

namespace {

constexpr std::string_view kTapeProblem = "problem opening or reading reduced weather tape";
constexpr double kPi = 3.141592654;

int32_t WrapHour(int32_t hour) {
    return ((hour - 1) % 24 + 24) % 24 + 1;
}

float Lerp(float from, float to, float fraction) {
    return from + fraction * (to - from);
}

TapeHour Midpoint(const TapeHour& a, const TapeHour& b) {
    return {(a.dryBulb + b.dryBulb) / 2,           (a.wetBulb + b.wetBulb) / 2,
            (a.directNormal + b.directNormal) / 2, (a.diffuseHorizontal + b.diffuseHorizontal) / 2,
            (a.azimuth + b.azimuth) / 2,           (a.altitude + b.altitude) / 2,
            (a.windSpeed + b.windSpeed) / 2,       (a.pressure + b.pressure) / 2};
}

std::string Degrees(float radians) {
    return NumberToText(static_cast<float>(radians / kDegreesToRadians));
}

bool EndsWithEpw(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".epw";
}

}  // namespace

Weather::Weather(EngineState& state) : state_(state), epw_(state) {}

// ---- Records of the model document ----

void Weather::ReadHeatLoss() {
    LineReader& reader = state_.reader;
    reader.NextLine();
    OutsideDesignTemperature = reader.NextSingle();
    WindSpeed = reader.NextSingle();
    WindDirection = reader.NextSingle();
    reader.NextLine();
}

void Weather::ReadHeatGain() {
    LineReader& reader = state_.reader;
    reader.NextLine();
    ToaMax = reader.NextSingle();
    ToaMin = reader.NextSingle();
    beamMultiplier_ = reader.NextSingle();
    const float hourOfMinimum = reader.NextSingle();
    siteHeight_ = reader.NextSingle();
    monthlyMaximum_.fill(ToaMax);
    monthlyMinimum_.fill(ToaMin);
    hourOfMinimum_.fill(hourOfMinimum);
    hourOfWetBulbMinimum_.fill(hourOfMinimum);
    reader.NextLine();
}

void Weather::ReadSimulation() {
    LineReader& reader = state_.reader;
    reader.NextLine();
    WeatherDbName = reader.NextString();
    WeatherFileType = reader.NextInteger();
    state_.clock.weatherType = WeatherFileType;
    reader.NextLine();
}

// ---- Reduced tapes and design days ----

void Weather::REDWET(int32_t mode) {
    switch (mode) {
        case 0:
            PrepareDesignDays();
            break;
        case 1:
            LoadReducedTape();
            break;
        case 2:
            StepFromTable();
            break;
        default:
            break;
    }
}

bool Weather::WTOPEN(std::string_view mode, const std::string& name, int32_t typeCode,
                     std::string& path) {
    path.clear();
    const char* extension = typeCode == 2 ? ".fwt" : typeCode == 3 ? ".rwt" : nullptr;
    if (extension == nullptr) return false;
    if (tapeFile_.is_open()) tapeFile_.close();
    WeatherFileUnit = 0;
    path = (std::filesystem::path(state_.settings.supportFilePath) /
            (ReplaceAll(name, "\\", "/") + extension))
               .string();
    if (mode == "O") {
        tapeFile_.open(path, std::ios::in);
    } else {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        tapeFile_.open(path, std::ios::out | std::ios::trunc);
        tapeFile_ << "\n\n";
        tapeFile_.flush();
    }
    const bool opened = tapeFile_.is_open() && tapeFile_.good();
    WeatherFileUnit = opened ? 1 : 0;
    return opened;
}

bool Weather::GINFODY(const std::string& path) {
    std::ifstream file(path);
    std::string problem;
    return file.is_open() && ReadDayCounts(file, dayCounts_, problem);
}

void Weather::ReportTapeProblem(const std::string& detail) {
    state_.ShowError(std::string(kTapeProblem) + " (" + detail + ")");
}

void Weather::LoadReducedTape() {
    std::string path;
    if (!WTOPEN("O", WeatherDbName, WeatherFileType, path)) {
        ReportTapeProblem(path.empty()
                              ? "weather type " + std::to_string(WeatherFileType) + " has no tape"
                              : "cannot open " + path);
        return;
    }
    state_.clock.dayType = 6;
    DesignDayCount = 6;
    PreconditioningDays = 1;

    std::string dayCountName;
    std::string problem;
    const bool read = ReadTapeTable(tapeFile_, table_, dayCountName, problem);
    tapeFile_.close();
    WeatherFileUnit = 0;
    if (!read) {
        ReportTapeProblem(path + ": " + problem);
        return;
    }
    // Only the file name is used: the day-count file lies in the support folder.
    const std::string fileName = dayCountName.substr(dayCountName.find_last_of("\\/") + 1);
    const std::string dayCountPath =
        (std::filesystem::path(state_.settings.supportFilePath) / fileName).string();
    std::ifstream dayCountFile;
    if (fileName.empty() || fileName == "." || fileName == "..") {
        ReportTapeProblem(path + ": the day-count file name \"" + dayCountName +
                          "\" names no file");
        return;
    }
    dayCountFile.open(dayCountPath);
    if (!dayCountFile.is_open()) {
        ReportTapeProblem("cannot open the day-count file " + dayCountPath);
        return;
    }
    if (!ReadDayCounts(dayCountFile, dayCounts_, problem)) {
        ReportTapeProblem(dayCountPath + ": " + problem);
        return;
    }
    // Day type 3 stands for Wednesday, Thursday and Friday together.
    for (auto& month : dayCounts_) month[2] += month[3] + month[4];
    iCloud = 4;
}

const TapeHour& Weather::TableHour(int32_t month, int32_t hour) const {
    return table_.At(month, WrapHour(hour));
}

void Weather::StepFromTable() {
    const RunClock& clock = state_.clock;
    const int32_t month = clock.month;
    if (month < 1 || month > 12) return;
    // Corrections of either sign wrap round the day.
    const int32_t hour = WrapHour(clock.hour - state_.location->CorrectionOf(month));
    const TapeHour& now = TableHour(month, hour);
    const TapeHour& before = TableHour(month, hour - 1);
    const float f = clock.decimalHour - static_cast<float>(clock.hour - 1);

    Toa = Lerp(before.dryBulb, now.dryBulb, f);
    Twb = Lerp(before.wetBulb, now.wetBulb, f);
    PATMOS = Lerp(before.pressure, now.pressure, f);
    Idn = Lerp(before.directNormal, now.directNormal, f);
    Ifh = Lerp(before.diffuseHorizontal, now.diffuseHorizontal, f);
    SunAltitude = Lerp(before.altitude, now.altitude, f);
    SunAzimuth = Lerp(before.azimuth, now.azimuth, f);
    WindSpeed = Lerp(before.windSpeed, now.windSpeed, f);
    Goa = static_cast<float>(MoistureContent(Toa, Twb, PATMOS) * 1000.0);
    SetSunTrigonometry();
    Igh = SinSunAltitude * Idn + Ifh;
}

void Weather::PrepareDesignDays() {
    RunClock& clock = state_.clock;
    const bool events = state_.settings.generateWeatherDataEvents;
    if (clock.heatLossRun) {
        Toa = OutsideDesignTemperature;
        for (int32_t hour = 1; hour <= 24; ++hour)
            table_.At(1, hour) = {OutsideDesignTemperature, 0, 0, 0, 0, 0, 1.0f, PATMOS};
        if (events) SendHourlyHLWeatherData();
    }
    if (clock.heatGainRun) {
        // The table is built at each month and hour; the clock is given back
        // as it was.
        const int32_t month = clock.month;
        const int32_t hourNow = clock.hour;
        const float timeOfDay = clock.decimalHour;
        for (int32_t m = 1; m <= 12; ++m) {
            for (int32_t hour = 1; hour <= 24; ++hour) {
                clock.month = m;
                clock.hour = hour;
                clock.decimalHour = static_cast<float>(hour);
                CalcDesignWeather();
                table_.At(m, hour) = {Toa, 0, Idn, Ifh, SunAzimuth, SunAltitude, 1.0f, PATMOS};
            }
        }
        clock.month = month;
        clock.hour = hourNow;
        clock.decimalHour = timeOfDay;
        if (events) SendHourlyHGWeatherData();
    }
    for (auto& counts : dayCounts_) {
        for (size_t dayType = 0; dayType < 5; ++dayType) counts[dayType] = 4.0f;
        counts[2] += counts[3] + counts[4];
    }
    const bool design = clock.heatLossRun || clock.heatGainRun;
    DesignDayCount = design ? 25 : 6;
    PreconditioningDays = design ? 14 : 1;
    clock.dayType = 6;
    iCloud = 0;
}

void Weather::SendHourlyHGWeatherData() {
    SendDesignDay(state_.location->Latitude < 0.0f ? 1 : 7);
}

void Weather::SendHourlyHLWeatherData() {
    SendDesignDay(1);
}

// Half-hour k of the day: whole hours from the table (shifted by the month's
// clock correction), half hours the mean of the hours either side.
void Weather::SendDesignDay(int32_t month) {
    const int32_t correction = state_.location->CorrectionOf(month);
    for (int32_t k = 1; k <= 48; ++k) {
        const int32_t hour = (k + 1) / 2 - correction;
        const TapeHour entry = k % 2 == 0
                                   ? TableHour(month, hour)
                                   : Midpoint(TableHour(month, hour), TableHour(month, hour - 1));
        ValueArray values{"0",
                          NumberToText(entry.dryBulb),
                          NumberToText(entry.wetBulb),
                          NumberToText(entry.directNormal / 1000.0f),
                          NumberToText(entry.diffuseHorizontal / 1000.0f),
                          "0",
                          "0",
                          NumberToText(entry.pressure),
                          Degrees(entry.altitude),
                          Degrees(entry.azimuth)};
        state_.outputData.SaveData(1, -1, values, k / 48.0);
    }
}

// ---- Sun and design weather ----

void Weather::GetSunPosition() {
    const RunClock& clock = state_.clock;
    const Location& site = *state_.location;
    const SunAngles sun = SunPos(clock.year, clock.month, clock.day, clock.decimalHour,
                                 site.Latitude, site.Longitude, site.StdLongitude);
    SunAltitude = static_cast<float>(sun.altitude);
    SunAzimuth = static_cast<float>(sun.azimuth);
    SetSunTrigonometry();
}

void Weather::CalcDesignWeather() {
    const RunClock& clock = state_.clock;
    const size_t m = static_cast<size_t>(std::clamp(clock.month, 1, 12) - 1);
    const double t = clock.decimalHour;
    const double high = monthlyMaximum_[m];
    const double low = monthlyMinimum_[m];
    Toa = static_cast<float>((high + low) / 2 -
                             (high - low) / 2 * std::cos((t - hourOfMinimum_[m]) * kPi / 12));
    PATMOS = 1013.25f;
    GetSunPosition();

    const double alpha = SunAltitude;
    if (alpha <= 0.0) {
        Idn = 0.0f;
        Ifh = 0.0f;
    } else {
        const double a = alpha / 0.087265 + 1.0;
        const int32_t row = static_cast<int32_t>(a);
        const double f = a - row;
        Ifh = static_cast<float>(3.155 * std::sqrt(18.0 * alpha / kDegreesToRadians));
        double c[3];
        for (int32_t j = 1; j <= 3; ++j) {
            c[j - 1] = a < 19.0 ? (1.0 - f) * DryAirBeamCoefficient(row, j) +
                                      f * DryAirBeamCoefficient(row + 1, j)
                                : DryAirBeamCoefficient(19, j);
        }
        const double z = siteHeight_;
        Idn =
            static_cast<float>(1362.0 * 0.927 * beamMultiplier_ * (c[0] * z * z + c[1] * z + c[2]));
    }
    Igh = SinSunAltitude * Idn + Ifh;
}

void Weather::SetSunTrigonometry() {
    SinSunAltitude = std::sin(SunAltitude);
    CosSunAltitude = std::cos(SunAltitude);
}

// ---- Hourly weather file ----

std::vector<std::string> Weather::WeatherFileCandidates(const std::string& name) const {
    std::string fileName = ReplaceAll(name, "\\", "/");
    if (!EndsWithEpw(fileName)) fileName += ".epw";
    const std::filesystem::path path(fileName);
    if (path.is_absolute()) return {path.string()};
    std::vector<std::string> candidates{
        (std::filesystem::path(state_.settings.supportFilePath) / path).string()};
    const std::string& model = state_.engine->DataFileName;
    if (!model.empty()) {
        const std::string besideModel =
            (std::filesystem::path(model).parent_path() / path).string();
        if (besideModel != candidates.front()) candidates.push_back(besideModel);
    }
    return candidates;
}

std::string Weather::ResolveWeatherFile(const std::string& name) const {
    const std::vector<std::string> candidates = WeatherFileCandidates(name);
    std::error_code error;
    for (const std::string& candidate : candidates)
        if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    return candidates.front();
}

bool Weather::OpenWeatherDatabase() {
    const bool opened = epw_.OpenFile(ResolveWeatherFile(WeatherDbName));
    SimStartWeatherRecordIndex = epw_.SimStartRecordIndex;
    const CalendarDate first = epw_.FirstRecordDate();
    const CalendarDate last = epw_.LastRecordDate();
    StartDayOfMonth = first.day;
    StartMonth = first.month;
    StartYear = first.year;
    EndDayOfMonth = last.day;
    EndMonth = last.month;
    EndYear = last.year;
    YearJan1 = epw_.YearJan1;
    return opened;
}

void Weather::CloseWeatherDatabase() {
    if (WeatherFileType == 4) epw_.CloseFile();
}

void Weather::ReadHourlyData() {
    RunClock& clock = state_.clock;
    epw_.ReadRecordFromSimDate(ThisRecord);
    epw_.ReadRecordFromIndex(ThisRecord.Index == 0 ? 1 : ThisRecord.Index, previous_);

    clock.year = ThisRecord.Year;
    clock.date = ToOleDate(clock.year, clock.month, clock.day);
    clock.LayOnRunCalendar(clock.year, epw_.FebruaryDays());
    // Typical-year records mix years, so their weekdays come from the count
    // the file states, not from each record's own year.
    clock.dayType = epw_.IsOneCalendarYear()
                        ? DayOfWeekMondayFirst(clock.year, clock.month, clock.day)
                        : ThisRecord.DayOfWeek;

    const float f = clock.decimalHour - static_cast<float>(clock.hour) + 1.0f;
    SunAzimuth = Lerp(previous_.Azimuth, ThisRecord.Azimuth, f);
    SunAltitude = Lerp(previous_.Altitude, ThisRecord.Altitude, f);
    Idn = Lerp(previous_.Idn, ThisRecord.Idn, f);
    Ifh = Lerp(previous_.Ifh, ThisRecord.Ifh, f);
    Toa = Lerp(previous_.Tdb, ThisRecord.Tdb, f);
    Twb = Lerp(previous_.Twb, ThisRecord.Twb, f);
    PATMOS = Lerp(previous_.PATMOS, ThisRecord.PATMOS, f);
    iCloud = static_cast<int16_t>(std::nearbyint(Lerp(previous_.iCloud, ThisRecord.iCloud, f)));
    FinishHourlyStep();
}

void Weather::ReadDataByIndex(int32_t index) {
    if (!epw_.ReadRecordFromIndex(index, ThisRecord)) return;
    SunAzimuth = ThisRecord.Azimuth;
    SunAltitude = ThisRecord.Altitude;
    Idn = ThisRecord.Idn;
    Ifh = ThisRecord.Ifh;
    Toa = ThisRecord.Tdb;
    Twb = ThisRecord.Twb;
    iCloud = ThisRecord.iCloud;
    PATMOS = ThisRecord.PATMOS;
    iMonth = ThisRecord.Month;
    iDay = ThisRecord.DayOfMonth;
    iHour = ThisRecord.Hour;
    FinishHourlyStep();
}

void Weather::FinishHourlyStep() {
    SetSunTrigonometry();
    Igh = SinSunAltitude * Idn + Ifh;
    Goa = static_cast<float>(MoistureContent(Toa, Twb, PATMOS) * 1000.0);
    if (iCloud < 0) iCloud = 4;
    if (iCloud > 8) iCloud = 8;
}

// ---- Calendar of the run ----

float Weather::DayWeight(int32_t month, int32_t dayType) const {
    if (state_.clock.weatherType != 3) return 1.0f;
    if (dayType == 0) dayType = 7;
    if (month < 1 || month > 12 || dayType < 1 || dayType > 7) return 1.0f;
    return dayCounts_[static_cast<size_t>(month - 1)][static_cast<size_t>(dayType - 1)];
}

int32_t Weather::TypicalYearPeriodDays(int32_t startMonth, int32_t startDay, int32_t endMonth,
                                       int32_t endDay) const {
    auto dayOfYear = [&](int32_t month, int32_t day) {
        int32_t total = day;
        for (int32_t m = 1; m < month && m <= 12; ++m) total += DaysInRecordMonth(m);
        return total;
    };
    int32_t yearLength = 0;
    for (int32_t m = 1; m <= 12; ++m) yearLength += DaysInRecordMonth(m);
    int32_t days = dayOfYear(endMonth, endDay) - dayOfYear(startMonth, startDay);
    if (days < 0) days += yearLength;
    return days + 1;
}

}  // namespace kz7
