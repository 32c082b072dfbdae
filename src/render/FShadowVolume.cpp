#include "render/FShadowVolume.h"
#include "render/FVector3.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {
FVector3 GridPoint(const FPage& page, int32_t row, int32_t column)
{
    const FBookVertex& v = page.vertices[static_cast<size_t>(row * kPageColumns + column)];
    return {v.x, v.y, v.z};
}
} // namespace

std::span<const std::array<float, 3>> BuildShadowVolume(FPage& page, float x, float y, float z)
{
    if (page.outline.size() != static_cast<size_t>(kOutlinePointCount) ||
        page.vertices.size() < static_cast<size_t>(kPageVertexCount))
        return {};

    // One consistent walk round the border, so every side faces the same way and
    // the two stencil passes cancel outside the shadow: (row, column), the first
    // point repeated at the end. Built once; it only depends on the grid.
    static const std::array<std::array<int32_t, 2>, kOutlineEdgeCount + 1> border = [] {
        std::array<std::array<int32_t, 2>, kOutlineEdgeCount + 1> walk{};
        size_t n = 0;
        const int32_t lastColumn = kPageColumns - 1, lastRow = kPageRows - 1;
        for (int32_t c = 0; c < lastColumn; ++c)
            walk[n++] = {0, c};
        for (int32_t r = 0; r < lastRow; ++r)
            walk[n++] = {r, lastColumn};
        for (int32_t c = lastColumn; c > 0; --c)
            walk[n++] = {lastRow, c};
        for (int32_t r = lastRow; r >= 0; --r)
            walk[n++] = {r, 0};
        return walk;
    }();

    const FVector3 light{x, y, z};
    size_t out = 0;
    const auto put = [&](FVector3 p) { page.outline[out++] = {p.x, p.y, p.z}; };
    for (size_t i = 0; i + 1 < border.size(); ++i) {
        const FVector3 a = GridPoint(page, border[i][0], border[i][1]);
        const FVector3 b = GridPoint(page, border[i + 1][0], border[i + 1][1]);
        const FVector3 da = Normalize(a - light);
        const FVector3 db = Normalize(b - light);
        const FVector3 a2 = a + da * kShadowExtrusion;
        const FVector3 b2 = b + db * kShadowExtrusion;
        put(b);
        put(a);
        put(b2);
        put(a);
        put(a2);
        put(b2);
    }
    return page.outline;
}

FPixelRect Union(const FPixelRect& a, const FPixelRect& b)
{
    if (a.Empty())
        return b;
    if (b.Empty())
        return a;
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

namespace {

FVector4 operator+(FVector4 a, FVector4 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}
FVector4 operator-(FVector4 a, FVector4 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}
FVector4 operator*(FVector4 a, float s)
{
    return {a.x * s, a.y * s, a.z * s, a.w * s};
}

// Keeps the part of a convex polygon where distance(p) >= 0; at most one vertex more.
template <typename T, typename F> size_t ClipPolygon(const T* in, size_t count, T* out, F distance)
{
    size_t n = 0;
    for (size_t i = 0; i < count; ++i) {
        const T& a = in[i];
        const T& b = in[(i + 1) % count];
        const float da = distance(a), db = distance(b);
        if (da >= 0)
            out[n++] = a;
        if ((da >= 0) != (db >= 0)) {
            const float t = da / (da - db);
            out[n++] = a + (b - a) * t;
        }
    }
    return n;
}

} // namespace

FPixelRect ShadowVolumeBounds(std::span<const std::array<float, 3>> points, const FMatrix& viewProjection, float floorY,
                              int32_t width, int32_t height)
{
    float left = std::numeric_limits<float>::max(), bottom = left;
    float right = -left, top = -left;
    for (size_t t = 0; t + 3 <= points.size(); t += 3) {
        FVector3 world[3];
        for (size_t i = 0; i < 3; ++i)
            world[i] = {points[t + i][0], points[t + i][1], points[t + i][2]};
        FVector3 above[4];
        const size_t aboveCount = ClipPolygon(world, 3, above, [floorY](FVector3 p) { return p.y - floorY; });
        FVector4 clip[4];
        for (size_t i = 0; i < aboveCount; ++i)
            clip[i] = Transform({above[i].x, above[i].y, above[i].z, 1}, viewProjection);
        // Clip depth runs 0..w: what lies in front of the near plane.
        FVector4 near[5];
        const size_t nearCount = ClipPolygon(clip, aboveCount, near, [](const FVector4& p) { return p.z; });
        for (size_t i = 0; i < nearCount; ++i) {
            if (!(near[i].w > 1e-6f)) // not a perspective this can bound: all of it
                return {0, 0, width, height};
            const float x = near[i].x / near[i].w, y = near[i].y / near[i].w;
            left = std::min(left, x);
            right = std::max(right, x);
            bottom = std::min(bottom, y);
            top = std::max(top, y);
        }
    }
    if (left > right)
        return {};
    // Two pixels of slack for the rounding between these corners and the rasteriser's.
    const auto pixel = [](float ndc, int32_t size, float slack) {
        const float p =
            std::clamp((ndc + 1) * 0.5f * static_cast<float>(size) + slack, -1.0f, static_cast<float>(size) + 1);
        return static_cast<int32_t>(slack < 0 ? std::floor(p) : std::ceil(p));
    };
    FPixelRect rect{std::max(0, pixel(left, width, -2)), std::max(0, pixel(bottom, height, -2)),
                    std::min(width, pixel(right, width, 2)), std::min(height, pixel(top, height, 2))};
    return rect.Empty() ? FPixelRect{} : rect;
}
