#pragma once
// The layers of an opaque construction and the mass nodes each layer is cut
// into for the multi-node model.
#include <cstdint>
#include <memory>
#include <vector>

namespace kz7 {

class OpaqueMaterial;

struct MassNode {
    float NODZ1 = 0.0f;  // resistance from the previous node (or outside air), m²K/W
    float NODZ2 = 0.0f;  // heat capacity, J/(m²K)
};

class MassNodes {
  public:
    MassNode& Add() { return items_.emplace_back(); }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    MassNode& Item(int32_t position) { return items_.at(static_cast<size_t>(position - 1)); }
    const MassNode& Item(int32_t position) const {
        return items_.at(static_cast<size_t>(position - 1));
    }
    void Remove(int32_t position) { items_.erase(items_.begin() + (position - 1)); }
    void Clear() { items_.clear(); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    std::vector<MassNode> items_;
};

class Layer {
  public:
    // Cuts the layer into mass nodes by its Fourier number and sets FN1.
    void CalculateNumberNodes();

    // Material properties; a layer left without a material reads as zeros.
    float Conductivity() const;
    float Capacity() const;
    float Density() const;
    // 1/conductivity of the main material, m·K/W (0 when not positive).
    float MaterialResistance() const;
    // The bridging share in percent that counts: none without a bridging material.
    float EffectiveBridge() const;

    float Resistance() const { return mResistance; }
    void SetResistance(float value) { mResistance = value; }

    OpaqueMaterial* Material = nullptr;
    float Thickness = 0.0f;   // m
    float PercBridge = 0.0f;  // percent of the layer's area
    OpaqueMaterial* BridgeMaterial = nullptr;
    float FN1 = 0.0f;
    MassNodes Nodes;  // the layer's mass nodes, outside first

  private:
    float mResistance = 0.0f;  // Thickness / Conductivity, m²K/W
};

// Ordered from the outside surface (layer 1) to the inside.
class Layers {
  public:
    void Append(std::shared_ptr<Layer> layer) { items_.push_back(std::move(layer)); }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    Layer& Item(int32_t position) const { return *items_.at(static_cast<size_t>(position - 1)); }
    void Clear() { items_.clear(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    auto rbegin() const { return items_.rbegin(); }
    auto rend() const { return items_.rend(); }

  private:
    std::vector<std::shared_ptr<Layer>> items_;
};

}  // namespace kz7
