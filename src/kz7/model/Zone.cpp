// Zone record values read by the result tables. The stage bodies live with
// the zone circuit and solution in thermal/.
#include "kz7/model/Zone.h"

namespace kz7 {

float Zone::COMHRS(int32_t band, int32_t month) const {
    if (band < 1 || band > 100 || month < 1 || month > 12) return 0.0f;
    return ComfortHoursTable[static_cast<size_t>(band - 1)][static_cast<size_t>(month - 1)];
}

}  // namespace kz7
