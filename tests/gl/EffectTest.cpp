// Effect files on the GL device: what a broken file reports, that the 22 names
// arrive with their values, that an effect repaints the photo and nothing else,
// that every effect we ship compiles and draws, and that the book's effect
// outlives a device reset.

#include "BookScene.h"
#include "render/gl/FEffect.h"
#include "render/gl/FGlMesh.h"
#include "render/gl/FGlTexture.h"

#include <filesystem>
#include <functional>
#include <vector>

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
const uint32_t kGrey = ColourToArgb(0.4f, 0.4f, 0.4f);

FString DataEffect(const char* name)
{
    return FString::FromUtf8(std::string(PHOTOBOOK_TEST_DATA "/effects/") + name);
}

std::unique_ptr<FGlTexture> SolidTexture(uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 4; ++i)
        pixels.insert(pixels.end(), {r, g, b, 255});
    return FGlTexture::Create(2, 2, pixels.data(), false);
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
    explicit EffectTest(bool allowClipControl = true) : GlTest(allowClipControl) {}

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
    FRenderTargetCopy DrawScene(FEffect* effect, const FGlTexture* texture, float time = 0,
                                std::array<float, 4> resolution = {800, 600, 1, 0})
    {
        renderer.ClearTarget(kBlack);
        FGlMesh pageMesh(&page), photoMesh(&photo);
        EXPECT_TRUE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &pageMesh, FCull::None, true));
        EXPECT_TRUE(renderer.DrawMesh(false, texture, false, {1, 1, 1, 1}, &photoMesh, FCull::None, false,
                                      effect != nullptr, resolution, effect, time));
        return Read();
    }

    static FRgb At(const FRenderTargetCopy& copy, int x, int y)
    {
        const uint8_t* p = copy.Row(y) + x * 4;
        return {p[2], p[1], p[0]};
    }

    static bool Same(const FRgb& a, const FRgb& b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

    ScratchDir dir;
    FGridMesh photo;
    FGridMesh page;
};

TEST_F(EffectTest, CompileErrorIsTheFourPieceMessageWithLinesOfTheFxFile)
{
    FEffect effect(DataEffect("syntax_error.fx"));
    EXPECT_FALSE(effect.IsValid());
    const std::string text = effect.GetErrorText().ToUtf8();
    const std::string head = "Error loading Effect \"syntax_error.fx\"\n\n";
    ASSERT_EQ(text.substr(0, head.size()), head) << text;
    // The driver's own message, pointing at line 9 of the file, not of what the
    // driver was handed.
    EXPECT_NE(text.find("syntax_error.fx(9"), std::string::npos) << text;
    EXPECT_NE(text.find("undeclaredThing"), std::string::npos) << text;
    EXPECT_NE(text.find("fragment"), std::string::npos) << text;
    EXPECT_EQ(text.find("0:9("), std::string::npos) << text;
}

TEST_F(EffectTest, BrokenFilesSayWhatIsWrong)
{
    EXPECT_EQ(FEffect(DataEffect("no_technique.fx")).GetErrorText().ToUtf8(),
              "Error getting Technique from Effect \"no_technique.fx\"");
    EXPECT_EQ(FEffect(DataEffect("no_pass.fx")).GetErrorText().ToUtf8(),
              "Error setting Technique from Effect \"no_pass.fx\"");
    EXPECT_EQ(FEffect(DataEffect("bad_state.fx")).GetErrorText().ToUtf8(),
              "Error loading Effect \"bad_state.fx\"\n\nbad_state.fx(14): error: unknown pass state 'wobble'\n");
    const std::string wrongType = FEffect(DataEffect("wrong_type.fx")).GetErrorText().ToUtf8();
    EXPECT_NE(wrongType.find("'Time' must be declared as float"), std::string::npos) << wrongType;

    // Nothing to compile, nothing to say: the photos are simply drawn plainly.
    for (const FString& path : {FString(), DataEffect("does_not_exist.fx")}) {
        FEffect none(path);
        EXPECT_FALSE(none.IsValid());
        EXPECT_TRUE(none.GetErrorText().IsEmpty());
    }
}

TEST_F(EffectTest, AnEffectWithOnlyTextureAndMatrixDrawsThePhoto)
{
    FEffect effect(DataEffect("minimal.fx"));
    ASSERT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
    EXPECT_TRUE(effect.Declares(0));  // MyTexture0
    EXPECT_TRUE(effect.Declares(11)); // WorldViewProjection
    for (int p : {1, 2, 6, 16, 18, 21})
        EXPECT_FALSE(effect.Declares(p)) << p;

    const auto texture = SolidTexture(200, 100, 50);
    ASSERT_NE(texture, nullptr);
    const FRenderTargetCopy plain = DrawScene(nullptr, texture.get());
    const FRenderTargetCopy through = DrawScene(&effect, texture.get());
    EXPECT_RGB_NEAR(At(through, 32, 32), 200, 100, 50, 1);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            ASSERT_TRUE(Same(At(plain, x, y), At(through, x, y))) << x << "," << y;
}

TEST_F(EffectTest, SepiaChangesThePhotosPixelsAndNothingElse)
{
    FEffect effect(FString::FromUtf8(PHOTOBOOK_SOURCE_MEDIA "/Effects/Sepia.fx"));
    ASSERT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
    const auto texture = SolidTexture(40, 120, 200);
    const FRenderTargetCopy plain = DrawScene(nullptr, texture.get());
    const FRenderTargetCopy sepia = DrawScene(&effect, texture.get());
    int changed = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const FRgb before = At(plain, x, y);
            const FRgb after = At(sepia, x, y);
            const bool onPhoto = before.red == 40 && before.green == 120 && before.blue == 200;
            if (onPhoto) {
                // The classic sepia weights.
                EXPECT_RGB_NEAR(after, 146, 130, 101, 2);
                ++changed;
            } else {
                ASSERT_TRUE(Same(before, after)) << x << "," << y << " " << before << " " << after;
            }
        }
    EXPECT_GT(changed, 200);
}

TEST_F(EffectTest, TheParametersArriveWithTheirValues)
{
    const auto texture = SolidTexture(255, 255, 255);
    auto probe = [&](const std::string& declarations, const std::string& colour, float time = 0) {
        FEffect effect(WriteEffect("probe.fx", ProbeEffect(declarations, colour)));
        EXPECT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
        return At(DrawScene(&effect, texture.get(), time, {800, 600, 1, 0}), 32, 32);
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
    EXPECT_RGB_NEAR(probe("uniform vec4 LightPos; uniform vec4 LightPosModelSpace;",
                          "vec4(LightPos.x / 400.0, LightPosModelSpace.y / 400.0, LightPos.z / 400.0, 1.0)"),
                    64, 128, 191, 1);
    renderer.SetView(FMatrix::Translation(-2, -3, 10)); // eye at (2, 3, -10)
    const FRgb eye = probe("uniform vec4 EyePos; uniform vec4 EyePosModelSpace;",
                           "vec4(EyePos.x / 8.0, EyePosModelSpace.y / 6.0, -EyePos.z / 40.0 * 3.0 * EyePos.w, 1.0)");
    renderer.SetView(FMatrix::Identity());
    EXPECT_RGB_NEAR(eye, 64, 128, 191, 1);
}

TEST_F(EffectTest, MatrixTimesVectorIsTheBooksRowVectorProduct)
{
    // World moves the quad right and up: every product of the contract, in the
    // order GLSL multiplies, lands on the very pixels of the plain draw.
    renderer.SetWorld(FMatrix::Translation(6, 2, 0));
    renderer.SetView(FMatrix::RotationZ(0.3f) * FMatrix::Translation(1, 0, 0));
    const std::string all = "uniform mat4 World; uniform mat4 View; uniform mat4 Projection; "
                            "uniform mat4 WorldView; uniform mat4 ViewProjection;";
    const std::string colour = "vec4(1.0, 0.0, 1.0, 1.0)";
    const auto texture = SolidTexture(255, 0, 255);
    const FRenderTargetCopy plain = DrawScene(nullptr, texture.get());
    for (const char* position : {"WorldViewProjection * p", "Projection * (View * (World * p))",
                                 "Projection * (WorldView * p)", "ViewProjection * (World * p)"}) {
        SCOPED_TRACE(position);
        FEffect effect(WriteEffect("order.fx", ProbeEffect(all, colour, position)));
        ASSERT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
        const FRenderTargetCopy drawn = DrawScene(&effect, texture.get());
        int differing = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                differing += Same(At(plain, x, y), At(drawn, x, y)) ? 0 : 1;
        EXPECT_LE(differing, 2); // an edge pixel may round the other way
    }
    int photoPixels = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            photoPixels += Same(At(plain, x, y), {255, 0, 255}) ? 1 : 0;
    EXPECT_GT(photoPixels, 300);
    EXPECT_FALSE(Same(At(plain, 16, 32), {255, 0, 255})); // moved away from the left
}

TEST_F(EffectTest, EveryShippedEffectCompilesAndPaintsOnlyThePhoto)
{
    const auto texture = SolidTexture(90, 140, 200);
    const FRenderTargetCopy plain = DrawScene(nullptr, texture.get());
    int count = 0;
    bool kinds[4] = {};
    for (const auto& entry : std::filesystem::directory_iterator(PHOTOBOOK_SOURCE_MEDIA "/Effects")) {
        if (entry.path().extension() != ".fx")
            continue;
        ++count;
        SCOPED_TRACE(entry.path().filename().string());
        FEffect effect(FString::FromUtf8(entry.path().string()));
        ASSERT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
        EXPECT_TRUE(effect.GetErrorText().IsEmpty());
        for (int p = 0; p < kEffectParameterCount; ++p)
            if (effect.Declares(p))
                kinds[static_cast<int>(EffectParameterTable()[static_cast<size_t>(p)].kind)] = true;
        for (float time : {0.0f, 2.7f}) {
            const FRenderTargetCopy drawn = DrawScene(&effect, texture.get(), time);
            // The photo is still there (not black, not the page) ...
            const FRgb middle = At(drawn, 32, 32);
            EXPECT_GT(middle.red + middle.green + middle.blue, 100) << middle;
            // ... and the page around it untouched.
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x)
                    if (!Same(At(plain, x, y), {90, 140, 200}))
                        ASSERT_TRUE(Same(At(plain, x, y), At(drawn, x, y))) << x << "," << y;
        }
    }
    EXPECT_GE(count, 6);
    for (bool kind : kinds)
        EXPECT_TRUE(kind); // textures, vectors, matrices and floats are all in use
}

TEST_F(EffectTest, TheUserGuidesExampleCompilesAndDraws)
{
    const std::string guide = ReadBytes(PHOTOBOOK_SOURCE_MEDIA "/WWW/QuilloPhotoBookManual.html");
    const size_t start = guide.find("<pre><code>// Tint.fx");
    ASSERT_NE(start, std::string::npos);
    const size_t end = guide.find("</code></pre>", start);
    ASSERT_NE(end, std::string::npos);
    const std::string example = guide.substr(start + 11, end - start - 11);
    ASSERT_EQ(example.find('&'), std::string::npos); // nothing to unescape
    FEffect effect(WriteEffect("Tint.fx", example));
    ASSERT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
    const auto texture = SolidTexture(200, 200, 200);
    // At time 0 the wash is (1, 0.29, 0.17) at 30 %: reddish.
    EXPECT_RGB_NEAR(At(DrawScene(&effect, texture.get(), 0), 32, 32), 200, 158, 150, 2);
}

TEST_F(EffectTest, PixelShaderSupportIsTheContextsGlslAndNeedsADevice)
{
    EXPECT_TRUE(renderer.SupportsPixelShader(2, 0));
    EXPECT_TRUE(renderer.SupportsPixelShader(3, 0));
    FRenderer noDevice;
    EXPECT_FALSE(noDevice.SupportsPixelShader(2, 0));
}

// Without glClipControl the shader must turn 0..w into -w..w; an effect that
// skipped it would lose depth tests against the book's own draws.
void CheckEffectDepth(FRenderer& renderer, std::function<FRgb()> pixel)
{
    FEffect effect(DataEffect("constant.fx"));
    ASSERT_TRUE(effect.IsValid()) << effect.GetErrorText().ToUtf8();
    FGridMesh far = MakeQuad(10, 30, {0, 0, -1}, 0xFFFFFFFFu);
    FGridMesh near = MakeQuad(5, 20, {0, 0, -1}, 0xFFFFFFFFu);
    FGridMesh nearest = MakeQuad(10, 10, {0, 0, -1}, 0xFFFFFFFFu);
    FGlMesh farMesh(&far), nearMesh(&near), nearestMesh(&nearest);
    renderer.ClearTarget(kBlack);
    ASSERT_TRUE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &farMesh, FCull::None, true));
    ASSERT_TRUE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &nearMesh, FCull::None, true, true, {1, 1, 1, 0},
                                  &effect, 0));
    EXPECT_RGB_NEAR(pixel(), 51, 102, 153, 1);
    // Behind something nearer still, it stays hidden.
    renderer.ClearTarget(kBlack);
    ASSERT_TRUE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &nearestMesh, FCull::None, true));
    ASSERT_TRUE(renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &nearMesh, FCull::None, true, true, {1, 1, 1, 0},
                                  &effect, 0));
    EXPECT_RGB_NEAR(pixel(), 255, 255, 255, 0);
}

TEST_F(EffectTest, EffectDepthMatchesThePlainDrawWithClipControl)
{
    ASSERT_TRUE(renderer.Caps().clipControl);
    CheckEffectDepth(renderer, [this] { return Pixel(32, 32); });
}

class EffectWithoutClipControlTest : public EffectTest
{
protected:
    EffectWithoutClipControlTest() : EffectTest(false) {}
};

TEST_F(EffectWithoutClipControlTest, EffectDepthMatchesThePlainDrawInTheShader)
{
    ASSERT_FALSE(renderer.Caps().clipControl);
    CheckEffectDepth(renderer, [this] { return Pixel(32, 32); });
}

// Every "photo" is white, 800 x 600.
struct WhiteLoader : FTextureLoader
{
    std::shared_ptr<FGpuTexture> CreateTextureFromFile(const FString&, int, int32_t& width, int32_t& height,
                                                       FString*) override
    {
        width = 800;
        height = 600;
        return std::shared_ptr<FGpuTexture>(SolidTexture(255, 255, 255));
    }
};

// The book's effect: chosen, dropped, re-created by a device reset, and timed
// per photo in a movie.
class BookEffectTest : public BookScene<WhiteLoader>
{
protected:
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 120;

    BookEffectTest() : BookScene(kWidth, kHeight) {}

    void SetUp() override
    {
        BookScene::SetUp();
        app.photoCount = 2;
        app.photoPaths[0] = FString(u"a");
        app.photoPaths[1] = FString(u"b");
    }

    FResult Reset()
    {
        const FResult result = BookScene::Reset();
        app.StreamPhotoTextures(true);
        return result;
    }

    // How many pixels of the frame show this colour.
    int CountColour(int r, int g, int b, uint32_t now = 0) { return Count(Frame(now), r, g, b); }

    static int Count(const FRenderTargetCopy& copy, int r, int g, int b)
    {
        int count = 0;
        for (int y = 0; y < copy.height; ++y)
            for (int x = 0; x < copy.width; ++x) {
                const uint8_t* p = copy.Row(y) + x * 4;
                count += std::abs(p[2] - r) <= 1 && std::abs(p[1] - g) <= 1 && std::abs(p[0] - b) <= 1 ? 1 : 0;
            }
        return count;
    }
};

TEST_F(BookEffectTest, ChosenEffectPaintsThePhotosAndSurvivesADeviceReset)
{
    ASSERT_EQ(Reset(), kOk);
    const FRenderTargetCopy plain = Frame();
    EXPECT_EQ(Count(plain, 51, 102, 153), 0);

    const FString path = DataEffect("constant.fx");
    EXPECT_TRUE(SelectEffect(path).IsEmpty());
    EXPECT_EQ(app.effectPath, path);
    EXPECT_EQ(app.settings->EffectPath, path);
    // Only photo pixels change, and every one of them to the effect's colour.
    const FRenderTargetCopy painted = Frame();
    int changed = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* a = plain.Row(y) + x * 4;
            const uint8_t* b = painted.Row(y) + x * 4;
            if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2])
                continue;
            ++changed;
            ASSERT_EQ(a[0] + a[1] + a[2], 3 * 255) << x << "," << y; // was the white photo
            ASSERT_EQ(b[2], 51) << x << "," << y;
            ASSERT_EQ(b[0], 153) << x << "," << y;
        }
    EXPECT_GT(changed, 100);
    EXPECT_EQ(Count(painted, 51, 102, 153), changed);

    DeviceLost();
    EXPECT_EQ(book.Effect(), nullptr);
    ASSERT_EQ(Reset(), kOk);
    ASSERT_NE(book.Effect(), nullptr);
    EXPECT_EQ(CountColour(51, 102, 153), changed);

    // "Reset All Settings" forgets the path: the photos are plain again.
    app.effectPath = FString();
    EXPECT_EQ(CountColour(51, 102, 153), 0);
    EXPECT_EQ(book.Effect(), nullptr);
}

TEST_F(BookEffectTest, BrokenEffectIsReportedDroppedAndForgotten)
{
    ASSERT_EQ(Reset(), kOk);
    ASSERT_TRUE(SelectEffect(DataEffect("constant.fx")).IsEmpty());
    const std::string error = SelectEffect(DataEffect("syntax_error.fx")).ToUtf8();
    EXPECT_EQ(error.rfind("Error loading Effect \"syntax_error.fx\"\n\n", 0), 0u) << error;
    EXPECT_EQ(book.Effect(), nullptr);
    EXPECT_TRUE(app.effectPath.IsEmpty());
    EXPECT_TRUE(app.settings->EffectPath.IsEmpty());
    EXPECT_GT(CountColour(255, 255, 255), 100);
}

TEST_F(BookEffectTest, ResetWithAFileThatNoLongerCompilesDrawsPlainly)
{
    const std::string file = dir.file("changing.fx");
    std::filesystem::copy_file(PHOTOBOOK_TEST_DATA "/effects/constant.fx", file);
    app.effectPath = FString::FromUtf8(file);
    ASSERT_EQ(Reset(), kOk);
    EXPECT_GT(CountColour(51, 102, 153), 100);
    DeviceLost();
    std::filesystem::remove(file);
    std::filesystem::copy_file(PHOTOBOOK_TEST_DATA "/effects/syntax_error.fx", file);
    ASSERT_EQ(Reset(), kOk);
    EXPECT_EQ(book.Effect(), nullptr);
    EXPECT_EQ(app.effectPath.ToUtf8(), file); // no message, nothing forgotten
    EXPECT_GT(CountColour(255, 255, 255), 100);
}

TEST_F(BookEffectTest, InAMovieEachPhotosTimeStartsWhenTheCameraArrives)
{
    // Red = the photo's effect time in tenths of 10 s.
    WriteBytes(dir.file("time.fx"), ProbeEffect("uniform float Time;", "vec4(Time / 10.0, 0.0, 1.0, 1.0)"));
    app.effectPath = dir.fileF("time.fx");
    ASSERT_EQ(Reset(), kOk);
    ASSERT_NE(book.Effect(), nullptr);
    ASSERT_TRUE(book.Renderer().CreateRenderTarget(kWidth, kHeight));
    app.exporting = 1;
    app.effectTime = 8; // photo 0 arrived at 6 s, photo 1 comes at 15 s
    Render();
    EXPECT_FLOAT_EQ(app.effectTime, 8);
    ASSERT_TRUE(book.Renderer().CopyRenderTarget());
    const FRenderTargetCopy* copy = book.Renderer().GetRenderTargetCopy();
    ASSERT_NE(copy, nullptr);
    EXPECT_GT(Count(*copy, 51, 0, 255), 100); // photo 0 at 2 s
    EXPECT_GT(Count(*copy, 0, 0, 255), 100);  // photo 1 not started
    app.exporting = 0;

    // On screen the clock drives every photo alike.
    EXPECT_GT(CountColour(128, 0, 255, 5000), 200);
}

} // namespace
