#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Runs frames of `ms` milliseconds until nothing turns; returns the frame count.
int RunTurn(FPhotoBookApp& app, uint32_t& now, uint32_t ms)
{
    int frames = 0;
    while ((app.turnState != 0 || app.transparentTurnState != 0) && frames < 100000) {
        now += ms;
        app.FrameMove(now);
        ++frames;
    }
    return frames;
}

TEST(Navigation, TurnTimingFollowsTimePageAndClampsTheClock)
{
    TestApp t(20, false);
    uint32_t now = 1000;
    t.app.lastFrameTime = now;
    t.app.NextPage(now);
    // 3 s at 10 ms per frame; float steps may need one frame more to pass the end.
    const int frames = RunTurn(t.app, now, 10);
    EXPECT_TRUE(frames == 300 || frames == 301) << frames;
    EXPECT_EQ(t.app.pageIndex, 2);
    EXPECT_EQ(t.app.turnPosition, TurnEnd);

    t.app.NextPage(now);
    // clock step, TimePage -> share of the turn made: a stall counts as 100 ms, a
    // clock running backwards as 1 ms, TimePage 0 as 1 s and 50 as 20 s.
    const int steps[][3] = {{500, 3, 3000}, {-50, 3, 3000 * 100}, {100, 0, 1000}, {100, 50, 20000}};
    for (const auto& [step, timePage, whole] : steps) {
        const float before = t.app.turnPosition;
        t.app.settings->TimePage = timePage;
        now += static_cast<uint32_t>(step);
        t.app.FrameMove(now);
        EXPECT_NEAR(t.app.turnPosition - before, TurnEnd * 100 / static_cast<float>(whole), 1e-5) << step;
    }
}

TEST(Navigation, TransparentPageSequenceAfterStart)
{
    TestApp t(20);
    uint32_t now = 0;
    EXPECT_EQ(t.app.transparentPosition, TurnEnd); // over the left page at start
    // Next turns the sheet, then only the transparent page, then the next sheet.
    const std::pair<int, int> states[] = {{1, 0}, {0, 1}, {1, 0}};
    for (const auto& [sheet, transparent] : states) {
        t.app.NextPage(now);
        EXPECT_EQ(t.app.turnState, sheet);
        EXPECT_EQ(t.app.transparentTurnState, transparent);
        // The frame render lays the next spread's transparent page over its right page.
        if (sheet)
            t.app.transparentPosition = 0;
        RunTurn(t.app, now, 10);
        EXPECT_TRUE(!transparent || t.app.transparentPosition == TurnEnd);
    }
    EXPECT_EQ(t.app.pageIndex, 4);
}

TEST(Navigation, QuickPressesEndsAndPhotoViews)
{
    TestApp t(20, false);
    t.app.NextPage(0);
    t.app.NextPage(0);
    EXPECT_EQ(t.app.pageIndex, 2); // the first turn finished at once
    EXPECT_EQ(t.app.turnState, 1); // and the next one started
    t.app.PreviousPage(0);
    EXPECT_EQ(t.app.pageIndex, 4);
    EXPECT_EQ(t.app.turnState, -1);
    t.app.FinishTurn();
    EXPECT_EQ(t.app.pageIndex, 2);

    TestApp e(5, false);
    EXPECT_EQ(e.app.LastPageIndex(), 2);
    e.app.PreviousPage(0);
    EXPECT_EQ(e.app.turnState, 0);
    e.app.GoToLastPage();
    EXPECT_EQ(e.app.pageIndex, 2);
    e.app.NextPage(0);
    EXPECT_EQ(e.app.turnState, 0);
    e.SetPhotos(0);
    EXPECT_EQ(e.app.LastPageIndex(), 0);

    // GoToLastPage leaves a running transparent turn running on the new spread.
    TestApp u(30);
    u.app.transparentPosition = 0;
    u.app.NextPage(0);
    ASSERT_EQ(u.app.transparentTurnState, 1);
    u.app.GoToLastPage();
    EXPECT_EQ(u.app.pageIndex, u.app.LastPageIndex());
    EXPECT_EQ(u.app.transparentTurnState, 1);

    // Turning from a photo view sends the camera back to the book; from another
    // preset it stays.
    t.app.camera->SetPreset(5, true, 0);
    t.app.NextPage(100);
    EXPECT_TRUE(t.app.camera->InTransition());
    EXPECT_EQ(t.app.camera->presetIndex, 0u);
    t.app.FinishTurn();
    t.app.camera->SetPreset(2, true, 0);
    t.app.NextPage(200);
    EXPECT_EQ(t.app.camera->presetIndex, 2u);
}

// Nearest first, one photo per call, through a loader that decodes on this thread
// (broken photos and the decode pool are in PhotoPoolStreamingTest); frames stream
// only once one was drawn and while nothing moves.
TEST(PhotoTextures, StreamingFillsTheWindowNearestFirstWhileNothingMoves)
{
    TestApp t(3);
    for (int i = 0; i < 10; ++i)
        t.app.StreamPhotoTextures(false);
    // pageIndex 0: the right page (photos 0, 1) first, then the next spread (2).
    EXPECT_EQ(t.loader.loads, (std::vector<std::string>{"/p/0.jpg", "/p/1.jpg", "/p/2.jpg"}));
    EXPECT_FALSE(t.app.ArePhotoTexturesPending());
    EXPECT_EQ(t.app.photoTextures[6].Width, 800);
    EXPECT_EQ(t.app.photoTextures[9].Tag, -1); // index 3 is outside the list

    TestApp f(8);
    f.app.FrameMove(10);
    f.app.framesRendered = 1;
    f.app.camera->SetPreset(3, false, 10);
    f.app.FrameMove(20);
    EXPECT_TRUE(f.loader.loads.empty());
    f.app.camera->SetPreset(3, true, 20);
    f.app.FrameMove(30);
    EXPECT_EQ(f.loader.loads.size(), 1u);
}

// During a turn the pairs already match the spread the turn ends on, sharing the
// textures already loaded.
TEST(PhotoTextures, PageTurnsShiftTheWindowSharingTextures)
{
    TestApp t(20, false);
    t.app.StreamPhotoTextures(true);
    auto shared = t.app.photoTextures[8].Texture; // photo 2 on the next spread
    ASSERT_NE(shared, nullptr);
    t.app.NextPage(0);
    EXPECT_EQ(t.app.photoTextures[4].Texture, shared);
    EXPECT_EQ(t.app.photoTextures[4].Tag, 2);
    EXPECT_FALSE(t.app.photoTextures[8].HasTexture());
    t.app.FinishTurn();
    for (int slot = 0; slot < kPhotoSlotCount; ++slot)
        EXPECT_TRUE(t.app.photoTextures[slot].Tag == -1 || t.app.photoTextures[slot].Tag == t.app.SlotPhotoIndex(slot));
    t.app.PreviousPage(0);
    EXPECT_EQ(t.app.photoTextures[8].Texture, shared);
    t.app.GoToFirstPage(0);
    for (const auto& record : t.app.photoTextures)
        EXPECT_FALSE(record.HasTexture());
}

// At rest nothing asks for frames; a turn, a camera move and photos still on their
// way do. A turn started after a long rest starts where the key was pressed.
TEST(Navigation, FramesAreWantedOnlyWhileSomethingMovesAndATurnStartsFromTheKey)
{
    TestApp t;
    t.SetPhotos(20);
    t.app.settings->RenderTransparentPage = false;
    t.app.FrameMove(0);
    EXPECT_TRUE(t.app.WantsFrames()) << "the first frame's photos come with the next";
    t.app.framesRendered = 1;
    for (uint32_t now = 10; t.app.ArePhotoTexturesPending(); now += 10)
        t.app.FrameMove(now);
    t.app.FrameMove(1000);
    EXPECT_FALSE(t.app.WantsFrames());

    t.app.NextPage(60000); // a minute of rest since the last frame
    EXPECT_TRUE(t.app.WantsFrames());
    t.app.FrameMove(60010);
    EXPECT_NEAR(t.app.turnPosition, TurnEnd * 10 / 3000, 1e-6);
    uint32_t now = 60010;
    RunTurn(t.app, now, 10);
    t.app.FrameMove(now += 10); // the new spread's photos
    while (t.app.WantsFrames())
        t.app.FrameMove(now += 10);
    EXPECT_FALSE(t.app.ArePhotoTexturesPending());

    t.app.SetCameraPreset(2, now);
    EXPECT_TRUE(t.app.WantsFrames());
    t.app.camera->UpdateTransition(now + 100000, 1);
    EXPECT_FALSE(t.app.WantsFrames());
}

// A photo handed over opens its folder at the spread that shows it, a folder at its
// first spread; anything else is refused with the reason and the book stays.
TEST(Navigation, OpenPathShowsThePhotosSpreadAndRefusesWhatHoldsNoPhotos)
{
    TestApp t;
    const std::string folder = t.dir.file("Holiday");
    std::filesystem::create_directories(folder + "/empty");
    for (int i = 0; i < 9; ++i)
        WriteBytes(folder + "/" + std::to_string(i) + ".jpg", "x");
    WriteBytes(folder + "/notes.txt", "x");

    const std::pair<std::string, int32_t> opened[] = {
        {folder + "/", 0}, {folder + "/6.jpg", 4}, {folder + "/1.jpg", 0},
        {folder + "/2.jpg", 2}, {folder + "/empty/../8.jpg", 4},
    };
    for (const auto& [path, pageIndex] : opened) {
        t.app.pageIndex = 8;
        EXPECT_EQ(U8(t.app.OpenPath(FString::FromUtf8(path), 0)), "") << path;
        EXPECT_EQ(t.app.photoCount, 9) << path;
        EXPECT_EQ(t.app.pageIndex, pageIndex) << path;
        EXPECT_EQ(U8(t.app.settings->GetRecentPath(0)), folder + "/0.jpg") << "the folder's entry";
    }

    const struct
    {
        std::string path, reason;
    } refused[] = {
        {folder + "/missing.jpg", "\"" + folder + "/missing.jpg\" does not exist."},
        {folder + "/notes.txt", "\"" + folder + "/notes.txt\" is not a photo the book can show."},
        {folder + "/empty", "The folder \"" + folder + "/empty\" holds no photos the book can show."},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(U8(t.app.OpenPath(FString::FromUtf8(r.path), 0)), r.reason);
        EXPECT_EQ(t.app.photoCount, 9);
        EXPECT_EQ(t.app.pageIndex, 4);
        EXPECT_EQ(U8(t.app.settings->GetRecentPath(1)), t.dir.path() + "/media/photos/quillo1.jpg");
    }
}

} // namespace
