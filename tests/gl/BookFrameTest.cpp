// Whole frames of the book, read back: which pages and photos appear where, for
// resting and turning books, with shadows, the transparent sheet and effects.

#include "BookScene.h"
#include "render/gl/FEffect.h"
#include "render/gl/FGlTexture.h"

#include <filesystem>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// "Photos" named by colour: "#rrggbb"; every one reports the size it is given.
struct SolidColourLoader : FTextureLoader
{
    int32_t photoWidth = 800;
    int32_t photoHeight = 600;

    std::shared_ptr<FGpuTexture> CreateTextureFromFile(const FString& path, int, int32_t& width, int32_t& height,
                                                       FString*) override
    {
        const std::string name = path.ToUtf8();
        if (name == "split") {
            // Left half red, right half green, over a top row that is blue: which
            // way round a photo lies shows.
            const uint8_t pixels[] = {0, 0, 255, 255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0, 255};
            width = photoWidth;
            height = photoHeight;
            return std::shared_ptr<FGpuTexture>(FGlTexture::Create(2, 2, pixels, false));
        }
        if (name.size() != 7 || name[0] != '#')
            return nullptr;
        const uint32_t rgb = static_cast<uint32_t>(std::stoul(name.substr(1), nullptr, 16));
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 16; ++i)
            pixels.insert(pixels.end(), {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                         static_cast<uint8_t>(rgb), 255});
        width = photoWidth;
        height = photoHeight;
        return std::shared_ptr<FGpuTexture>(FGlTexture::Create(4, 4, pixels.data(), false));
    }
};

struct Box
{
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
    int count = 0;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
    int CentreX() const { return (left + right) / 2; }
    int CentreY() const { return (top + bottom) / 2; }
};

class BookFrameTest : public BookScene<SolidColourLoader>
{
protected:
    BookFrameTest() : BookScene(kWidth, kHeight) {}

    void SetUp() override
    {
        BookScene::SetUp();
        // The default decoration pictures do not exist in the scratch folder: plain colours.
        ASSERT_EQ(Reset(), kOk);
    }

    // Photos coloured red, green, blue, yellow, magenta, cyan, ... or all one colour.
    void SetPhotos(int count, const char* colour = nullptr)
    {
        static const char* const kColours[] = {"#ff0000", "#00ff00", "#0000ff", "#ffff00",
                                               "#ff00ff", "#00ffff", "#ff8000", "#8000ff"};
        app.photoCount = count;
        for (int i = 0; i < count; ++i)
            app.photoPaths[static_cast<size_t>(i)] = FString(colour ? colour : kColours[i % 8], 0);
        app.StreamPhotoTextures(true);
    }

    // Where a photo's pure colour shows (lighting off: photos are unlit by default).
    static Box Find(const FRenderTargetCopy& copy, int r, int g, int b)
    {
        Box box;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const FRgb c = At(copy, x, y);
                if (std::abs(c.red - r) < 8 && std::abs(c.green - g) < 8 && std::abs(c.blue - b) < 8) {
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x);
                    box.top = std::min(box.top, y);
                    box.bottom = std::max(box.bottom, y);
                    ++box.count;
                }
            }
        return box;
    }

    FResult ResetAndStream()
    {
        const FResult result = Reset();
        app.StreamPhotoTextures(true);
        return result;
    }
};

FString DataEffect(const char* name)
{
    return FString::FromUtf8(std::string(PHOTOBOOK_TEST_DATA "/effects/") + name);
}

constexpr FRgb kWhite{255, 255, 255};
constexpr FRgb kConstant{51, 102, 153}; // what constant.fx paints

TEST_F(BookFrameTest, OpenBookShowsTheRightPagesPhotosTopThenBottom)
{
    SetPhotos(3);
    const FRenderTargetCopy copy = Frame();
    EXPECT_RGB_NEAR(At(copy, 2, 2), 102, 102, 102, 0); // behind the book, exactly the background
    const Box first = Find(copy, 255, 0, 0);
    const Box second = Find(copy, 0, 255, 0);
    ASSERT_GT(first.count, 100);
    ASSERT_GT(second.count, 100);
    // The first spread: photos 0 and 1 on the right page, photo 0 above photo 1.
    EXPECT_GT(first.left, kWidth / 2);
    EXPECT_GT(second.left, kWidth / 2);
    EXPECT_LT(first.CentreY(), second.CentreY());
    EXPECT_EQ(Find(copy, 0, 0, 255).count, 0); // photo 2 belongs to the next spread
}

TEST_F(BookFrameTest, PhotosAreUprightTurnAndMirrorWithTheirCode)
{
    app.photoCount = 1;
    app.photoPaths[0] = FString(u"split");
    app.StreamPhotoTextures(true);
    auto layout = [&](int32_t code) {
        app.photoRotation[0] = code;
        const FRenderTargetCopy copy = Frame();
        return std::array<Box, 3>{Find(copy, 0, 0, 255), Find(copy, 255, 0, 0), Find(copy, 0, 255, 0)};
    };
    auto [blue, red, green] = layout(0);
    ASSERT_GT(red.count, 20);
    EXPECT_LT(blue.CentreY(), red.CentreY());  // the picture's top row is at the top
    EXPECT_LT(red.CentreX(), green.CentreX()); // and its left half on the left
    auto [mBlue, mRed, mGreen] = layout(4);    // mirrored horizontally
    EXPECT_GT(mRed.CentreX(), mGreen.CentreX());
    EXPECT_LT(mBlue.CentreY(), mRed.CentreY());
    // A quarter turn stands the 4:3 photo up: its top row now runs down one side.
    auto [tBlue, tRed, tGreen] = layout(1);
    EXPECT_LT(tRed.Width() + tGreen.Width(), red.Width() + green.Width());
    EXPECT_GT(tBlue.Height(), tBlue.Width());
}

TEST_F(BookFrameTest, ForwardTurnKeepsTheOldLeftPageOnTheLeft)
{
    SetPhotos(8);
    app.pageIndex = 2; // second spread: photos 2, 3 left; 4, 5 right
    for (FTexture& slot : app.photoTextures)
        slot.Clear();
    app.StreamPhotoTextures(true);
    app.NextPage(0);
    ASSERT_EQ(app.turnState, 1);
    app.turnPosition = 0.05f; // the sheet has barely lifted
    const FRenderTargetCopy copy = Frame();
    const Box blue = Find(copy, 0, 0, 255);     // photo 2, records 0 and 1 now
    const Box yellow = Find(copy, 255, 255, 0); // photo 3
    ASSERT_GT(blue.count, 50);
    ASSERT_GT(yellow.count, 50);
    EXPECT_LT(blue.right, kWidth / 2);
    EXPECT_LT(yellow.right, kWidth / 2);
}

TEST_F(BookFrameTest, ShadowsDarkenTo207Of255)
{
    SetPhotos(2);
    app.turnState = 0;
    const FRenderTargetCopy lit = Frame();
    app.settings->RenderShadows = true;
    const FRenderTargetCopy shadowed = Frame();
    int darkened = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const FRgb a = At(lit, x, y), b = At(shadowed, x, y);
            if (!Same(a, b)) {
                ++darkened;
                ASSERT_NEAR(b.red, a.red * 207 / 255, 2) << x << "," << y;
            }
        }
    EXPECT_GT(darkened, 100);
}

TEST_F(BookFrameTest, TransparentSheetBlendsOverThePaper)
{
    const FRenderTargetCopy plain = Frame();
    app.settings->RenderTransparentPage = true;
    app.transparentPosition = TurnEnd; // over the left page
    const FRenderTargetCopy covered = Frame();
    // A point well inside the left page.
    const int x = kWidth / 4, y = kHeight / 2;
    const FRgb under = At(plain, x, y);
    const FRgb over = At(covered, x, y);
    EXPECT_NEAR(over.red, 191 + under.red * 64 / 255, 3);
    EXPECT_NEAR(over.blue, 191 + under.blue * 64 / 255, 3);
}

TEST_F(BookFrameTest, ExportFramesGoThroughTheRenderTargetTopRowFirst)
{
    SetPhotos(2);
    ASSERT_TRUE(book.Renderer().CreateRenderTarget(kWidth, kHeight));
    app.exporting = 1;
    Render();
    ASSERT_TRUE(book.Renderer().CopyRenderTarget());
    const FRenderTargetCopy* copy = book.Renderer().GetRenderTargetCopy();
    ASSERT_NE(copy, nullptr);
    // Supersampled: the copy is larger than the frame, and its first row is the top
    // of the scene (background above the book).
    EXPECT_GT(copy->width, kWidth);
    EXPECT_RGB_NEAR(At(*copy, 1, 0), 102, 102, 102, 0);
    // The screen shows the same picture, scaled down.
    FRenderTargetCopy screen;
    ASSERT_TRUE(screenBuffer->ReadBgrx(screen));
    EXPECT_GT(Find(screen, 255, 0, 0).count, 50);
}

// The book's effect: chosen, re-created by a device reset, dropped when broken,
// forgotten with the settings.
TEST_F(BookFrameTest, ChosenEffectPaintsOnlyThePhotosAndOutlivesADeviceReset)
{
    SetPhotos(2, "#ffffff");
    const FRenderTargetCopy plain = Frame();
    const FString path = DataEffect("constant.fx");
    EXPECT_TRUE(SelectEffect(path).IsEmpty());
    EXPECT_EQ(app.settings->EffectPath, path);
    const FRenderTargetCopy painted = Frame();
    const int changed = Count(painted, kConstant, 1);
    EXPECT_GT(changed, 100);
    // Every changed pixel was a white photo one.
    EXPECT_EQ(Count(plain, kWhite, 1) - Count(painted, kWhite, 1), changed);

    DeviceLost();
    EXPECT_EQ(book.Effect(), nullptr);
    ASSERT_EQ(ResetAndStream(), kOk);
    EXPECT_EQ(Count(Frame(), kConstant, 1), changed); // meshes, photos and effect all back

    EXPECT_FALSE(SelectEffect(DataEffect("syntax_error.fx")).IsEmpty());
    EXPECT_EQ(book.Effect(), nullptr);
    EXPECT_TRUE(app.settings->EffectPath.IsEmpty());
    EXPECT_EQ(Count(Frame(), kConstant, 1), 0);
    // "Reset All Settings" forgets the path: the photos are plain again.
    ASSERT_TRUE(SelectEffect(path).IsEmpty());
    app.effectPath = FString();
    EXPECT_EQ(Count(Frame(), kConstant, 1), 0);
}

TEST_F(BookFrameTest, ResetWithAFileThatNoLongerCompilesDrawsPlainly)
{
    SetPhotos(2, "#ffffff");
    const std::string file = dir.file("changing.fx");
    std::filesystem::copy_file(PHOTOBOOK_TEST_DATA "/effects/constant.fx", file);
    app.effectPath = FString::FromUtf8(file);
    DeviceLost();
    ASSERT_EQ(ResetAndStream(), kOk);
    EXPECT_GT(Count(Frame(), kConstant, 1), 100);
    DeviceLost();
    std::filesystem::remove(file);
    std::filesystem::copy_file(PHOTOBOOK_TEST_DATA "/effects/syntax_error.fx", file);
    ASSERT_EQ(ResetAndStream(), kOk);
    EXPECT_EQ(book.Effect(), nullptr);
    EXPECT_EQ(app.effectPath.ToUtf8(), file); // no message, nothing forgotten
    EXPECT_GT(Count(Frame(), kWhite, 1), 100);
}

} // namespace
