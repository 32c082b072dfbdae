#include "render/FShadowVolume.h"

#include <gtest/gtest.h>

#include <set>

namespace {
FVector3 P(const std::array<float, 3>& a)
{
    return {a[0], a[1], a[2]};
}

// A flat page whose vertex (row, column) sits at (column, 0, row): easy to name.
FPage NumberedPage()
{
    FPage page(false, false);
    for (int row = 0; row < kPageRows; ++row)
        for (int column = 0; column < kPageColumns; ++column) {
            FBookVertex& v = page.vertices[static_cast<size_t>(row * kPageColumns + column)];
            v.x = static_cast<float>(column);
            v.y = 0;
            v.z = static_cast<float>(row);
        }
    return page;
}
} // namespace

TEST(ShadowVolume, WalksTheBorderOnceAsSixPointsPerEdge)
{
    FPage page = NumberedPage();
    const auto volume = BuildShadowVolume(page, 10, 100, 10);
    ASSERT_EQ(volume.size(), 780u);
    EXPECT_EQ(volume.data(), page.outline.data());

    // Edge i goes from A to B: points B, A, B', A, A', B'. Consecutive edges
    // chain (this A is the last B) and the walk closes where it began.
    std::set<std::pair<int, int>> visited;
    FVector3 previousB = P(volume[(kOutlineEdgeCount - 1) * 6]);
    for (int edge = 0; edge < kOutlineEdgeCount; ++edge) {
        SCOPED_TRACE(edge);
        const auto* q = &volume[static_cast<size_t>(edge * 6)];
        const FVector3 b = P(q[0]), a = P(q[1]);
        EXPECT_EQ(a, previousB);
        EXPECT_EQ(P(q[3]), a);
        EXPECT_EQ(P(q[2]), P(q[5]));
        EXPECT_FLOAT_EQ(Length(b - a), 1.0f); // neighbours on the grid
        const bool onBorder = a.x == 0 || a.x == 31 || a.z == 0 || a.z == 34;
        EXPECT_TRUE(onBorder);
        visited.insert({static_cast<int>(a.x), static_cast<int>(a.z)});
        previousB = b;
    }
    EXPECT_EQ(visited.size(), 130u); // every border vertex once
    // Row 0 from column 0 up, then column 31 from row 0.
    EXPECT_EQ(P(volume[1]), (FVector3{0, 0, 0}));
    EXPECT_EQ(P(volume[0]), (FVector3{1, 0, 0}));
    EXPECT_EQ(P(volume[31 * 6 + 1]), (FVector3{31, 0, 0}));
    EXPECT_EQ(P(volume[31 * 6]), (FVector3{31, 0, 1}));
}

TEST(ShadowVolume, ExtrudesEachPoint1000UnitsAwayFromTheLight)
{
    FPage page = NumberedPage();
    const FVector3 light{-200, 200, 50};
    const auto volume = BuildShadowVolume(page, light.x, light.y, light.z);
    for (int edge = 0; edge < kOutlineEdgeCount; edge += 7) {
        const auto* q = &volume[static_cast<size_t>(edge * 6)];
        const FVector3 a = P(q[1]), b = P(q[0]), a2 = P(q[4]), b2 = P(q[2]);
        EXPECT_NEAR(Length(a2 - a), 1000, 1e-2);
        EXPECT_NEAR(Length(b2 - b), 1000, 1e-2);
        // Straight on from the light through the outline point.
        const FVector3 along = Normalize(a - light), extruded = Normalize(a2 - a);
        EXPECT_NEAR(Dot(along, extruded), 1, 1e-5);
        EXPECT_LT(a2.y, a.y); // the light is above: the volume runs downwards
    }
    // Rebuilding from a new light rewrites the array in place.
    const FVector3 before = P(volume[2]);
    BuildShadowVolume(page, 200, 200, 50);
    EXPECT_NE(P(page.outline[2]), before);
}

TEST(ShadowVolume, PageWithoutOutlineCastsNothing)
{
    FPage page = NumberedPage();
    page.outline.clear();
    EXPECT_TRUE(BuildShadowVolume(page, 0, 100, 0).empty());
}
