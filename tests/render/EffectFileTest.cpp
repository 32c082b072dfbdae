// Effect files without a device: reading the technique blocks, what each stage
// is compiled from, where compiler messages point, the optimisation opt-out, the
// parameter values that follow the scene and the per-photo effect clock of a movie.

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

TEST(EffectFile, TechniquesPassesAndStatesAreRead)
{
    const std::string text = "uniform float Time;\n"        // 1
                             "technique First\n"            // 2
                             "{\n"                          // 3
                             "    pass One\n"               // 4
                             "    {\n"                      // 5
                             "        vertex = MyVertex;\n" // 6
                             "        Cull = None; // keep both sides\n"
                             "        blend = additive;\n"
                             "        depthTest = false;\n"
                             "        depthwrite = TRUE;\n"
                             "    }\n"
                             "    pass { fragment = Second; cull = ccw; }\n"
                             "}\n"
                             "technique { pass P { } }\n";
    const FEffectFile file = ParseEffectFile(text, "a.fx");
    EXPECT_EQ(file.errors, "");
    ASSERT_EQ(file.techniques.size(), 2u);
    const FEffectTechnique& first = file.techniques[0];
    EXPECT_EQ(first.name, "First");
    EXPECT_EQ(first.line, 2);
    ASSERT_EQ(first.passes.size(), 2u);
    const FEffectPass& one = first.passes[0];
    EXPECT_EQ(one.name, "One");
    EXPECT_EQ(one.line, 4);
    EXPECT_EQ(one.vertexEntry, "MyVertex"); // entry names keep their case
    EXPECT_EQ(one.fragmentEntry, "");
    EXPECT_EQ(one.cull, FCull::None);
    EXPECT_EQ(one.blend, FEffectBlend::Additive);
    EXPECT_EQ(one.depthTest, false);
    EXPECT_EQ(one.depthWrite, true);
    const FEffectPass& two = first.passes[1];
    EXPECT_EQ(two.name, "");
    EXPECT_EQ(two.fragmentEntry, "Second");
    EXPECT_EQ(two.cull, FCull::CounterClockwise);
    EXPECT_FALSE(two.blend.has_value()); // unset states keep the book's own
    EXPECT_FALSE(two.depthTest.has_value());
    EXPECT_EQ(file.techniques[1].name, "");
    EXPECT_EQ(file.techniques[1].passes.size(), 1u);

    // The GLSL part: the blocks gone, every line where it was.
    EXPECT_EQ(file.lineCount, Lines(text));
    EXPECT_EQ(Lines(file.source), Lines(text));
    EXPECT_EQ(file.source.substr(0, 20), "uniform float Time;\n");
    EXPECT_EQ(file.source.find("technique"), std::string::npos);
    EXPECT_EQ(file.source.find("pass"), std::string::npos);
}

TEST(EffectFile, OnlyTopLevelTechniqueKeywordsStartABlock)
{
    const std::string text = "#version 330 core\n"
                             "// technique Commented { pass P { } }\n"
                             "/* technique Blocked\n"
                             "   { pass P { } } */\n"
                             "float techniques;\n"
                             "void f() { float technique = 1.0; }\n"
                             "technique Real { pass P { } }\n";
    const FEffectFile file = ParseEffectFile(text, "a.fx");
    EXPECT_EQ(file.errors, "");
    ASSERT_EQ(file.techniques.size(), 1u);
    EXPECT_EQ(file.techniques[0].name, "Real");
    EXPECT_EQ(file.techniques[0].line, 7);
    EXPECT_NE(file.source.find("// technique Commented"), std::string::npos);
    EXPECT_NE(file.source.find("float technique = 1.0;"), std::string::npos);
    // Our prelude brings the version; the writer's own would come too late.
    EXPECT_EQ(file.source.find("#version"), std::string::npos);
    EXPECT_EQ(Lines(file.source), Lines(text));
}

TEST(EffectFile, MistakesInTheBlocksNameTheirLine)
{
    struct Case
    {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"float x;\ntechnique T\n{\n  pass P\n  {\n    wobble = 1;\n  }\n}\n",
         "a.fx(6): error: unknown pass state 'wobble'\n"},
        {"technique T { pass P { cull = sideways; } }",
         "a.fx(1): error: 'cull' takes none, clockwise or counterclockwise\n"},
        {"technique T { pass P { blend = mix; } }", "a.fx(1): error: 'blend' takes none, alpha or additive\n"},
        {"technique T { pass P { depthtest = maybe; } }", "a.fx(1): error: 'depthtest' takes true or false\n"},
        {"technique T {\n pass P {\n cull none;\n } }", "a.fx(3): error: '=' expected after 'cull'\n"},
        {"technique T {\n pass P {\n cull = none\n } }", "a.fx(3): error: ';' expected after 'cull = none'\n"},
        {"technique T\n pass P { }", "a.fx(2): error: '{' expected after technique\n"},
        {"technique T {\n\n shader P { } }", "a.fx(3): error: 'pass' or '}' expected, found 'shader'\n"},
        {"technique T { pass P { }\n", "a.fx(2): error: technique block not closed\n"},
        {"technique T { pass P {\n", "a.fx(2): error: pass block not closed\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const FEffectFile file = ParseEffectFile(c.text, "a.fx");
        EXPECT_EQ(file.errors, c.error);
        EXPECT_TRUE(file.techniques.empty());
    }
}

TEST(EffectFile, StageSourceDefinesTheStageAndKeepsFileLines)
{
    const FEffectFile file = ParseEffectFile("void main() {}\ntechnique T { pass P { } }\n", "a.fx");
    ASSERT_EQ(file.techniques.size(), 1u);
    const FEffectPass& pass = file.techniques[0].passes[0];

    const std::string vertex = EffectStageSource(file, pass, FEffectStage::Vertex, true);
    EXPECT_EQ(vertex.rfind("#version 330 core\n", 0), 0u);
    EXPECT_NE(vertex.find("#define VERTEX 1\n"), std::string::npos);
    EXPECT_NE(vertex.find("#define VARYING out\n"), std::string::npos);
    EXPECT_EQ(vertex.find("FRAGMENT"), std::string::npos);
    EXPECT_EQ(vertex.find("optimize"), std::string::npos);
    // The file starts right after "#line 1"; our main wraps the writer's.
    EXPECT_NE(vertex.find("#line 1\nvoid main() {}\n"), std::string::npos);

    const std::string fragment = EffectStageSource(file, pass, FEffectStage::Fragment, false);
    EXPECT_NE(fragment.find("#define FRAGMENT 1\n#define VARYING in\n#pragma optimize(off)\n"), std::string::npos);
    EXPECT_EQ(fragment.find("VERTEX"), std::string::npos);

    FEffectPass named = pass;
    named.vertexEntry = "Wave";
    named.fragmentEntry = "Tint";
    const std::string namedVertex = EffectStageSource(file, named, FEffectStage::Vertex, true);
    EXPECT_EQ(namedVertex.find("#define main"), std::string::npos);
    EXPECT_NE(namedVertex.find("    Wave();\n"), std::string::npos);
    EXPECT_NE(EffectStageSource(file, named, FEffectStage::Fragment, true).find("void main()\n{\n    Tint();\n}\n"),
              std::string::npos);
}

TEST(EffectFile, CompilerMessagesPointIntoTheFile)
{
    // Mesa, NVIDIA and AMD ways of naming a line; lines past the file's 20 are our
    // generated main, charged to the pass on line 17.
    const std::string log = "0:12(5): error: `x' undeclared\n"
                            "0(7) : error C0000: syntax error\n"
                            "ERROR: 0:3: 'y' : undeclared identifier\n"
                            "0:25(5): error: no function with name 'Wave'\n"
                            "warning: something without a line\n"
                            "\n"
                            "0:abc not a reference\n";
    EXPECT_EQ(MapCompilerLog(std::string(log) + '\0', "ripple.fx", 20, 17),
              "ripple.fx(12,5): error: `x' undeclared\n"
              "ripple.fx(7): error C0000: syntax error\n"
              "ERROR: ripple.fx(3): 'y' : undeclared identifier\n"
              "ripple.fx(17): error: no function with name 'Wave'\n"
              "warning: something without a line\n"
              "0:abc not a reference\n");
}

TEST(EffectFile, OptimizationIsSkippedOnlyWhenTheFileSaysFalse)
{
    struct Case
    {
        const char16_t* text;
        bool wanted;
    };
    const Case cases[] = {
        {u"", true},
        {u"uniform float Time;", true},
        {u"optimization = false;", false},
        {u"optimization=false;", false},
        {u"// optimization = false; as a comment still counts\nuniform float Time;", false},
        {u"/*\n   optimization   =   false   ;\n*/", false},
        {u"optimization = true;", true},
        {u"optimization = true; later = false;", true}, // only up to the first ";"
        {u"optimization = falsehood;", false},          // "contains", as the scan says
        {u"optimization false;", false},                // no "=": the rest is kept
        {u"Optimization = false;", true},               // case-sensitive
        {u"optimization = FALSE;", true},
        {u"optimization = true;\noptimization = false;", true}, // the first one decides
        {u"optimization", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(FString(c.text).ToUtf8());
        EXPECT_EQ(EffectWantsOptimizationText(c.text), c.wanted);
    }
}

TEST(EffectFile, OptimizationScanReadsUtf16AndMissingFiles)
{
    ScratchDir dir;
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("// optimization = false;\n"))
        utf16 += std::string{c, '\0'};
    WriteBytes(dir.file("wide.fx"), utf16);
    WriteBytes(dir.file("narrow.fx"), "optimization = true;\n");
    EXPECT_FALSE(EffectWantsOptimization(dir.fileF("wide.fx")));
    EXPECT_TRUE(EffectWantsOptimization(dir.fileF("narrow.fx")));
    EXPECT_TRUE(EffectWantsOptimization(dir.fileF("missing.fx")));
}

TEST(EffectFile, PhotoEffectTimeStartsWhenTheCameraArrives)
{
    // TimePage, TimeZoom, TimeView all 3: one spread of four photos takes 45 s.
    const int32_t starts[] = {6, 15, 30, 39, 51, 60, 75, 84};
    for (int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(PhotoEffectStart(i, 3, 3, 3), starts[i]) << i;
    EXPECT_EQ(PhotoEffectStart(0, 2, 5, 7), 7);
    EXPECT_EQ(PhotoEffectStart(5, 2, 5, 7), 2 + 7 + 15 + (4 + 35 + 40));

    // photo, movie time -> the photo's effect time
    const float times[][3] = {{0, 0, 0}, {0, 5.9f, 0}, {0, 6, 0},        {0, 8, 2},
                              {0, 9, 3}, {0, 100, 3},  {4, 52.5f, 1.5f}, {4, 50, 0}};
    for (const auto& t : times)
        EXPECT_FLOAT_EQ(PhotoEffectTime(static_cast<int32_t>(t[0]), t[1], 3, 3, 3), t[2]) << t[0] << " at " << t[1];
}

TEST(EffectParameters, ComputedValuesFollowTheScene)
{
    FEffectScene scene;
    scene.world = FMatrix::RotationY(0.5f) * FMatrix::Translation(10, 20, 30);
    scene.view = FMatrix::RotationX(0.3f) * FMatrix::Translation(1, 2, 3);
    scene.projection = FMatrix::PerspectiveFovLH(1.0f, 1.5f, 1, 1000);
    scene.lightPosition = {-200, 200, 50};
    scene.eyePosition = {0, 110, 10};
    const FEffectValues v = ComputeEffectValues(scene, {800, 600, 1, 0}, 2.5f);
    auto vec = [&v](int i) { return std::array<float, 4>{v[i].data[0], v[i].data[1], v[i].data[2], v[i].data[3]}; };
    auto mat = [&v](int i) {
        FMatrix m;
        std::copy(v[i].data.begin(), v[i].data.end(), m.m.begin());
        return m;
    };

    EXPECT_EQ(vec(2), (std::array<float, 4>{800, 600, 1, 0}));
    EXPECT_EQ(mat(6), scene.world);
    EXPECT_EQ(mat(7), scene.view);
    EXPECT_EQ(mat(8), scene.projection);
    EXPECT_EQ(mat(9), scene.world * scene.view);
    EXPECT_EQ(mat(10), scene.view * scene.projection);
    EXPECT_EQ(mat(11), (scene.world * scene.view) * scene.projection);
    FMatrix noTranslation = scene.world;
    noTranslation.m[12] = noTranslation.m[13] = noTranslation.m[14] = 0;
    EXPECT_EQ(mat(12), noTranslation);
    EXPECT_EQ(vec(16), (std::array<float, 4>{-200, 200, 50, 1}));
    EXPECT_EQ(vec(19), (std::array<float, 4>{0, 110, 10, 1}));
    EXPECT_FLOAT_EQ(v[21].data[0], 2.5f);

    // Model space: taken back through the world, the points come out where they were.
    for (int i : {17, 20}) {
        const FVector4 back = Transform({v[i].data[0], v[i].data[1], v[i].data[2], v[i].data[3]}, scene.world);
        const std::array<float, 4> world = vec(i == 17 ? 16 : 19);
        EXPECT_NEAR(back.x, world[0], 1e-3f);
        EXPECT_NEAR(back.y, world[1], 1e-3f);
        EXPECT_NEAR(back.z, world[2], 1e-3f);
        EXPECT_NEAR(back.w, 1, 1e-6f);
    }
    // The book's world is the identity: model space is world space.
    scene.world = FMatrix::Identity();
    const FEffectValues identity = ComputeEffectValues(scene, {1, 1, 1, 0}, 0);
    EXPECT_EQ(identity[17].data, identity[16].data);
    EXPECT_EQ(identity[20].data, identity[19].data);
}

} // namespace
