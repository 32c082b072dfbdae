#pragma once
// Stencil shadow volumes of a page: the sides of the prism the page outline casts
// away from the point light. No caps: the volume is open at both ends.

#include "render/FMatrix.h"
#include "render/FPage.h"
#include "render/FVector3.h"

#include <array>
#include <cstdint>
#include <span>

inline constexpr int32_t kOutlineEdgeCount = 130;    // 31 + 34 + 31 + 34 border edges
inline constexpr int32_t kShadowTriangleCount = 260; // two per edge
inline constexpr float kShadowExtrusion = 1000;

// Rewrites the page's outline array from its current grid and the light at
// (x, y, z) and returns it (780 points, triangles (B, A, B') and (A, A', B') per
// edge); empty when the page has no outline array of that size.
std::span<const std::array<float, 3>> BuildShadowVolume(FPage& page, float x, float y, float z);

// The outline's four sides as runs of edges, in the order BuildShadowVolume walks them.
inline constexpr std::array<std::array<int32_t, 2>, 4> kOutlineSides{{{0, 31}, {31, 65}, {65, 96}, {96, 130}}};

// Pixels of a target, lower-left origin, x1 and y1 excluded.
struct FPixelRect
{
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
};
FPixelRect Union(const FPixelRect& a, const FPixelRect& b);

// The pixels of a width x height target that the triangles (points in threes,
// world coordinates) cover with their parts at or above y = floorY, a little
// generous for rounding; empty when no such part is in view. The caller knows
// the floor hides whatever lies beneath it.
FPixelRect ShadowVolumeBounds(std::span<const std::array<float, 3>> points, const FMatrix& viewProjection, float floorY,
                              int32_t width, int32_t height);
