// Shared geometric value types: model coordinates are 32-bit floats in 0.01 mm, y up.
#pragma once

#include <cstdint>
#include <vector>

namespace rz {

struct PointF {
    float x = 0.0f;
    float y = 0.0f;
    friend bool operator==(const PointF&, const PointF&) = default;
};

// Coordinates beyond this many units (100 m) from the origin, or not finite, belong to no
// pattern: a line with such a node is a bad line, and other records there build no geometry.
// This keeps every evaluation and offset of a line within bounds whatever a file holds.
constexpr float kModelCoordLimit = 1.0e7f;
inline bool InModelRange(float v) { return v >= -kModelCoordLimit && v <= kModelCoordLimit; }  // NaN: false
inline bool InModelRange(PointF p) { return InModelRange(p.x) && InModelRange(p.y); }

// A polyline is a contiguous run of points; an empty one means "none".
using Polyline = std::vector<PointF>;

// A shape is a list of polylines (motif outlines, text and label strokes, scan lines).
using Shape = std::vector<Polyline>;

// Node word: low 16 bits = sample count of the segment ending at the node, bit 16 = break node.
constexpr uint32_t kNodeSamplesMask = 0xFFFFu;
constexpr uint32_t kNodeBreak = 0x10000u;

struct Node {
    float x = 0.0f;
    float y = 0.0f;
    uint32_t word = 0;
    PointF pt() const { return {x, y}; }
    bool isBreak() const { return (word & kNodeBreak) != 0; }
    uint32_t samples() const { return word & kNodeSamplesMask; }
    friend bool operator==(const Node&, const Node&) = default;
};

struct RectF {
    float minX = 0.0f, minY = 0.0f, maxX = 0.0f, maxY = 0.0f;
    friend bool operator==(const RectF&, const RectF&) = default;
};

}  // namespace rz
