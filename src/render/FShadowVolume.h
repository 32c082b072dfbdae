#pragma once
// Stencil shadow volumes of a page: the sides of the prism the page outline casts
// away from the point light. No caps: the volume is open at both ends.

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
