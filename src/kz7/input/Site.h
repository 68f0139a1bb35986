#pragma once
// The site record and the top-level reader of a model document: the keyword
// dispatch that hands every record to the object that owns it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kz7/platform/XmlElement.h"

namespace kz7 {

class EngineState;

// True for the keyword of a record the engine reads.
bool IsModelKeyword(std::string_view keyword);

class Site {
  public:
    explicit Site(EngineState& state) : state_(state) {}

    // Reads every record of the open document up to the end (or to a line
    // whose first field is empty). Throws ModelReadError on a binary document.
    void Read(XmlElement tiDoc, XmlElement tiConstructions);
    // The same loop, handling only "Location", "OpaqueMaterial" and
    // "OpaqueConstruction".
    void ReadXMLConstruction(XmlElement tiDoc, XmlElement tiConstructions);
    // "Site": 47 texts, then the line of numbers and texts, then the closing line.
    void ReadSite();

    // Line 2 of the site record, in order.
    std::vector<std::string> Texts;
    // Line 3 in order, by kind: 13 doubles (3, then 10), 2 integers and 28
    // texts (2, 1, 4, 13, 7, 1; the ignored field is not kept).
    std::vector<double> Numbers;
    std::vector<int16_t> Integers;
    std::vector<std::string> Details;

  private:
    using RecordReader = bool (Site::*)(std::string_view keyword, XmlElement tiConstructions);
    void ReadRecords(RecordReader readRecord, XmlElement tiConstructions, bool reportUnknown);
    // True for the keyword of a record the host reads itself.
    bool IsHostKeyword(const std::string& keyword) const;
    // Reports a keyword that neither the engine nor the host knows, with the
    // nearest known one.
    void ReportUnknownKeyword(const std::string& keyword);
    // Hands the record to its reader; false for keywords it does not handle.
    bool ReadModelRecord(std::string_view keyword, XmlElement tiConstructions);
    bool ReadConstructionRecord(std::string_view keyword, XmlElement tiConstructions);
    // Reports a record whose closing line is a record keyword; true when it was.
    bool ReportSwallowedRecord();
    // Warns when lines follow the empty first field that ended the document.
    void ReportEarlyEnd();
    void ReadSiteTexts();
    void ReadSiteValues();

    EngineState& state_;
};

}  // namespace kz7
