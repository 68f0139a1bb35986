#pragma once
// The shading records a model document may hold for the kz7 host. The engine
// passes over them as unknown keywords; the host reads them on its own:
//
//   ShadingPlane,<plane>,<orientation °>,<slope °>,<width>,<height>[,<x>,<y>,<z>]
//   ShadingPlaneCorners,<plane>,<x y z bottom-left>,<bottom-right>,<top-right>,<top-left>
//   ShadingOverhang,<plane>,<depth>,<height above the head>,<extension left>,<extension right>
//   ShadingFin,<plane>,<Left|Right>,<depth>,<distance from the edge>,<extent above the head>,<extent below the sill>
//   ShadingPolygon,<plane|*>,<x1>,<y1>,<z1>,<x2>,<y2>,<z2>,<x3>,<y3>,<z3>[,...]
//
// Each record is one line. A record with a problem is reported and left out.
#include <functional>
#include <string>
#include <vector>

#include "ShadingPlane.h"

namespace kz7 {
class LineReader;
}

namespace kz7::app {

using ShadingReport = std::function<void(const std::string& text)>;

// The keywords of the shading records, which the engine passes over.
const std::vector<std::string>& ShadingKeywords();

// Reads the shading records of the document open in `reader` (to its end).
ShadingPlanes ReadShadingRecords(LineReader& reader, const ShadingReport& report);

// The same for the model file at `path`; no planes when it cannot be opened.
ShadingPlanes ReadShadingFile(const std::string& path, const ShadingReport& report);

}  // namespace kz7::app
