#include "GlTestSupport.h"

#include "render/FPage.h"
#include "render/FRenderStates.h"
#include "render/FShadowVolume.h"
#include "gl/FGlMesh.h"

namespace {
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kShadowColour = 0x30000000u; // black, alpha 48
} // namespace

// A page hanging square to the view at z = 20 with the light off to the left:
// its volume reaches a wall at z = 50 on the right, where the camera sees into
// the volume through its side.
TEST_F(GlTest, PageShadowVolumeDarkensTheWallTo207Of255)
{
    const std::array<float, 3> one{0, 0, 0};
    EXPECT_FALSE(renderer.DrawShadowVolume(260, std::span<const std::array<float, 3>>(&one, 1)));
    UsePerspective();
    FPage page(false, false);
    for (size_t i = 0; i < page.vertices.size(); ++i)
        page.vertices[i] = {-5 + 10.0f * static_cast<float>(i % kPageColumns) / (kPageColumns - 1),
                            -5 + 10.0f * static_cast<float>(i / kPageColumns) / (kPageRows - 1), 20};
    FGridMesh wall = MakeQuad(50, 50, {0, 0, -1}, 0xFFC8C8C8u); // grey 200, fills the view
    FGlMesh wallMesh(&wall);

    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &wallMesh, FCull::None, true);
    renderer.ClearStencil(false);
    const auto volume = BuildShadowVolume(page, -15, 0, 0);
    ASSERT_TRUE(renderer.DrawShadowVolume(kShadowTriangleCount, volume));
    ASSERT_TRUE(renderer.DrawShadowOverlay(kShadowColour));
    // The shadow falls on x in about 12.5 .. 35 of the wall (ndc 0.25 .. 0.7).
    EXPECT_RGB_NEAR(Pixel(48, 32), 162, 162, 162, 1); // 200 * 207 / 255
    EXPECT_RGB_NEAR(Pixel(16, 32), 200, 200, 200, 0);
    // The shadow passes leave colour writes, depth writes and stencil as they were.
    FGridMesh front = MakeQuad(5, 10, {0, 0, -1}, 0xFFFF0000u);
    FGlMesh frontMesh(&front);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &frontMesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(32, 32), 255, 0, 0, 0);
}

// Top half red, bottom half blue, drawn into the target: the target shown on
// screen is upright. (The copy the movie is made of comes out top row first:
// HeadlessExporterTest reads the frames upright.)
TEST_F(GlTest, RenderTargetShowsUprightOnScreen)
{
    ASSERT_TRUE(renderer.EndTarget(kScreenTarget));
    ASSERT_TRUE(renderer.CreateRenderTarget(16, 16));
    ASSERT_TRUE(renderer.BeginTarget(kRenderTarget));
    renderer.SetWorld(FMatrix::Identity());
    renderer.SetView(FMatrix::Identity());
    renderer.SetProjection(FMatrix::Identity());
    renderer.ClearTarget(0xFF0000FFu);
    FGridMesh top = MakeQuad(1, 0.5f, {0, 0, -1}, 0xFFFF0000u);
    FGlMesh topMesh(&top);
    renderer.SetWorld(FMatrix::Translation(0, 1, 0)); // over the top half
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &topMesh, FCull::None, true);
    ASSERT_TRUE(renderer.EndTarget(kRenderTarget));

    ASSERT_TRUE(renderer.BeginTarget(kScreenTarget));
    renderer.ClearTarget(kBlack);
    ASSERT_TRUE(renderer.DrawRenderTargetToScreen());
    EXPECT_RGB_NEAR(Pixel(0, 0), 255, 0, 0, 0); // upright, to the very edge
    EXPECT_RGB_NEAR(Pixel(32, 60), 0, 0, 255, 0);
    // The screen quad leaves the 3D matrices as they were.
    EXPECT_EQ(renderer.Projection(), FMatrix::Identity());
}
