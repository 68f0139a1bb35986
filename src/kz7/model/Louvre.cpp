#include "kz7/model/Louvre.h"

#include <algorithm>
#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/thermal/StraightLine.h"

namespace kz7 {

namespace {
constexpr float kDeployedAbove = 50.0f;  // percent
constexpr float kStepDegrees = 15.0f;
}  // namespace

// The record: keyword line with the key, the schedule line, the line of the
// seven coefficients, and the closing line.
void Louvre::Read() {
    LineReader& reader = state_.reader;
    Key = reader.NextString();
    reader.NextLine();
    OperationPG = state_.profileGroups->Item(reader.NextString());
    reader.NextLine();
    for (float& coefficient : Coefficients) coefficient = reader.NextSingle();
    reader.NextLine();
    if (reader.AtEnd()) state_.ShowError("Louvre " + Key + " is cut off by the end of the file");
}

float Louvre::ShadingCoefficient(float angle) const {
    if (OperationPG == nullptr || OperationPG->GRPVAL() <= kDeployedAbove) return 1.0f;
    if (!std::isfinite(angle)) return 1.0f;
    const int32_t segment =
        std::clamp(static_cast<int32_t>(std::nearbyint(std::clamp(angle, -1000.0f, 1000.0f))) /
                       static_cast<int32_t>(kStepDegrees),
                   0, kCoefficients - 1);
    if (segment >= kCoefficients - 1) return Coefficients[kCoefficients - 1];
    const auto i = static_cast<size_t>(segment);
    return static_cast<float>(StraightLine(kStepDegrees * segment, Coefficients[i],
                                           kStepDegrees * (segment + 1), Coefficients[i + 1],
                                           angle));
}

void Louvres::Read() {
    auto louvre = std::make_unique<Louvre>(state_);
    louvre->Read();
    const std::string key = louvre->Key;
    state_.recordOrigins.Note(state_, key, items_.KeyedInsert(key, std::move(louvre)) != nullptr);
}

}  // namespace kz7
