#include "GlTestSupport.h"

#include "app/FCamera.h"
#include "base/FSettings.h"
#include "render/BookGeometry.h"
#include "render/FPage.h"
#include "render/FRenderStates.h"
#include "render/gl/FGlMesh.h"
#include "render/gl/FGlTexture.h"

#include <cmath>
#include <vector>

namespace {
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
const uint32_t kGrey102 = ColourToArgb(0.4f, 0.4f, 0.4f);

// Centre pixel of the picture as seen by a 64-pixel screen.
constexpr int kMid = 32;
} // namespace

TEST_F(GlTest, ClearShowsTheBackgroundColourExactly)
{
    renderer.ClearTarget(kGrey102);
    EXPECT_RGB_NEAR(Pixel(0, 0), 102, 102, 102, 0);
    EXPECT_RGB_NEAR(Pixel(63, 63), 102, 102, 102, 0);
}

TEST_F(GlTest, UnlitDrawShowsTheVertexColourInItsByteOrder)
{
    renderer.ClearTarget(kBlack);
    UsePerspective();
    FGridMesh quad = MakeQuad(10, 20, {0, 0, -1}, 0xFF102030u);
    FGlMesh mesh(&quad);
    ASSERT_TRUE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true));
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 0x10, 0x20, 0x30, 0);
    // The quad covers the middle half of the view only.
    EXPECT_RGB_NEAR(Pixel(4, 4), 0, 0, 0, 0);
}

TEST_F(GlTest, LightingIsAmbientPlusDiffuseNDotLPerVertexWithinRange)
{
    UsePerspective();
    renderer.SetAmbient(ColourToArgb(0.2f, 0.2f, 0.2f));
    const FColourValue grey{0.5f, 0.5f, 0.5f, 1};
    // The middle vertex of a 3 x 3 grid sits right in front of the light.
    FGridMesh facing = MakeQuad(10, 20, {0, 0, -1}, kBlack, 3);
    FGridMesh away = MakeQuad(10, 20, {0, 0, 1}, kBlack, 3);
    FGlMesh facingMesh(&facing), awayMesh(&away);

    renderer.SetLight(MakeLight(FLightType::Point, 0, 0, 0));
    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(true, nullptr, false, grey, &facingMesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 153, 153, 153, 2); // 0.5 * 0.2 + 0.5 * 1
    // Vertex colours are ignored when lit: the black vertices do not darken it.

    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(true, nullptr, false, grey, &awayMesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 26, 26, 26, 1); // ambient alone

    // Beyond the range of 10000 the light gives nothing.
    renderer.SetLight(MakeLight(FLightType::Point, 0, 0, -20000));
    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(true, nullptr, false, grey, &facingMesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 26, 26, 26, 1);
}

TEST_F(GlTest, SpecularHighlightOnlyWhenShinyAndAddedAfterTheTexture)
{
    UsePerspective();
    renderer.SetAmbient(ColourToArgb(0.2f, 0.2f, 0.2f));
    renderer.SetLight(MakeLight(FLightType::Point, 0, 0, 0));
    // 5 x 5 vertices: the middle one faces light and eye head-on.
    FGridMesh quad = MakeQuad(10, 20, {0, 0, -1}, kBlack, 5);
    FGlMesh mesh(&quad);
    const std::vector<uint8_t> black(4 * 4, 0);
    const auto blackTexture = FGlTexture::Create(2, 2, black.data(), false);
    ASSERT_NE(blackTexture, nullptr);
    const FColourValue grey{0.5f, 0.5f, 0.5f, 1};

    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(true, nullptr, false, grey, &mesh, FCull::None, true);
    const FRgb dull = Pixel(kMid, kMid);
    const FRgb dullCorner = Pixel(18, 18);
    EXPECT_LT(dull.red, 160);
    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(true, nullptr, true, grey, &mesh, FCull::None, true);
    EXPECT_GE(Pixel(kMid, kMid).red, 250);
    // Per vertex with power 1000: cells away from the middle vertex get nothing.
    EXPECT_RGB_NEAR(Pixel(18, 18), dullCorner.red, dullCorner.green, dullCorner.blue, 1);

    // A black texture wipes the diffuse colour but not the highlight (a little
    // under 255: the pixel centre lies half a pixel off the vertex).
    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(true, blackTexture.get(), true, grey, &mesh, FCull::None, true);
    EXPECT_GE(Pixel(kMid, kMid).red, 225);
    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(true, blackTexture.get(), false, grey, &mesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 0, 0, 0, 0);
}

TEST_F(GlTest, TextureModulatesOrIsLeftOutAndItsTopRowIsVZero)
{
    UsePerspective();
    // Top row red, green; bottom row blue, white.
    const std::vector<uint8_t> pixels = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    const auto texture = FGlTexture::Create(2, 2, pixels.data(), false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->Width(), 2);
    FGridMesh quad = MakeQuad(20, 20, {0, 0, -1}, 0xFF808080u); // fills the view
    FGlMesh mesh(&quad);

    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(false, texture.get(), false, {1, 1, 1, 1}, &mesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(16, 16), 128, 0, 0, 4);
    EXPECT_RGB_NEAR(Pixel(48, 16), 0, 128, 0, 4);
    EXPECT_RGB_NEAR(Pixel(16, 48), 0, 0, 128, 4);
    EXPECT_RGB_NEAR(Pixel(48, 48), 128, 128, 128, 4);

    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(16, 16), 128, 128, 128, 0);
}

TEST_F(GlTest, MipmappedTextureFiltersTrilinearlyWhenMinified)
{
    UsePerspective();
    std::vector<uint8_t> checker(64 * 64 * 4);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            for (int c = 0; c < 4; ++c)
                checker[static_cast<size_t>((y * 64 + x) * 4 + c)] = ((x + y) % 2) ? 255 : 0;
    const auto texture = FGlTexture::Create(64, 64, checker.data(), true);
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(texture->HasMipmaps());
    // 64 texels onto 8 pixels: the chain's level 3 is an even grey.
    FGridMesh quad = MakeQuad(2.5f, 20, {0, 0, -1}, kWhite);
    FGlMesh mesh(&quad);
    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(false, texture.get(), false, {1, 1, 1, 1}, &mesh, FCull::None, true);
    for (int x = 29; x <= 34; ++x)
        EXPECT_NEAR(Pixel(x, kMid).red, 128, 12) << x;
}

TEST(GlTexture, RefusesEmptyAndOversizedTextures)
{
    std::string error;
    ASSERT_NE(SharedContext(error), nullptr) << error;
    ASSERT_TRUE(SharedContext(error)->MakeCurrent());
    EXPECT_EQ(FGlTexture::Create(0, 4, nullptr, false), nullptr);
    const int32_t max = FGlTexture::MaxTextureSize();
    EXPECT_GE(max, 2048);
    error.clear();
    EXPECT_EQ(FGlTexture::Create(max + 1, 1, nullptr, false, &error), nullptr);
    EXPECT_FALSE(error.empty());
    auto texture = FGlTexture::Create(4, 4, nullptr, false);
    ASSERT_NE(texture, nullptr);
    texture->Destroy();
    texture->Destroy();
    EXPECT_EQ(texture->Id(), 0u);
}

TEST_F(GlTest, BlendsExactlyWhenAlphaIsNotOneAndThenShowsBothFaces)
{
    UsePerspective();
    // The transparent page's vertices: white with alpha 191.
    FGridMesh quad = MakeQuad(10, 20, {0, 0, -1}, 0xBFFFFFFFu);
    FGlMesh mesh(&quad);

    renderer.ClearTarget(kGrey102);
    // Counter-clockwise culling would remove this quad; blending turns culling off.
    ASSERT_TRUE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 0.25f}, &mesh, FCull::CounterClockwise, false));
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 217, 217, 217, 1); // 255 * 191/255 + 102 * 64/255

    renderer.ClearTarget(kGrey102);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, false);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 255, 255, 255, 0); // vertex alpha alone does not blend

    // Lit, the material's alpha is the one that blends.
    renderer.SetAmbient(kWhite);
    renderer.ClearTarget(kGrey102);
    renderer.DrawMesh(true, nullptr, false, {1, 1, 1, 0.5f}, &mesh, FCull::None, false);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 178, 178, 178, 2);
}

TEST_F(GlTest, WireframeDrawsOnlyTheEdges)
{
    UsePerspective();
    FGridMesh quad = MakeQuad(10, 20, {0, 0, -1}, kWhite);
    FGlMesh mesh(&quad);
    renderer.ClearTarget(kBlack);
    renderer.SetFillMode(true);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(40, 24), 0, 0, 0, 0);
    renderer.SetFillMode(false);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(40, 24), 255, 255, 255, 0);
}

// From the front preset the book's own meshes must survive the cull modes the
// book draws them with, and vanish under the opposite ones.
TEST_F(GlTest, CullModesMatchTheBookSeenFromTheFrontPreset)
{
    const FCameraPose& pose = DefaultCameraPresets()[0];
    const FMatrix view = CameraViewMatrix(pose);
    const FMatrix projection = CameraProjectionMatrix(pose, 1.0f);
    renderer.SetWorld(FMatrix::Identity());
    renderer.SetView(view);
    renderer.SetProjection(projection);
    const auto pixelOf = [&](FVector3 p) {
        const FVector3 ndc = TransformCoord(p, view * projection);
        EXPECT_LT(std::abs(ndc.x), 1.0f);
        EXPECT_LT(std::abs(ndc.y), 1.0f);
        return Pixel(static_cast<int>((ndc.x + 1) * 0.5f * kSize), static_cast<int>((1 - ndc.y) * 0.5f * kSize));
    };

    // The spine's middle lands near the centre, where the GL draw puts it too.
    const FVector3 spine{0, 0, 54.7f};
    const FVector3 spineNdc = TransformCoord(spine, view * projection);
    EXPECT_LT(std::abs(spineNdc.x), 0.25f);
    EXPECT_LT(std::abs(spineNdc.y), 0.25f);
    FGridMesh marker = MakeQuad(2, 0, {0, 1, 0}, 0xFFFF0000u);
    for (FBookVertex& v : marker.vertices) {
        v.z = 54.7f + v.y; // lay it flat in y = 0 around the spine's middle
        v.y = 0;
    }
    FGlMesh markerMesh(&marker);
    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &markerMesh, FCull::None, true);
    EXPECT_RGB_NEAR(pixelOf(spine), 255, 0, 0, 0);

    // The background plane is drawn culling clockwise.
    std::optional<FGridMesh> plane = CreateBackgroundPlane();
    ASSERT_TRUE(plane.has_value());
    FGlMesh planeMesh(&*plane);
    const FVector3 onPlane{0, -20, 54.6875f};
    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &planeMesh, FCull::Clockwise, true);
    EXPECT_RGB_NEAR(pixelOf(onPlane), 255, 255, 255, 0);
    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &planeMesh, FCull::CounterClockwise, true);
    EXPECT_RGB_NEAR(pixelOf(onPlane), 0, 0, 0, 0);

    // The right page (flipped normals) at rest, and the left page at TurnEnd.
    const FColour paper{1, 1, 1};
    for (const bool right : {true, false}) {
        SCOPED_TRACE(right ? "right page" : "left page");
        FPage page(right, false);
        const FPageDraw draw = page.DrawPage(right ? 0 : TurnEnd, 0, paper);
        ASSERT_TRUE(page.pageMesh.has_value());
        EXPECT_EQ(draw.cull, right ? FCull::Clockwise : FCull::CounterClockwise);
        const FBookVertex& middle = page.vertices[static_cast<size_t>(17 * kPageColumns + 16)];
        FGlMesh pageMesh(&*page.pageMesh);
        renderer.ClearTarget(kBlack);
        renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &pageMesh, draw.cull, true);
        EXPECT_RGB_NEAR(pixelOf({middle.x, middle.y, middle.z}), 255, 255, 255, 0);
        const FCull opposite = draw.cull == FCull::Clockwise ? FCull::CounterClockwise : FCull::Clockwise;
        renderer.ClearTarget(kBlack);
        renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &pageMesh, opposite, true);
        EXPECT_RGB_NEAR(pixelOf({middle.x, middle.y, middle.z}), 0, 0, 0, 0);
    }
}

class DepthTest : public GlTest, public ::testing::WithParamInterface<bool>
{
protected:
    DepthTest() : GlTest(GetParam()) {}
};

TEST_P(DepthTest, LessEqualKeepsTheNearerAndAlwaysPaintsOverYetWritesDepth)
{
    EXPECT_EQ(renderer.Caps().clipControl, GetParam());
    UsePerspective();
    FGridMesh nearRed = MakeQuad(5, 10, {0, 0, -1}, 0xFFFF0000u);
    FGridMesh farGreen = MakeQuad(20, 20, {0, 0, -1}, 0xFF00FF00u);
    FGlMesh nearMesh(&nearRed), farMesh(&farGreen);

    renderer.ClearTarget(kBlack);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &nearMesh, FCull::None, true);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &farMesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 255, 0, 0, 0);
    EXPECT_RGB_NEAR(Pixel(4, 4), 0, 255, 0, 0);

    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &farMesh, FCull::None, false);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 0, 255, 0, 0);

    // The far quad drawn with "always" left its own depth behind, so the near
    // one, tested again, now wins; and a quad behind stays hidden.
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &nearMesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 255, 0, 0, 0);
    FGridMesh behind = MakeQuad(40, 30, {0, 0, -1}, 0xFF0000FFu);
    FGlMesh behindMesh(&behind);
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &behindMesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(4, 4), 0, 255, 0, 0);
}

// Direct3D's depth runs 0..w: anything nearer than the near plane is clipped.
// At z = 0.8 GL's own -w..w range would still show it (depth -0.25).
TEST_P(DepthTest, ClipsInFrontOfTheNearPlaneAndBeyondTheFarPlane)
{
    UsePerspective();
    for (const float z : {0.8f, 1100.0f}) {
        SCOPED_TRACE(z);
        FGridMesh quad = MakeQuad(z * 0.5f, z, {0, 0, -1}, kWhite);
        FGlMesh mesh(&quad);
        renderer.ClearTarget(kBlack);
        renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, false);
        EXPECT_RGB_NEAR(Pixel(kMid, kMid), 0, 0, 0, 0);
    }
    for (const float z : {1.5f, 900.0f}) {
        SCOPED_TRACE(z);
        FGridMesh quad = MakeQuad(z * 0.5f, z, {0, 0, -1}, kWhite);
        FGlMesh mesh(&quad);
        renderer.ClearTarget(kBlack);
        renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true);
        EXPECT_RGB_NEAR(Pixel(kMid, kMid), 255, 255, 255, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(ClipControlOrShader, DepthTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "ClipControl" : "ShaderConversion";
                         });

TEST_F(GlTest, MeshUploadsAgainOnlyWhenItsRevisionMoves)
{
    UsePerspective();
    FGridMesh quad = MakeQuad(10, 20, {0, 0, -1}, 0xFFFF0000u);
    FGlMesh mesh(&quad);
    renderer.ClearTarget(kBlack);
    ASSERT_TRUE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true));
    ASSERT_TRUE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true));
    EXPECT_EQ(mesh.UploadCount(), 1);
    EXPECT_EQ(mesh.Source(), &quad);

    for (FBookVertex& v : quad.vertices)
        v.diffuse = 0xFF00FF00u;
    ++quad.revision;
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true);
    EXPECT_EQ(mesh.UploadCount(), 2);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 0, 255, 0, 0);

    // A lost device drops the buffers; the next draw brings them back.
    mesh.Destroy();
    mesh.Destroy();
    for (FBookVertex& v : quad.vertices)
        v.diffuse = 0xFF0000FFu;
    renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 0, 0, 255, 0);

    FGlMesh empty;
    EXPECT_FALSE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &empty, FCull::None, true));
    EXPECT_FALSE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, nullptr, FCull::None, true));
}

TEST_F(GlTest, NothingIsDrawnWithoutADevice)
{
    FGridMesh quad = MakeQuad(10, 20, {0, 0, -1}, kWhite);
    FGlMesh mesh(&quad);
    FRenderer idle;
    EXPECT_FALSE(idle.HasDevice());
    EXPECT_FALSE(idle.BeginTarget(kScreenTarget));
    EXPECT_FALSE(idle.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true));
    EXPECT_FALSE(idle.CreateRenderTarget(64, 48));
    EXPECT_FALSE(renderer.BeginTarget(1));
    EXPECT_FALSE(renderer.BeginTarget(kRenderTarget)); // no render target yet
}
