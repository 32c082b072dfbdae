// Whole frames of the book, read back: which pages and photos appear where, for
// resting and turning books, with shadows and effects.

#include "BookScene.h"

#include <filesystem>

namespace {

class BookFrameTest : public BookScene
{
protected:
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
    static Box Find(const FRenderTargetCopy& copy, int r, int g, int b) { return FindColour(copy, {r, g, b}, 7); }
};

constexpr FRgb kWhite{255, 255, 255};
constexpr FRgb kConstant{51, 102, 153}; // what constant.fx paints

TEST_F(BookFrameTest, OpenBookShowsTheRightPagesPhotosTopThenBottom)
{
    SetPhotos(3);
    const FRenderTargetCopy copy = Frame();
    EXPECT_RGB_NEAR(At(copy, 2, 2), 102, 102, 102, 0); // behind the book, exactly the background
    const Box first = Find(copy, 255, 0, 0);
    const Box second = Find(copy, 0, 255, 0);
    ASSERT_GT(std::min(first.count, second.count), 100);
    // The first spread: photos 0 and 1 on the right page, photo 0 above photo 1.
    EXPECT_GT(std::min(first.left, second.left), kWidth / 2);
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
    const auto mirrored = layout(4);           // mirrored horizontally
    EXPECT_GT(mirrored[1].CentreX(), mirrored[2].CentreX());
    // A quarter turn stands the 4:3 photo up: its top row now runs down one side.
    auto [tBlue, tRed, tGreen] = layout(1);
    EXPECT_LT(tRed.Width() + tGreen.Width(), red.Width() + green.Width());
    EXPECT_GT(tBlue.Height(), tBlue.Width());
}

TEST_F(BookFrameTest, ForwardTurnKeepsTheOldLeftPageOnTheLeft)
{
    SetPhotos(8);
    app.pageIndex = 2; // second spread: photos 2, 3 left; 4, 5 right
    app.StreamPhotoTextures(true);
    app.NextPage(0);
    ASSERT_EQ(app.turnState, 1);
    app.turnPosition = 0.05f; // the sheet has barely lifted
    const FRenderTargetCopy copy = Frame();
    const Box blue = Find(copy, 0, 0, 255);     // photo 2, records 0 and 1 now
    const Box yellow = Find(copy, 255, 255, 0); // photo 3
    ASSERT_GT(std::min(blue.count, yellow.count), 50);
    EXPECT_LT(std::max(blue.right, yellow.right), kWidth / 2);
}

TEST_F(BookFrameTest, ShadowsDarkenTo207Of255)
{
    SetPhotos(2);
    const FRenderTargetCopy lit = Frame();
    app.settings->RenderShadows = true;
    const FRenderTargetCopy shadowed = Frame();
    int darkened = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const FRgb a = At(lit, x, y), b = At(shadowed, x, y);
            if (a != b) {
                ++darkened;
                ASSERT_NEAR(b.red, a.red * 207 / 255, 2) << x << "," << y;
            }
        }
    EXPECT_GT(darkened, 100);
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
    // Supersampled, its first row the background above the book; the screen shows it scaled down.
    EXPECT_GT(copy->width, kWidth);
    EXPECT_RGB_NEAR(At(*copy, 1, 0), 102, 102, 102, 0);
    FRenderTargetCopy screen;
    ASSERT_TRUE(screenBuffer->ReadBgrx(screen));
    EXPECT_GT(Find(screen, 255, 0, 0).count, 50);
}

// The book's effect: chosen, re-created by a device reset, drawn plainly when the
// file no longer compiles at a reset (quietly, the path kept), forgotten when
// chosen broken.
TEST_F(BookFrameTest, ChosenEffectPaintsOnlyThePhotosAndOutlivesADeviceReset)
{
    SetPhotos(2, "#ffffff");
    const FRenderTargetCopy plain = Frame();
    const std::string file = dir.file("changing.fx");
    std::filesystem::copy_file(PHOTOBOOK_TEST_DATA "/effects/constant.fx", file);
    EXPECT_TRUE(SelectEffect(FString::FromUtf8(file)).IsEmpty());
    const FRenderTargetCopy painted = Frame();
    const int changed = Count(painted, kConstant, 1);
    EXPECT_GT(changed, 100);
    EXPECT_EQ(Count(plain, kWhite, 1) - Count(painted, kWhite, 1), changed); // each one a photo pixel
    ResetDevice();
    EXPECT_EQ(Count(Frame(), kConstant, 1), changed); // meshes, photos and effect all back

    std::filesystem::remove(file);
    std::filesystem::copy_file(PHOTOBOOK_TEST_DATA "/effects/syntax_error.fx", file);
    ResetDevice();
    EXPECT_EQ(app.effectPath.ToUtf8(), file);
    EXPECT_EQ(Count(Frame(), kWhite, 1), Count(plain, kWhite, 1));
    EXPECT_FALSE(SelectEffect(FString::FromUtf8(file)).IsEmpty());
    EXPECT_TRUE(app.settings->EffectPath.IsEmpty());
}

} // namespace
