#pragma once
// An emitter's output split into its convective and radiant parts, W.

namespace kz7 {

struct EmitterOutput {
    float convective = 0.0f;
    float radiant = 0.0f;
    float total = 0.0f;
};

// The output of an emitter asked for convective output q with radiant output
// q·f beside it (f = r / (1 − r)), limited to `capacity` with the emitter's own
// radiant share r when the whole would exceed it.
inline EmitterOutput LimitedOutput(float q, float f, float r, float capacity) {
    EmitterOutput output{q, q * f, q + q * f};
    if (output.total > capacity || -output.total > capacity) {
        output.total = capacity;
        output.radiant = capacity * r;
        output.convective = (1.0f - r) * capacity;
    }
    return output;
}

// The output of an emitter run at `duty` of its capacity.
inline EmitterOutput ShareOfCapacity(float duty, float r, float capacity) {
    const float total = duty * capacity;
    return EmitterOutput{(1.0f - r) * total, total * r, total};
}

}  // namespace kz7
