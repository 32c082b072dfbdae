#include "GlTestSupport.h"

#include "render/FRenderStates.h"
#include "gl/FEffect.h"
#include "gl/FGlMesh.h"
#include "gl/FGlTexture.h"

#include <vector>

namespace {
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
const uint32_t kGrey102 = ColourToArgb(0.4f, 0.4f, 0.4f);
const FColourValue kOpaque{1, 1, 1, 1};

// Centre pixel of the picture as seen by a 64-pixel screen.
constexpr int kMid = 32;

class DrawTest : public GlTest
{
protected:
    // Clears to black, draws one mesh and reads one pixel back.
    FRgb DrawAt(FGlMesh& mesh, int x = kMid, int y = kMid, bool lit = false, const FGlTexture* texture = nullptr,
                bool specular = false, FColourValue material = kOpaque)
    {
        renderer.ClearTarget(kBlack);
        EXPECT_TRUE(renderer.DrawMesh(lit, texture, specular, material, &mesh, FCull::None, true));
        return Pixel(x, y);
    }
};
} // namespace

// Per vertex: ambient plus diffuse N.L within range, the vertex colours ignored,
// and a specular highlight added after the texture, only when shiny.
TEST_F(DrawTest, LightingAndSpecularPerVertex)
{
    UsePerspective();
    renderer.SetAmbient(ColourToArgb(0.2f, 0.2f, 0.2f));
    const FColourValue grey{0.5f, 0.5f, 0.5f, 1};
    // 5 x 5 black vertices: the middle one faces light and eye head-on.
    FGridMesh facing = MakeQuad(10, 20, {0, 0, -1}, kBlack, 5);
    FGridMesh away = MakeQuad(10, 20, {0, 0, 1}, kBlack, 5);
    FGlMesh facingMesh(&facing), awayMesh(&away);
    const std::vector<uint8_t> black(4 * 4, 0);
    const auto blackTexture = FGlTexture::Create(2, 2, black.data(), false);
    ASSERT_NE(blackTexture, nullptr);
    const struct
    {
        float lightZ;
        FGlMesh* mesh;
        const FGlTexture* texture;
        bool specular;
        int expected, tolerance;
    } cases[] = {
        {0, &facingMesh, nullptr, false, 153, 3},            // 0.5 * 0.2 + 0.5 * 1
        {0, &awayMesh, nullptr, false, 26, 1},               // ambient alone
        {-20000, &facingMesh, nullptr, false, 26, 1},        // out of range
        {0, &facingMesh, nullptr, true, 255, 5},             // highlight
        {0, &facingMesh, blackTexture.get(), true, 240, 15}, // highlight over a black texture
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lightZ << " specular " << c.specular << " texture " << !!c.texture);
        renderer.SetLight(MakeLight(FLightType::Point, 0, 0, c.lightZ));
        EXPECT_RGB_NEAR(DrawAt(*c.mesh, kMid, kMid, true, c.texture, c.specular, grey), c.expected, c.expected,
                        c.expected, c.tolerance);
    }
}

TEST_F(DrawTest, TextureModulatesItsTopRowIsVZeroAndMipmapsFilterWhenMinified)
{
    UsePerspective();
    // Top row red, green; bottom row blue, white.
    const std::vector<uint8_t> pixels = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    const auto texture = FGlTexture::Create(2, 2, pixels.data(), false);
    ASSERT_NE(texture, nullptr);
    FGridMesh quad = MakeQuad(20, 20, {0, 0, -1}, 0xFF808080u); // fills the view
    FGlMesh mesh(&quad);
    EXPECT_RGB_NEAR(DrawAt(mesh, 16, 16, false, texture.get()), 128, 0, 0, 4);
    EXPECT_RGB_NEAR(Pixel(48, 48), 128, 128, 128, 4);

    std::vector<uint8_t> checker(64 * 64 * 4);
    for (size_t i = 0; i < checker.size(); ++i)
        checker[i] = ((i / 4 % 64 + i / 4 / 64) % 2) ? 255 : 0;
    const auto mipmapped = FGlTexture::Create(64, 64, checker.data(), true);
    ASSERT_NE(mipmapped, nullptr);
    // 64 texels onto 8 pixels: the chain's level 3 is an even grey.
    FGridMesh small = MakeQuad(2.5f, 20, {0, 0, -1}, kWhite);
    FGlMesh smallMesh(&small);
    DrawAt(smallMesh, kMid, kMid, false, mipmapped.get());
    EXPECT_NEAR(Pixel(30, kMid).red, 128, 12);
}

TEST_F(DrawTest, BlendsExactlyWhenAlphaIsNotOneAndThenShowsBothFaces)
{
    UsePerspective();
    // The transparent page's vertices: white with alpha 191.
    FGridMesh quad = MakeQuad(10, 20, {0, 0, -1}, 0xBFFFFFFFu);
    FGlMesh mesh(&quad);
    const auto draw = [&](bool lit, float alpha, FCull cull) {
        renderer.ClearTarget(kGrey102);
        EXPECT_TRUE(renderer.DrawMesh(lit, nullptr, false, {1, 1, 1, alpha}, &mesh, cull, false));
        return Pixel(kMid, kMid);
    };
    // Counter-clockwise culling would remove this quad; blending turns culling off.
    EXPECT_RGB_NEAR(draw(false, 0.25f, FCull::CounterClockwise), 217, 217, 217, 1); // 255 * 191/255 + 102 * 64/255
    EXPECT_RGB_NEAR(draw(false, 1, FCull::None), 255, 255, 255, 0);                 // vertex alpha alone does not blend
    renderer.SetAmbient(kWhite);
    EXPECT_RGB_NEAR(draw(true, 0.5f, FCull::None), 178, 178, 178, 2); // lit, the material's alpha blends
}

class DepthTest : public GlTest, public ::testing::WithParamInterface<bool>
{
protected:
    DepthTest() : GlTest(GetParam()) {}
    void Draw(FGlMesh& mesh, bool depthTest)
    {
        renderer.DrawMesh(false, nullptr, false, kOpaque, &mesh, FCull::None, depthTest);
    }
};

TEST_P(DepthTest, LessEqualOrAlwaysWritingDepthAndClippedOutsideNearAndFar)
{
    EXPECT_EQ(renderer.Caps().clipControl, GetParam());
    UsePerspective();
    FGridMesh nearRed = MakeQuad(5, 10, {0, 0, -1}, 0xFFFF0000u);
    FGridMesh farGreen = MakeQuad(20, 20, {0, 0, -1}, 0xFF00FF00u);
    FGridMesh behind = MakeQuad(40, 30, {0, 0, -1}, 0xFF0000FFu);
    FGlMesh nearMesh(&nearRed), farMesh(&farGreen), behindMesh(&behind);

    renderer.ClearTarget(kBlack);
    Draw(nearMesh, true);
    Draw(farMesh, true);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 255, 0, 0, 0);
    Draw(farMesh, false);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 0, 255, 0, 0);
    // The far quad drawn with "always" left its own depth behind, so the near
    // one, tested again, now wins; and a quad behind stays hidden.
    Draw(nearMesh, true);
    Draw(behindMesh, true);
    EXPECT_RGB_NEAR(Pixel(kMid, kMid), 255, 0, 0, 0);
    EXPECT_RGB_NEAR(Pixel(4, 4), 0, 255, 0, 0);

    // Direct3D's depth runs 0..w: nearer than the near plane is clipped, where
    // GL's own -w..w would still show z = 0.8 (depth -0.25); so is beyond the far one.
    for (const float z : {0.8f, 1100.0f, 1.5f}) {
        SCOPED_TRACE(z);
        FGridMesh quad = MakeQuad(z * 0.5f, z, {0, 0, -1}, kWhite);
        FGlMesh mesh(&quad);
        renderer.ClearTarget(kBlack);
        Draw(mesh, z > 1 && z < 1000);
        EXPECT_EQ(Pixel(kMid, kMid).red, z > 1 && z < 1000 ? 255 : 0);
    }

    // An effect's shader converts its depth as well: over a quad further away it
    // shows, behind a nearer one it stays hidden.
    FEffect effect(FString::FromUtf8(PHOTOBOOK_TEST_DATA "/effects/constant.fx"));
    ASSERT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
    for (FGlMesh* other : {&farMesh, &nearMesh}) {
        renderer.ClearTarget(kBlack);
        Draw(*other, true);
        FGridMesh middle = MakeQuad(2, 15, {0, 0, -1}, kWhite);
        FGlMesh middleMesh(&middle);
        ASSERT_TRUE(renderer.DrawMesh(false, nullptr, false, kOpaque, &middleMesh, FCull::None, true, true,
                                      {1, 1, 1, 0}, &effect, 0));
        const FRgb wanted = other == &farMesh ? FRgb{51, 102, 153} : FRgb{255, 0, 0};
        EXPECT_RGB_NEAR(Pixel(kMid, kMid), wanted.red, wanted.green, wanted.blue, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(ClipControlOrShader, DepthTest, ::testing::Bool());

// The sizing rules are checked without a device; here, that a refusal leaves no
// target behind.
TEST_F(GlTest, NothingIsDrawnWithoutADeviceAndOversizedTexturesAndTargetsAreRefused)
{
    ASSERT_TRUE(renderer.CreateRenderTarget(64, 48));
    EXPECT_EQ(renderer.RenderTarget()->Factor(), 4);
    renderer.SetRenderTargetLimit(40);
    EXPECT_FALSE(renderer.CreateRenderTarget(64, 48));
    EXPECT_EQ(renderer.RenderTarget(), nullptr);
    EXPECT_FALSE(renderer.CopyRenderTarget() || renderer.DrawRenderTargetToScreen());
    std::string error;
    EXPECT_EQ(FGlTexture::Create(FGlTexture::MaxTextureSize() + 1, 1, nullptr, false, &error), nullptr);
    EXPECT_FALSE(error.empty());
    FGridMesh quad = MakeQuad(10, 20, {0, 0, -1}, kWhite);
    FGlMesh mesh(&quad), empty;
    FRenderer idle;
    EXPECT_FALSE(idle.BeginTarget(kScreenTarget));
    EXPECT_FALSE(idle.DrawMesh(false, nullptr, false, kOpaque, &mesh, FCull::None, true));
    EXPECT_FALSE(idle.CreateRenderTarget(64, 48));
    EXPECT_FALSE(renderer.DrawMesh(false, nullptr, false, kOpaque, &empty, FCull::None, true));
    EXPECT_FALSE(renderer.BeginTarget(kRenderTarget)); // no render target left
}
