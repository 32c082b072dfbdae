// Where a shadow volume can leave a count: the part above the floor, clipped at
// the near plane, in pixels with two of slack.

#include "render/FShadowVolume.h"

#include <gtest/gtest.h>

#include <numbers>
#include <vector>

TEST(ShadowVolumeBounds, PartAboveTheFloorInFrontOfTheNearPlane)
{
    // Looking down +z from the origin, 90 degrees, square: ndc x = x / z.
    const FMatrix projection = FMatrix::PerspectiveFovLH(std::numbers::pi_v<float> / 2, 1, 1, 1000);
    using P = std::array<float, 3>;
    struct Case
    {
        const char* what;
        std::vector<P> points;
        float floorY;
        FPixelRect expected;
    };
    const P a{0, 0, 10}, b{5, 0, 10}, c{0, 5, 10};
    const Case cases[] = {
        {"all above", {a, b, c}, -100, {48, 48, 77, 77}},
        {"cut by the floor at y = 1", {a, b, c}, 1, {48, 53, 72, 77}},
        {"all beneath", {a, b, c}, 10, {}},
        {"one corner behind the eye reaches the edges", {{0, 0, -10}, b, c}, -100, {48, 48, 100, 100}},
        {"all behind the eye", {{0, 0, -10}, {5, 0, -10}, {0, 5, -10}}, -100, {}},
        {"second triangle widens", {a, b, c, {-5, 0, 10}, {0, -5, 10}, a}, -100, {23, 23, 77, 77}},
    };
    for (const Case& t : cases) {
        const FPixelRect r = ShadowVolumeBounds(t.points, projection, t.floorY, 100, 100);
        const FPixelRect& e = t.expected;
        EXPECT_TRUE(r.Empty() ? e.Empty() : r.x0 == e.x0 && r.y0 == e.y0 && r.x1 == e.x1 && r.y1 == e.y1)
            << t.what << ": " << r.x0 << " " << r.y0 << " " << r.x1 << " " << r.y1;
    }
}
