// Effect files on the GL device: what a broken file reports, that the values
// arrive, and that every effect we ship compiles and repaints the photo alone.

#include "../base/TestFiles.h"
#include "GlTestSupport.h"
#include "render/EffectFile.h"
#include "render/FRenderStates.h"
#include "gl/FEffect.h"
#include "gl/FGlMesh.h"
#include "gl/FGlTexture.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
const uint32_t kGrey = ColourToArgb(0.4f, 0.4f, 0.4f);
constexpr FRgb kPage{102, 102, 102};

FString DataEffect(const char* name)
{
    return FString::FromUtf8(std::string(PHOTOBOOK_TEST_DATA "/effects/") + name);
}

std::unique_ptr<FGlTexture> SolidTexture(uint8_t r, uint8_t g, uint8_t b)
{
    const uint8_t pixel[] = {r, g, b, 255};
    return FGlTexture::Create(1, 1, pixel, false);
}

// An effect around one colour expression and one clip position expression (of p).
std::string ProbeEffect(const std::string& declarations, const std::string& colour,
                        const std::string& position = "WorldViewProjection * p")
{
    return "uniform mat4 WorldViewProjection;\n" + declarations +
           "\nVARYING vec2 uv;\n"
           "#ifdef VERTEX\nin vec3 inPosition;\nin vec2 inTexCoord;\n"
           "void main() { vec4 p = vec4(inPosition, 1.0); gl_Position = " +
           position +
           "; uv = inTexCoord; }\n#endif\n"
           "#ifdef FRAGMENT\nout vec4 outColour;\nvoid main() { outColour = " +
           colour + "; }\n#endif\ntechnique T { pass P { } }\n";
}

class EffectTest : public GlTest
{
protected:
    // The "photo": a quad over the middle half of the view at depth 20; the
    // "page": a grey quad over the whole view behind it.
    void SetUp() override
    {
        GlTest::SetUp();
        UsePerspective();
        photo = MakeQuad(10, 20, {0, 0, -1}, 0xFFFFFFFFu);
        page = MakeQuad(40, 30, {0, 0, -1}, kGrey);
    }

    FString WriteEffect(const std::string& name, const std::string& text)
    {
        WriteBytes(dir.file(name), text);
        return dir.fileF(name);
    }

    // Page plainly, then the photo through the effect (or plainly without one).
    FRenderTargetCopy DrawScene(FEffect* effect, const FGlTexture* texture, float time = 0)
    {
        renderer.ClearTarget(kBlack);
        FGlMesh pageMesh(&page), photoMesh(&photo);
        EXPECT_TRUE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &pageMesh, FCull::None, true));
        EXPECT_TRUE(renderer.DrawMesh(false, texture, false, {1, 1, 1, 1}, &photoMesh, FCull::None, false,
                                      effect != nullptr, {800, 600, 1, 0}, effect, time));
        return Read();
    }

    ScratchDir dir;
    FGridMesh photo;
    FGridMesh page;
};

TEST_F(EffectTest, BrokenFilesSayWhatIsWrongInTheFilesOwnLines)
{
    // The driver's own message points at line 9 of the file, not of what the
    // driver was handed.
    const std::pair<const char*, const char*> cases[] = {
        {"syntax_error.fx", "syntax_error.fx(9"},
        {"no_technique.fx", "Error getting Technique from Effect \"no_technique.fx\""},
        {"no_pass.fx", "Error setting Technique from Effect \"no_pass.fx\""},
        {"bad_state.fx", "bad_state.fx(14): error: unknown pass state 'wobble'\n"},
        {"wrong_type.fx", "'Time' must be declared as float"},
    };
    for (const auto& [file, wanted] : cases) {
        const std::string text = FEffect(DataEffect(file)).GetErrorText().ToUtf8();
        EXPECT_NE(text.find(wanted), std::string::npos) << text;
    }
    // Nothing to compile, nothing to say: the photos are simply drawn plainly.
    FEffect none(DataEffect("does_not_exist.fx"));
    EXPECT_FALSE(none.IsValid());
    EXPECT_TRUE(none.GetErrorText().IsEmpty());

    // A FIFO or a huge file goes through the readers' rules (IrregularFileTest)
    // instead of blocking or compiling; the alarm ends a read that blocks.
    ::alarm(60);
    ASSERT_EQ(::mkfifo(dir.file("pipe.fx").c_str(), 0600), 0);
    WriteBytes(dir.file("huge.fx"), "");
    std::filesystem::resize_file(dir.file("huge.fx"), kMaxEffectFileBytes + 1);
    for (const char* name : {"pipe.fx", "huge.fx"}) {
        testing::internal::CaptureStderr();
        const std::string text = U8(FEffect(dir.fileF(name)).GetErrorText());
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(text.rfind("Error loading Effect \"" + std::string(name) + "\"\n\n" + dir.file(name) + ": ", 0), 0u)
            << text;
        EXPECT_TRUE(EffectWantsOptimization(dir.fileF(name)));
    }
    ::alarm(0);
}

TEST_F(EffectTest, TheParametersArriveWithTheirValues)
{
    const auto texture = SolidTexture(255, 255, 255);
    auto probe = [&](const std::string& declarations, const std::string& colour, float time = 0) {
        FEffect effect(WriteEffect("probe.fx", ProbeEffect(declarations, colour)));
        EXPECT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
        return At(DrawScene(&effect, texture.get(), time), 32, 32);
    };
    EXPECT_RGB_NEAR(
        probe("uniform float Time; uniform float Power;", "vec4(Time / 10.0, Power / 4000.0, 0.0, 1.0)", 5.0f), 128, 64,
        0, 1);
    EXPECT_RGB_NEAR(probe("uniform vec4 MyTextureResolution0; uniform vec4 MyTextureResolution1;",
                          "vec4(MyTextureResolution0.x / 1000.0, MyTextureResolution0.y / 1000.0 + "
                          "MyTextureResolution1.x, MyTextureResolution0.z * 0.5 + MyTextureResolution0.w, 1.0)"),
                    204, 153, 128, 1);
    EXPECT_RGB_NEAR(probe("uniform vec4 UVBounds0; uniform vec4 AmbientCol; uniform vec4 SpecularCol;",
                          "vec4(UVBounds0.y * 0.5 + UVBounds0.x, UVBounds0.w * AmbientCol.g * 0.25, "
                          "SpecularCol.b * 0.75, 1.0)"),
                    128, 64, 191, 1);
    // MyTexture1 is cleared: an empty unit reads black. MyTexture0 is the photo.
    EXPECT_RGB_NEAR(probe("uniform sampler2D MyTexture0; uniform sampler2D MyTexture1;",
                          "vec4(texture(MyTexture0, uv).r * 0.5, texture(MyTexture1, uv).g, "
                          "texture(MyTexture1, uv).b, 1.0)"),
                    128, 0, 0, 1);

    // The light and the eye come from the scene; the world is the identity.
    renderer.SetLight(MakeLight(FLightType::Point, 100, 200, 300));
    renderer.SetView(FMatrix::Translation(-2, -3, 10)); // eye at (2, 3, -10)
    EXPECT_RGB_NEAR(probe("uniform vec4 LightPos; uniform vec4 LightPosModelSpace; uniform vec4 EyePos; uniform vec4 "
                          "EyePosModelSpace;",
                          "vec4(LightPos.x / 400.0 + EyePos.x / 8.0, LightPosModelSpace.y / 400.0 + "
                          "EyePosModelSpace.y / 6.0, LightPos.z / 1200.0 - EyePos.z / 40.0 * EyePos.w, 1.0)"),
                    128, 255, 128, 1);
}

TEST_F(EffectTest, MatrixTimesVectorIsTheBooksRowVectorProduct)
{
    // World moves the quad right and up: every product of the contract, in the
    // order GLSL multiplies, lands on the very pixels of the plain draw.
    renderer.SetWorld(FMatrix::Translation(6, 2, 0));
    renderer.SetView(FMatrix::RotationZ(0.3f) * FMatrix::Translation(1, 0, 0));
    const std::string all = "uniform mat4 World; uniform mat4 View; uniform mat4 Projection; "
                            "uniform mat4 WorldView; uniform mat4 ViewProjection;";
    const auto texture = SolidTexture(255, 0, 255);
    const FRenderTargetCopy plain = DrawScene(nullptr, texture.get());
    for (const char* position : {"WorldViewProjection * p", "Projection * (View * (World * p))",
                                 "Projection * (WorldView * p)", "ViewProjection * (World * p)"}) {
        SCOPED_TRACE(position);
        FEffect effect(WriteEffect("order.fx", ProbeEffect(all, "vec4(1.0, 0.0, 1.0, 1.0)", position)));
        ASSERT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
        // An edge pixel may round the other way.
        EXPECT_LE(Differing(plain, DrawScene(&effect, texture.get())), 2);
    }
}

// Each shipped effect (and the test's bare texture-and-matrix one) compiles and
// repaints the photo's pixels and nothing else; Sepia and the bare one to a
// known colour.
TEST_F(EffectTest, EffectsCompileAndPaintOnlyThePhoto)
{
    const FRgb source{40, 120, 200};
    const auto texture = SolidTexture(40, 120, 200);
    const FRenderTargetCopy plain = DrawScene(nullptr, texture.get());
    const int photoPixels = Count(plain, source);
    EXPECT_GT(photoPixels, 200);
    std::vector<std::filesystem::path> files{DataEffect("minimal.fx").ToUtf8()};
    for (const auto& entry : std::filesystem::directory_iterator(PHOTOBOOK_SOURCE_MEDIA "/Effects"))
        if (entry.path().extension() == ".fx")
            files.push_back(entry.path());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        FEffect effect(FString::FromUtf8(file.string()));
        ASSERT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
        for (float time : {0.0f, 2.7f}) {
            const FRenderTargetCopy drawn = DrawScene(&effect, texture.get(), time);
            const FRgb middle = At(drawn, 32, 32);
            EXPECT_GT(middle.red + middle.green + middle.blue, 100) << middle; // not black, not the page
            // The bare effect changes nothing; Sepia's classic weights reach every photo pixel.
            EXPECT_TRUE(file.filename() != "minimal.fx" || Differing(plain, drawn) == 0);
            EXPECT_TRUE(file.filename() != "Sepia.fx" || Count(drawn, {146, 130, 101}, 2) == photoPixels);
            EXPECT_GE(Count(drawn, kPage), Count(plain, kPage)); // the page around the photo untouched
        }
    }
}

} // namespace
