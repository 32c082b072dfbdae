// Whole frames of the book, read back: which photos appear where, resting and
// turning, and the chosen effect.

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
