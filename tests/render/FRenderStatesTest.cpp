#include "render/FRenderStates.h"

#include <gtest/gtest.h>

TEST(RenderStates, BlendingExactlyWhenAlphaIsNotOneAndThenNoCulling)
{
    const FDrawStates opaque = ComputeDrawStates(true, true, false, {1, 1, 1, 1}, FCull::Clockwise, true);
    EXPECT_FALSE(opaque.alphaBlend);
    EXPECT_EQ(opaque.cull, FCull::Clockwise);
    EXPECT_EQ(opaque.depthFunc, FDepthFunc::LessEqual);

    for (const float alpha : {0.25f, 0.99999994f, 1.0000001f, 0.0f}) {
        SCOPED_TRACE(alpha);
        const FDrawStates s = ComputeDrawStates(false, false, false, {1, 1, 1, alpha}, FCull::CounterClockwise, false);
        EXPECT_TRUE(s.alphaBlend);
        EXPECT_EQ(s.cull, FCull::None);
        EXPECT_EQ(s.depthFunc, FDepthFunc::Always);
    }
}

TEST(RenderStates, LightingPicksMaterialOrVertexColourAndShininess)
{
    const FDrawStates lit = ComputeDrawStates(true, false, true, {0.2f, 0.4f, 0.6f, 1}, FCull::None, true);
    EXPECT_TRUE(lit.lighting);
    EXPECT_FALSE(lit.vertexColour);
    EXPECT_FALSE(lit.modulateTexture);
    EXPECT_TRUE(lit.specular);
    EXPECT_EQ(lit.material, MakeMaterial(0.2f, 0.4f, 0.6f, 1, true));

    const FDrawStates unlit = ComputeDrawStates(false, true, false, {1, 1, 1, 1}, FCull::None, true);
    EXPECT_TRUE(unlit.vertexColour);
    EXPECT_TRUE(unlit.modulateTexture);
    EXPECT_FALSE(unlit.specular);
}

TEST(RenderStates, LightDirectionIsAUnitVector)
{
    const FLightRecord light = MakeLight(FLightType::Point, -200, 200, 50);
    EXPECT_EQ(light.position, (FVector3{-200, 200, 50}));
    EXPECT_NEAR(Length(light.direction), 1, 1e-6);
}

TEST(RenderStates, SettingColoursTruncateToBytesWithOpaqueAlpha)
{
    EXPECT_EQ(ColourToArgb(0.4f, 0.4f, 0.4f), 0xFF666666u); // 102
    EXPECT_EQ(ColourToArgb(1, 0, 0.999f), 0xFFFF00FEu);
    EXPECT_EQ(ArgbToColour(0x30000000u).alpha, 48.0f / 255.0f);
}
