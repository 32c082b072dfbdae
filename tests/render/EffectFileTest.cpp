// Effect files without a device: parsing, sources, messages, values and clock.

#include "../base/TestFiles.h"
#include "render/EffectFile.h"
#include "render/EffectParameters.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

int Lines(const std::string& text)
{
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(EffectFile, TechniquesPassesAndStatesAreReadAndTheGlslKeepsItsLines)
{
    const std::string text = "uniform float Time;\n"
                             "// technique Commented { pass P { } }\n"
                             "void f() { float technique = 1.0; }\n"
                             "technique First {\n"
                             "  pass One { vertex = MyVertex; Cull = None; // keep both sides\n"
                             "    blend = additive; depthTest = false; depthwrite = TRUE; }\n"
                             "  pass { fragment = Second; cull = ccw; } }\n"
                             "technique { pass P { } }\n";
    const FEffectFile file = ParseEffectFile(text, "a.fx");
    ASSERT_EQ(std::tuple(file.errors, file.techniques.size()), std::tuple(std::string(), 2u));
    const FEffectTechnique& first = file.techniques[0];
    ASSERT_EQ(std::tuple(first.name, first.line, first.passes.size()), std::tuple(std::string("First"), 4, 2u));
    const FEffectPass &one = first.passes[0], &two = first.passes[1];
    // Entry names keep their case; unset states (two's blend) keep the book's own.
    EXPECT_TRUE(one.line == 5 && one.vertexEntry == "MyVertex" && two.fragmentEntry == "Second");
    EXPECT_TRUE(one.cull == FCull::None && two.cull == FCull::CounterClockwise && !two.blend);
    EXPECT_TRUE(one.blend == FEffectBlend::Additive && one.depthTest == false && one.depthWrite == true);

    // The blocks gone, every line where it was, comments and locals untouched.
    EXPECT_EQ(Lines(file.source), Lines(text));
    EXPECT_EQ(file.source.find("pass One"), std::string::npos);
    EXPECT_NE(file.source.find("// technique Commented"), std::string::npos);
    EXPECT_NE(file.source.find("float technique = 1.0;"), std::string::npos);
}

TEST(EffectFile, MistakesInTheBlocksNameTheirLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"technique T { pass P { cull = sideways; } }",
         "a.fx(1): error: 'cull' takes none, clockwise or counterclockwise\n"},
        {"technique T {\n pass P {\n cull = none\n } }", "a.fx(3): error: ';' expected after 'cull = none'\n"},
        {"technique T {\n\n shader P { } }", "a.fx(3): error: 'pass' or '}' expected, found 'shader'\n"},
        {"technique T { pass P {\n", "a.fx(2): error: pass block not closed\n"},
    };
    for (const auto& [text, error] : cases) {
        const FEffectFile file = ParseEffectFile(text, "a.fx");
        EXPECT_EQ(file.errors, error) << text;
        EXPECT_TRUE(file.techniques.empty()) << text;
    }
}

TEST(EffectFile, CompilerMessagesPointIntoTheFile)
{
    // Mesa, NVIDIA and AMD ways of naming a line; lines past the file's 20 are our
    // generated main, charged to the pass on line 17.
    const std::string log = "0:12(5): error: `x' undeclared\n"
                            "0(7) : error C0000: syntax error\n"
                            "ERROR: 0:3: 'y' : undeclared identifier\n"
                            "0:25(5): error: no function with name 'Wave'\n"
                            "\n"
                            "0:abc not a reference\n";
    EXPECT_EQ(MapCompilerLog(std::string(log) + '\0', "ripple.fx", 20, 17),
              "ripple.fx(12,5): error: `x' undeclared\n"
              "ripple.fx(7): error C0000: syntax error\n"
              "ERROR: ripple.fx(3): 'y' : undeclared identifier\n"
              "ripple.fx(17): error: no function with name 'Wave'\n"
              "0:abc not a reference\n");
}

TEST(EffectFile, OptimizationIsSkippedOnlyWhenTheFileSaysFalse)
{
    const std::pair<const char16_t*, bool> cases[] = {
        {u"uniform float Time;", true},
        {u"optimization=false;", false},
        {u"optimization = true; later = false;", true},         // only up to the first ";"
        {u"Optimization = false;", true},                       // case-sensitive
        {u"optimization = true;\noptimization = false;", true}, // the first one decides
    };
    for (const auto& [text, wanted] : cases)
        EXPECT_EQ(EffectWantsOptimizationText(text), wanted) << FString(text).ToUtf8();

    ScratchDir dir;
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("// optimization = false;\n"))
        utf16 += std::string{c, '\0'};
    WriteBytes(dir.file("wide.fx"), utf16);
    EXPECT_FALSE(EffectWantsOptimization(dir.fileF("wide.fx")));
    EXPECT_TRUE(EffectWantsOptimization(dir.fileF("missing.fx")));
}

TEST(EffectFile, PhotoEffectTimeStartsWhenTheCameraArrives)
{
    // TimePage, TimeZoom, TimeView all 3: one spread of four photos takes 45 s.
    const int32_t starts[] = {6, 15, 30, 39, 51, 60, 75, 84};
    for (int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(PhotoEffectStart(i, 3, 3, 3), starts[i]) << i;
    EXPECT_EQ(PhotoEffectStart(5, 2, 5, 7), 103); // TimePage 2, TimeZoom 5, TimeView 7
    // photo, movie time -> the photo's effect time
    for (const auto& t : {std::array{0.0f, 5.9f, 0.0f}, {0, 8, 2}, {0, 100, 3}, {4, 52.5f, 1.5f}, {4, 50, 0}})
        EXPECT_FLOAT_EQ(PhotoEffectTime(static_cast<int32_t>(t[0]), t[1], 3, 3, 3), t[2]) << t[0] << " at " << t[1];
}

// The GL tests see the products arrive; here, the values the GL tests cannot
// tell apart under an identity world.
TEST(EffectParameters, ModelSpaceValuesFollowTheWorld)
{
    FEffectScene scene;
    scene.world = FMatrix::RotationY(0.5f) * FMatrix::Translation(10, 20, 30);
    scene.lightPosition = {-200, 200, 50};
    scene.eyePosition = {0, 110, 10};
    const FEffectValues v = ComputeEffectValues(scene, {800, 600, 1, 0}, 2.5f);

    FMatrix noTranslation = scene.world;
    noTranslation.m[12] = noTranslation.m[13] = noTranslation.m[14] = 0;
    EXPECT_TRUE(std::equal(noTranslation.m.begin(), noTranslation.m.end(), v[12].data.begin()));
    // Taken back through the world, the points come out where they were.
    for (int i : {17, 20}) {
        const FVector4 back = Transform({v[i].data[0], v[i].data[1], v[i].data[2], v[i].data[3]}, scene.world);
        EXPECT_NEAR(back.x, v[i - 1].data[0], 1e-3f);
        EXPECT_NEAR(back.y, v[i - 1].data[1], 1e-3f);
        EXPECT_NEAR(back.z, v[i - 1].data[2], 1e-3f);
        EXPECT_NEAR(back.w, 1, 1e-6f);
    }
    EXPECT_TRUE(
        std::equal(v[16].data.begin(), v[16].data.begin() + 4, std::array{-200.0f, 200.0f, 50.0f, 1.0f}.begin()));
}

} // namespace
