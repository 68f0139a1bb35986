// Reduction of a layered opaque construction: surface coefficients, mass
// nodes, the lumped KZ7 parameters, impedances, areal heat capacity and the
// bridged U-value.
#include <algorithm>
#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"

namespace kz7 {

namespace {

constexpr double kNodeTimeStep = 60.0;  // s, the step the node count is made stable for
constexpr float kStableFourier = 0.5f;
constexpr float kNoCapacity = 0.001f;      // J/(kg·K): below this a material stores no heat
constexpr float kTokenCapacity = 1e-05f;   // J/(m²K) given to a node without capacity
constexpr int32_t kMaxBridgedLayers = 10;  // layers whose choices are combined into paths
constexpr double kCMDepth = 0.1;           // m from the inside face counted in CM
constexpr float kInsulating = 0.08f;       // W/(m·K)

// Radiative coefficient of a surface facing a room, per unit emissivity product.
float InsideRadiative(double emissivity) {
    return static_cast<float>(emissivity) * 5.7f * 0.9f * 6.0f / 5.0f;
}

}  // namespace

// ---- Layer ----

float Layer::Conductivity() const {
    return Material ? Material->Conductivity : 0.0f;
}
float Layer::Capacity() const {
    return Material ? Material->Capacity : 0.0f;
}
float Layer::Density() const {
    return Material ? Material->Density : 0.0f;
}
float Layer::MaterialResistance() const {
    return Material ? Material->Resistance() : 0.0f;
}
float Layer::EffectiveBridge() const {
    return BridgeMaterial != nullptr ? PercBridge : 0.0f;
}

void Layer::CalculateNumberNodes() {
    const double d = Thickness;
    const double factor = static_cast<double>(Capacity()) * MaterialResistance() * Density();
    auto fourier = [&](int32_t n) {
        const double dx = d / n;
        return kNodeTimeStep / (factor * dx * dx);
    };
    FN1 = static_cast<float>(fourier(3));
    int32_t count = 1;
    if (FN1 <= kStableFourier) {
        count = 3;
        if (d > 0.11) count = 5;
        if (d > 0.3) count = 7;
        while (count > 1 && fourier(count) >= kStableFourier) count -= 2;
    }
    Nodes.Clear();
    for (int32_t i = 0; i < count; ++i) Nodes.Add();
}

// ---- Surface coefficients ----

void OpaqueConstruction::SetSRO() {
    const float emissivity = static_cast<float>(EmissO);
    if (TYP == "F" || TYP == "C" || TYP == "P" || TYP == "D") {
        RadO = InsideRadiative(EmissO);
    } else {
        if (TYP != "W" && TYP != "R" && TYP != "S")
            state_.ShowError("Invalid construction type code " + TYP + " for construction " + Key);
        RadO = emissivity * 5.7f;
    }
    if (SROut <= 0.0) {
        if (TYP == "C")
            SROut = 0.17;
        else if (TYP == "F")
            SROut = 0.10;
        else if (TYP == "P")
            SROut = 0.13;
        else if (state_.settings.exposure == 1)
            SROut = 0.06;
        else if (state_.settings.exposure == 2)
            SROut = 0.04;
        else if (state_.settings.exposure == 3)
            SROut = 0.02;
    }
    HCO = static_cast<float>(1.0 / SROut - RadO);
}

void OpaqueConstruction::SetSRI() {
    RadI = InsideRadiative(EmissI);
    if (SRIn == 0.0) {
        if (TYP == "W" || TYP == "P" || TYP == "D")
            SRIn = 0.13;
        else if (TYP == "R" || TYP == "C")
            SRIn = 0.10;
        else if (TYP == "S" || TYP == "F")
            SRIn = 0.17;
        else
            state_.ShowError("Invalid code " + TYP);
    }
    HCI = static_cast<float>(1.0 / SRIn - RadI);
}

// ---- Mass nodes and lumped parameters ----

void OpaqueConstruction::SetNodes() {
    for (const auto& layer : LayerList) layer->CalculateNumberNodes();
    // Without any layer that stores heat the construction is light: it is
    // given neither mass nodes nor a lumped capacity (a capacity-free chain
    // of several layers would otherwise give a 0/0 centroid).
    const bool storesHeat = std::any_of(LayerList.begin(), LayerList.end(), [](const auto& layer) {
        return layer->Capacity() > kNoCapacity;
    });
    HVWT = storesHeat;
    if (!HVWT) return;
    Set1NodeParameters();

    const Layer* before = nullptr;
    for (const auto& layer : LayerList) {
        const float r = layer->MaterialResistance();
        const float d = layer->Thickness;
        const float n = static_cast<float>(layer->Nodes.Count());
        const float halfSlice = (r * 0.5f * d) / n;
        const float capacity = layer->Capacity() >= kNoCapacity
                                   ? (layer->Density() * layer->Capacity() * d) / n
                                   : kTokenCapacity;
        bool firstOfLayer = true;
        for (MassNode& node : layer->Nodes) {
            float left = halfSlice;
            if (firstOfLayer) {
                left = before == nullptr
                           ? static_cast<float>(SROut)
                           : (before->Thickness * 0.5f * before->MaterialResistance()) /
                                 static_cast<float>(before->Nodes.Count());
            }
            node.NODZ1 = left + halfSlice;
            node.NODZ2 = capacity;
            firstOfLayer = false;
        }
        before = layer.get();
    }
    const Layer& last = *before;
    NODZ3 = static_cast<float>((last.MaterialResistance() * 0.5f * last.Thickness) /
                                   static_cast<float>(last.Nodes.Count()) +
                               SRIn);
    NNods = 0;
}

void OpaqueConstruction::Set1NodeParameters() {
    float sumR = 0.0f, sumC = 0.0f, moment = 0.0f, centre = 0.0f, previousR = 0.0f;
    bool first = true;
    for (const auto& layer : LayerList) {
        const float r = layer->Resistance();
        const float c = layer->Density() * layer->Capacity() * layer->Thickness;
        centre = first ? r / 2.0f : centre + previousR / 2.0f + r / 2.0f;
        sumR += r;
        sumC += c;
        moment += c * centre;
        previousR = r;
        first = false;
    }
    CW = sumC;
    if (sumR > 0.0f && sumC > 0.0f) SetRES2(1, (moment / sumC) / sumR);
    SetRES2(2, sumR);
}

// ---- Impedances ----

Complex OpaqueConstruction::HKZ7(double w, double RX1, double CX1) const {
    const double f = RES2(1);
    const double layers = RES2(2);
    const Complex ri{(1.0 - f) * layers + SRIn, 0.0};
    const Complex ro{f * layers + SROut, 0.0};
    const Complex zc = CW >= 0.0001f ? Complex{0.0, -1.0 / (w * CW)} : Complex{0.0, 0.0};
    const Complex z = ri + Inverse(Inverse(zc) + Inverse(ro));
    if (CX1 > 0.0001) {
        const Complex zx{RX1, -1.0 / (w * CX1)};
        return Inverse(Inverse(zx) + Inverse(z));
    }
    return Inverse(Inverse(z));
}

Complex OpaqueConstruction::HMULTI(double w) const {
    Complex z{0.0, 0.0};
    for (const auto& layer : LayerList) {
        for (const MassNode& node : layer->Nodes) {
            const Complex capacitor{0.0, -1.0 / (static_cast<double>(node.NODZ2) * w)};
            z = Inverse(Inverse(capacitor) + Inverse(z + Complex{node.NODZ1, 0.0}));
        }
    }
    return z + Complex{NODZ3, 0.0};
}

// ---- Areal heat capacity ----

void OpaqueConstruction::CalculateCM() {
    double total = 0.0;
    for (const auto& layer : LayerList) total += layer->Thickness;
    double depth = 0.0, kappa = 0.0;
    const Layer* innermost = LayerList.Count() > 0 ? &LayerList.Item(LayerList.Count()) : nullptr;
    for (auto it = LayerList.rbegin(); it != LayerList.rend(); ++it) {
        const Layer& layer = **it;
        const double d = layer.Thickness;
        double share = 1.0;
        bool stop = true;
        if (depth + d > kCMDepth)
            share = (kCMDepth - depth) / d;
        else if (depth + d > total / 2.0)
            share = (total / 2.0 - depth) / d;
        else if (&layer == innermost && layer.Conductivity() <= kInsulating)
            share = 0.0;
        else
            stop = false;
        share = std::clamp(std::isnan(share) ? 0.0 : share, 0.0, 1.0);
        const double slice =
            share > 0.0 ? d * share : 0.0;  // an infinite layer taken at share 0 adds nothing
        depth += slice;
        kappa += layer.Capacity() * 0.001 * layer.Density() * slice;
        if (stop) break;
    }
    CM = kappa;
}

// ---- Bridged U-value (combined method) ----

int32_t OpaqueConstruction::PathChoiceCount(int32_t layer) const {
    if (layer > LayerList.Count()) return 1;
    return LayerList.Item(layer).EffectiveBridge() > 0.0f ? 2 : 1;
}

std::vector<UValuePaths> OpaqueConstruction::BuildUValuePaths() const {
    std::vector<UValuePaths> paths;
    std::array<int32_t, kMaxBridgedLayers> choice{};
    choice.fill(1);
    // Walk every combination of choices over the first ten layers like an odometer.
    while (true) {
        UValuePaths path;
        path.f = 1.0f;
        path.r = static_cast<float>(SRIn + SROut);
        for (int32_t i = 1; i <= LayerList.Count(); ++i) {
            const Layer& layer = LayerList.Item(i);
            const int32_t c = choice[static_cast<size_t>(std::min(i, kMaxBridgedLayers) - 1)];
            const float bridge = layer.EffectiveBridge();
            const bool bridged = c == 2 && bridge > 0.0f;
            path.f *= bridged ? bridge / 100.0f : (100.0f - bridge) / 100.0f;
            const float k = bridged ? layer.BridgeMaterial->Conductivity : layer.Conductivity();
            if (k > 0.0f) path.r += layer.Thickness / k;
        }
        paths.push_back(path);
        int32_t position = 0;
        while (position < kMaxBridgedLayers &&
               choice[static_cast<size_t>(position)] == PathChoiceCount(position + 1)) {
            choice[static_cast<size_t>(position)] = 1;
            ++position;
        }
        if (position == kMaxBridgedLayers) break;
        ++choice[static_cast<size_t>(position)];
    }
    return paths;
}

// Each layer is replaced by the area-weighted parallel of its materials. A
// material without a positive conductivity adds no resistance, as in the
// paths.
double OpaqueConstruction::LowerLimitResistance() const {
    double total = SRIn + SROut;
    for (const auto& layer : LayerList) {
        const float bridge = layer->EffectiveBridge();
        double conductance = 0.0;
        auto addChoice = [&](double fraction, float k) {
            if (k <= 0.0f) return;
            const double r = layer->Thickness / k;
            if (r != 0.0) conductance += fraction / r;
        };
        addChoice((100.0 - bridge) / 100.0, layer->Conductivity());
        if (bridge > 0.0f) addChoice(bridge / 100.0, layer->BridgeMaterial->Conductivity);
        if (conductance != 0.0) total += 1.0 / conductance;
    }
    return total;
}

double OpaqueConstruction::CalculateUValueBridged() {
    paths_ = BuildUValuePaths();
    double sum = 0.0;
    for (const UValuePaths& path : paths_) sum += path.f / path.r;
    const double upper = sum > 0.0 ? 1.0 / sum : 0.0;
    const double lower = LowerLimitResistance();
    return 1.0 / (0.5 * lower + 0.5 * upper);
}

}  // namespace kz7
