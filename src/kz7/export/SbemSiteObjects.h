#pragma once
// The site's SBEM objects (hot water, photovoltaics, CHP, wind, solar
// collectors, HVAC systems, recommendations) in the SBEM object syntax. Each
// object kind is written from one table of keyword and value, so a keyword
// is changed in one place.
#include <string>

namespace kz7 {

class clsWriteToFile;
class NCMData;

// Writes every object of the site, each preceded by an empty line, in the
// order hot water, photovoltaics, CHP, wind generator, solar collectors,
// HVAC systems, recommendations.
void WriteSbemSiteObjects(const NCMData& ncm, clsWriteToFile& writer);

// The name the SBEM file gives the site's HVAC (or hot-water) system with
// `key`: its name, or the key itself when it has none or is unknown.
std::string SbemHVACSystemName(const NCMData& ncm, const std::string& key);
std::string SbemDHWSystemName(const NCMData& ncm, const std::string& key);

}  // namespace kz7
