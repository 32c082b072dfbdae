#include "render/FShadowVolume.h"
#include "render/FVector3.h"

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
    // the two stencil passes cancel outside the shadow.
    std::vector<std::array<int32_t, 2>> border; // (row, column), 131 points, the first repeated at the end
    border.reserve(kOutlineEdgeCount + 1);
    const int32_t lastColumn = kPageColumns - 1, lastRow = kPageRows - 1;
    for (int32_t c = 0; c < lastColumn; ++c)
        border.push_back({0, c});
    for (int32_t r = 0; r < lastRow; ++r)
        border.push_back({r, lastColumn});
    for (int32_t c = lastColumn; c > 0; --c)
        border.push_back({lastRow, c});
    for (int32_t r = lastRow; r >= 0; --r)
        border.push_back({r, 0});

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
