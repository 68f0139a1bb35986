#include "ShadingRecords.h"

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ShadingPolygons.h"
#include "kz7/input/LineReader.h"
#include "kz7/platform/NumberText.h"

namespace kz7::app {

const std::vector<std::string>& ShadingKeywords() {
    static const std::vector<std::string> keywords = {
        "ShadingPlane", "ShadingPlaneCorners", "ShadingOverhang", "ShadingFin", "ShadingPolygon"};
    return keywords;
}

namespace {

constexpr double kFarthest = 1e5;       // m: no length or coordinate reaches further
constexpr double kCornerSlack = 0.01;   // m a fourth corner may miss the rectangle
constexpr double kLargestPlane = 2147483647.0;

struct Record {
    std::vector<std::string> fields;  // the keyword first
    int64_t line = 0;
    std::string text;
};

// Why a record is left out.
struct BadRecord {
    std::string why;
};

// The fields of one record, read with checks; a bad field throws BadRecord.
class Fields {
  public:
    explicit Fields(const Record& record) : fields_(record.fields) {}

    size_t Count() const { return fields_.size(); }
    void Expect(size_t count, size_t optional = 0) const {
        if (Count() != count && Count() != count + optional)
            throw BadRecord{"it needs " + std::to_string(count - 1) + " fields after the keyword" +
                            (optional ? " (or " + std::to_string(count + optional - 1) + ")" : "") +
                            ", not " + std::to_string(Count() - 1)};
    }
    const std::string& Text(size_t i) const { return fields_.at(i); }

    double Number(size_t i, const std::string& name) const {
        const std::string& text = fields_.at(i);
        const bool numeric = !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) ||
                                               text[0] == '-' || text[0] == '+' || text[0] == '.');
        const double value = numeric ? ParseLeadingNumber(text) : NAN;
        if (!numeric || !std::isfinite(value)) throw BadRecord{name + " \"" + text + "\" is not a number"};
        if (std::abs(value) > kFarthest) throw BadRecord{name + " is beyond 100 km"};
        return value;
    }
    double Positive(size_t i, const std::string& name) const {
        const double value = Number(i, name);
        if (value <= 0.0) throw BadRecord{name + " must be above 0"};
        return value;
    }
    int32_t Plane(size_t i) const {
        const std::string& text = fields_.at(i);
        const double value = ParseLeadingNumber(text);
        if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])) ||
            value != std::floor(value) || value > kLargestPlane)
            throw BadRecord{"the plane \"" + text + "\" is not a whole number, 0 or above"};
        return static_cast<int32_t>(value);
    }
    Vec3 Point(size_t i) const {
        return {Number(i, "x"), Number(i + 1, "y"), Number(i + 2, "z")};
    }

  private:
    const std::vector<std::string>& fields_;
};

class ShadingRecordReader {
  public:
    ShadingRecordReader(std::string fileName, const ShadingReport& report)
        : fileName_(std::move(fileName)), report_(report) {}

    void Collect(LineReader& reader) {
        while (true) {
            reader.NextLine();
            if (reader.AtEnd()) break;
            const std::vector<std::string>& fields = reader.Fields();
            if (fields.empty()) continue;
            Record record{fields, reader.LineNumber(), Trim(reader.CurrentLine())};
            if (fields[0] == "ShadingPlane" || fields[0] == "ShadingPlaneCorners")
                planeRecords_.push_back(std::move(record));
            else if (fields[0] == "ShadingOverhang" || fields[0] == "ShadingFin" ||
                     fields[0] == "ShadingPolygon")
                surfaceRecords_.push_back(std::move(record));
        }
    }

    // Planes first, so that surfaces may come before or after their plane.
    ShadingPlanes Build() {
        for (const Record& record : planeRecords_) Guarded(record, &ShadingRecordReader::AddPlane);
        for (const Record& record : surfaceRecords_)
            Guarded(record, &ShadingRecordReader::AddSurface);
        return std::move(planes_);
    }

  private:
    void Guarded(const Record& record, void (ShadingRecordReader::*add)(const Record&)) {
        try {
            (this->*add)(record);
        } catch (const BadRecord& bad) {
            Report(record, bad.why + "; the record is left out");
        }
    }

    void Report(const Record& record, const std::string& text) const {
        if (report_)
            report_(fileName_ + " line " + std::to_string(record.line) + ": " + record.fields[0] +
                    ": " + text);
    }

    void AddPlane(const Record& record) {
        const Fields f(record);
        const bool corners = f.Text(0) == "ShadingPlaneCorners";
        corners ? f.Expect(14) : f.Expect(6, 3);
        const int32_t index = f.Plane(1);
        if (const auto found = lines_.find(index); found != lines_.end())
            throw BadRecord{"plane " + std::to_string(index) + " is already given at line " +
                            std::to_string(found->second)};
        ShadingPlane plane = corners ? PlaneFromCorners(f, index) : PlaneFacing(f, index);
        lines_[index] = record.line;
        planes_.emplace(index, std::move(plane));
    }

    static ShadingPlane PlaneFacing(const Fields& f, int32_t index) {
        const double orientation = f.Number(2, "the orientation");
        const double slope = f.Number(3, "the slope");
        if (slope < 0.0 || slope > 180.0) throw BadRecord{"the slope must lie from 0 to 180°"};
        const Vec3 origin = f.Count() == 9 ? f.Point(6) : Vec3{};
        return ShadingPlane::Facing(index, orientation, slope, f.Positive(4, "the width"),
                                    f.Positive(5, "the height"), origin);
    }

    static ShadingPlane PlaneFromCorners(const Fields& f, int32_t index) {
        const Vec3 bottomLeft = f.Point(2), bottomRight = f.Point(5), topRight = f.Point(8),
                   topLeft = f.Point(11);
        const Vec3 along = bottomRight - bottomLeft, up = topLeft - bottomLeft;
        if (Length(along) < kCornerSlack || Length(up) < kCornerSlack)
            throw BadRecord{"the corners give no rectangle (an edge shorter than 1 cm)"};
        if (std::abs(Dot(along, up)) > 1e-3 * Length(along) * Length(up) ||
            Length(topRight - (bottomRight + up)) > kCornerSlack)
            throw BadRecord{"the four corners do not form a rectangle"};
        return ShadingPlane::FromCorners(index, bottomLeft, bottomRight, topLeft);
    }

    ShadingPlane& PlaneOf(const Fields& f) {
        const int32_t index = f.Plane(1);
        const auto found = planes_.find(index);
        if (found == planes_.end())
            throw BadRecord{"no ShadingPlane or ShadingPlaneCorners record gives plane " +
                            std::to_string(index)};
        return found->second;
    }

    void AddSurface(const Record& record) {
        const Fields f(record);
        const std::string& keyword = f.Text(0);
        if (keyword == "ShadingPolygon") return AddPolygon(record, f);
        keyword == "ShadingFin" ? f.Expect(7) : f.Expect(6);
        ShadingPlane& plane = PlaneOf(f);
        const double w = plane.Width(), h = plane.Height();
        std::vector<Vec3> points;
        if (keyword == "ShadingOverhang") {
            const double depth = f.Positive(2, "the depth"), above = f.Number(3, "the height");
            const double left = -f.Number(4, "the left extension");
            const double right = w + f.Number(5, "the right extension");
            if (right - left <= 0.0) throw BadRecord{"the overhang has no length"};
            points = {{left, h + above, 0.0}, {right, h + above, 0.0},
                      {right, h + above, depth}, {left, h + above, depth}};
        } else {
            const std::string& side = f.Text(2);
            if (side != "Left" && side != "Right")
                throw BadRecord{"the side \"" + side + "\" is neither Left nor Right"};
            const double depth = f.Positive(3, "the depth"), gap = f.Number(4, "the distance");
            const double bottom = -f.Number(6, "the extent below");
            const double top = h + f.Number(5, "the extent above");
            if (top - bottom <= 0.0) throw BadRecord{"the fin has no height"};
            const double u = side == "Left" ? -gap : w + gap;
            points = {{u, bottom, 0.0}, {u, top, 0.0}, {u, top, depth}, {u, bottom, depth}};
        }
        plane.surfaces.push_back({record.text, record.line, std::move(points)});
    }

    void AddPolygon(const Record& record, const Fields& f) {
        if (f.Count() < 11 || (f.Count() - 2) % 3 != 0)
            throw BadRecord{"it needs a plane and three coordinates for each of at least three "
                            "points"};
        std::vector<Vec3> corners;
        for (size_t i = 2; i < f.Count(); i += 3) corners.push_back(f.Point(i));
        if (const std::string problem = PolygonProblem(corners); !problem.empty())
            throw BadRecord{problem};
        if (f.Text(1) == "*") {
            for (auto& [index, plane] : planes_) AddInFront(plane, record, corners);
            return;
        }
        if (!AddInFront(PlaneOf(f), record, corners))
            Report(record, "the polygon lies behind its plane and shades nothing");
    }

    // Adds the parts of the polygon in front of `plane`; false when there are none.
    static bool AddInFront(ShadingPlane& plane, const Record& record,
                           const std::vector<Vec3>& corners) {
        std::vector<Vec3> local;
        for (const Vec3& corner : corners) local.push_back(plane.ToLocal(corner));
        const auto pieces = InFrontOfPlane(local);
        for (const auto& piece : pieces) plane.surfaces.push_back({record.text, record.line, piece});
        return !pieces.empty();
    }

    std::string fileName_;
    const ShadingReport& report_;
    std::vector<Record> planeRecords_, surfaceRecords_;
    ShadingPlanes planes_;
    std::map<int32_t, int64_t> lines_;
};

}  // namespace

ShadingPlanes ReadShadingRecords(LineReader& reader, const ShadingReport& report) {
    ShadingRecordReader records(reader.FileName(), report);
    records.Collect(reader);
    return records.Build();
}

ShadingPlanes ReadShadingFile(const std::string& path, const ShadingReport& report) {
    LineReader reader;
    if (!reader.Open(path)) return {};
    ShadingPlanes planes = ReadShadingRecords(reader, report);
    reader.Close();
    return planes;
}

}  // namespace kz7::app
