#pragma once
// Shared measures of the book, colour packing, the page-turn easing and the two
// fixed meshes (cover boards, background plane).

#include "render/FGridMesh.h"

#include <cstdint>
#include <optional>

// A sheet lies on the right at 0 and on the left at TurnEnd: 1 plus the largest
// delay of the diagonal lift, 0.004 * 31 + 0.005 * 34.
inline constexpr float TurnEnd = 1.294f;
inline constexpr float kPageLength = 109.375f; // along the spine (z)
inline constexpr float kPageWidth = 96.875f;   // flat, 31 column steps of 3.125
inline constexpr int32_t kPageColumns = 32;
inline constexpr int32_t kPageRows = 35;
inline constexpr int32_t kPageVertexCount = kPageColumns * kPageRows;
inline constexpr int32_t kOutlinePointCount = 780;

// Direct3D's cull mode numbers, which the renderer maps onto GL.
enum class FCull : int32_t
{
    None = 1,
    Clockwise = 2,
    CounterClockwise = 3,
};

// Clamps t to [0, TurnEnd] and eases it in and out; the ends stay exact.
float EaseTurnPosition(float t);

// Right (rightBoard) or left cover board: 20 x 10 vertices rising from -1 at the
// spine to 4.25 at the outer edge, reaching 2.734375 beyond both ends of the pages.
std::optional<FGridMesh> CreateCoverBoard(bool rightBoard);

// 500 x 500 plane 20 units below the book, centred on the middle of the spine.
std::optional<FGridMesh> CreateBackgroundPlane();
