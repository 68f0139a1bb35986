#pragma once
// Event source of result records: one call per zone, building-and-plant,
// weather or summary record (interval codes 1..6).
//
// A record travels in two forms. The text form (`onSave`: values as decimal
// texts, "-32768" when missing) is the one the control raises as SaveSSData,
// SaveHLData and SaveHGData. The numeric form (`onRecord`) carries the same
// values as numbers and the record's time on the run's own calendar; a host
// that stores results takes it and so spares the engine formatting texts it
// would only parse again. Senders that hold numbers build the texts only when
// a text listener is connected (WantsTexts()).
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace kz7 {

using ValueArray = std::vector<std::string>;

// One record as numbers. `values` is indexed by position like the text form;
// a position whose text is empty (not collected) or "-32768" (missing) is NaN.
// `date` is the DateIn of the text form (the run clock's date, or a weather
// row's own date); `time` is the end of the record's interval on the run's
// own calendar, which increases through a run (see RunClock::RecordTime).
struct ResultRecord {
    int16_t interval = 0;
    int32_t zone = 0;
    std::span<const float> values;
    double date = 0.0;
    double time = 0.0;
};

// The value of a text of the text form: a finite decimal number, with "." or
// "," as its decimal mark and blanks around it; NaN for an empty text, the
// missing value "-32768" or anything else.
float ValueOfText(const std::string& text);

class OutputData {
public:
    using SaveHandler =
        std::function<void(int16_t& interval, int32_t& zone, ValueArray& values, double& date)>;
    using RecordHandler = std::function<void(const ResultRecord& record)>;
    using EraseHandler = std::function<void(int16_t& interval, int32_t& zone)>;

    // Whether the text form has a listener. `textWanted`, when set, refines a
    // connected `onSave` (the control connects one whether or not its host
    // handles the text events).
    bool WantsTexts() const { return onSave && (!textWanted || textWanted()); }

    // A record whose sender holds numbers: `record` to onRecord, and the
    // `texts` the sender built (when WantsTexts(); else null) to onSave.
    void SaveRecord(const ResultRecord& record, ValueArray* texts) {
        if (onRecord) onRecord(record);
        if (!texts || !onSave) return;
        int16_t interval = record.interval;
        int32_t zone = record.zone;
        double date = record.date;
        onSave(interval, zone, *texts, date);
    }

    // A record sent as texts (zone summaries, weather rows, the annual SBEM
    // results): to onSave, and its numbers to onRecord. `time` defaults to
    // the record's date.
    void SaveData(int16_t interval, int32_t zone, ValueArray& values, double date,
                  double time = std::numeric_limits<double>::quiet_NaN());

    void EraseData(int16_t interval, int32_t zone) {
        if (onErase) onErase(interval, zone);
    }

    SaveHandler onSave;
    std::function<bool()> textWanted;
    RecordHandler onRecord;
    EraseHandler onErase;

private:
    std::vector<float> numbers_;  // scratch of SaveData's numeric form
};

}  // namespace kz7
