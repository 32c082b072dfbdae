#include "AppTestSupport.h"

#include <gtest/gtest.h>

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
    TestApp t;
    t.SetPhotos(20);
    t.app.settings->RenderTransparentPage = false;
    uint32_t now = 1000;
    t.app.lastFrameTime = now;
    t.app.NextPage(now);
    // 3 s at 10 ms per frame; float steps may need one frame more to pass the end.
    const int frames = RunTurn(t.app, now, 10);
    EXPECT_GE(frames, 300);
    EXPECT_LE(frames, 301);
    EXPECT_EQ(t.app.pageIndex, 2);
    EXPECT_EQ(t.app.turnPosition, TurnEnd);

    t.app.NextPage(now);
    now += 500; // a stall counts as 100 ms
    t.app.FrameMove(now);
    EXPECT_NEAR(t.app.turnPosition, TurnEnd * 100 / 3000, 1e-6);
    const float before = t.app.turnPosition;
    now -= 50; // a clock running backwards counts as 1 ms
    t.app.FrameMove(now);
    EXPECT_NEAR(t.app.turnPosition - before, TurnEnd * 1 / 3000, 1e-6);

    const float afterBackwards = t.app.turnPosition;
    t.app.settings->TimePage = 0; // behaves as 1 s
    now += 100;
    t.app.FrameMove(now);
    EXPECT_NEAR(t.app.turnPosition - afterBackwards, TurnEnd * 100 / 1000, 1e-5);
    const float afterFast = t.app.turnPosition;
    t.app.settings->TimePage = 50; // behaves as 20 s
    now += 100;
    t.app.FrameMove(now);
    EXPECT_NEAR(t.app.turnPosition - afterFast, TurnEnd * 100 / 20000, 1e-6);
}

TEST(Navigation, TransparentPageSequenceAfterStart)
{
    TestApp t;
    t.SetPhotos(20);
    uint32_t now = 0;
    ASSERT_TRUE(t.app.settings->RenderTransparentPage);
    EXPECT_EQ(t.app.transparentPosition, TurnEnd); // over the left page at start

    t.app.NextPage(now); // first Next turns the sheet
    EXPECT_EQ(t.app.turnState, 1);
    EXPECT_EQ(t.app.transparentTurnState, 0);
    // The frame render lays the next spread's transparent page over its right page.
    t.app.transparentPosition = 0;
    RunTurn(t.app, now, 10);
    EXPECT_EQ(t.app.pageIndex, 2);

    t.app.NextPage(now); // second turns only the transparent page
    EXPECT_EQ(t.app.transparentTurnState, 1);
    EXPECT_EQ(t.app.turnState, 0);
    RunTurn(t.app, now, 10);
    EXPECT_EQ(t.app.transparentPosition, TurnEnd);

    t.app.NextPage(now); // third turns the next sheet
    EXPECT_EQ(t.app.turnState, 1);
}

TEST(Navigation, QuickPressesCompleteTheRunningTurnFirst)
{
    TestApp t;
    t.SetPhotos(20);
    t.app.settings->RenderTransparentPage = false;
    t.app.NextPage(0);
    t.app.NextPage(0);
    EXPECT_EQ(t.app.pageIndex, 2); // the first turn finished at once
    EXPECT_EQ(t.app.turnState, 1); // and the next one started
    t.app.PreviousPage(0);
    EXPECT_EQ(t.app.pageIndex, 4);
    EXPECT_EQ(t.app.turnState, -1);
    t.app.FinishTurn();
    EXPECT_EQ(t.app.pageIndex, 2);
    EXPECT_EQ(t.app.turnPosition, 0);
}

TEST(Navigation, EndsOfTheBook)
{
    TestApp t;
    t.SetPhotos(5);
    t.app.settings->RenderTransparentPage = false;
    EXPECT_EQ(t.app.LastPageIndex(), 2);
    t.app.PreviousPage(0);
    EXPECT_EQ(t.app.turnState, 0);
    t.app.GoToLastPage();
    EXPECT_EQ(t.app.pageIndex, 2);
    t.app.NextPage(0);
    EXPECT_EQ(t.app.turnState, 0);

    t.SetPhotos(0);
    EXPECT_EQ(t.app.LastPageIndex(), 0);

    // GoToLastPage leaves a running transparent turn running on the new spread.
    TestApp u;
    u.SetPhotos(30);
    u.app.transparentPosition = 0;
    u.app.NextPage(0);
    ASSERT_EQ(u.app.transparentTurnState, 1);
    u.app.GoToLastPage();
    EXPECT_EQ(u.app.pageIndex, u.app.LastPageIndex());
    EXPECT_EQ(u.app.transparentTurnState, 1);
}

TEST(Navigation, TurningFromAPhotoViewSendsTheCameraBack)
{
    TestApp t;
    t.SetPhotos(20);
    t.app.settings->RenderTransparentPage = false;
    t.app.camera->SetPreset(5, true, 0);
    t.app.NextPage(100);
    EXPECT_TRUE(t.app.camera->InTransition());
    EXPECT_EQ(t.app.camera->presetIndex, 0u);

    t.app.FinishTurn();
    t.app.camera->SetPreset(2, true, 0);
    t.app.NextPage(200);
    EXPECT_FALSE(t.app.camera->InTransition());
    EXPECT_EQ(t.app.camera->presetIndex, 2u);
}

TEST(PhotoTextures, StreamingFillsTheWindowOnePhotoPerCallNearestFirst)
{
    TestApp t;
    t.SetPhotos(3);
    EXPECT_TRUE(t.app.ArePhotoTexturesPending());
    for (int i = 0; i < 10; ++i)
        t.app.StreamPhotoTextures(false);
    // pageIndex 0: the right page (photos 0, 1) first, then the next spread (2).
    EXPECT_EQ(t.loader.loads, (std::vector<std::string>{"/p/0.jpg", "/p/1.jpg", "/p/2.jpg"}));
    EXPECT_FALSE(t.app.ArePhotoTexturesPending());
    EXPECT_EQ(t.app.photoTextures[6].Tag, 0);
    EXPECT_EQ(t.app.photoTextures[6].Width, 800);
    EXPECT_EQ(t.app.photoTextures[9].Tag, -1); // index 3 is outside the list
    for (int slot = 0; slot < 6; ++slot)
        EXPECT_FALSE(t.app.photoTextures[slot].HasTexture()) << slot;
}

TEST(PhotoTextures, ABrokenPhotoStaysPendingWithoutBlockingTheOthers)
{
    TestApp t;
    t.SetPhotos(2);
    t.loader.broken["/p/0.jpg"] = true;
    t.app.StreamPhotoTextures(false);
    EXPECT_EQ(t.loader.loads, (std::vector<std::string>{"/p/0.jpg", "/p/1.jpg"}));
    EXPECT_TRUE(t.app.ArePhotoTexturesPending());
    EXPECT_EQ(U8(t.app.photoTextures[6].Path), "/p/0.jpg"); // path and tag kept
    EXPECT_EQ(t.app.photoTextures[6].Tag, 0);
    t.app.StreamPhotoTextures(true);
    EXPECT_EQ(t.loader.loads.size(), 3u); // tried again at every pass
}

TEST(PhotoTextures, PageTurnsShiftTheWindowSharingTextures)
{
    TestApp t;
    t.SetPhotos(20);
    t.app.settings->RenderTransparentPage = false;
    t.app.StreamPhotoTextures(true);
    auto shared = t.app.photoTextures[8].Texture; // photo 2 on the next spread
    ASSERT_NE(shared, nullptr);
    t.app.NextPage(0);
    // During the turn the pairs already match the spread the turn ends on.
    EXPECT_EQ(t.app.photoTextures[4].Texture, shared);
    EXPECT_EQ(t.app.photoTextures[4].Tag, 2);
    EXPECT_FALSE(t.app.photoTextures[8].HasTexture());
    t.app.FinishTurn();
    for (int slot = 0; slot < kPhotoSlotCount; ++slot) {
        const auto& record = t.app.photoTextures[slot];
        EXPECT_TRUE(record.Tag == -1 || record.Tag == t.app.SlotPhotoIndex(slot)) << slot;
    }
    t.app.PreviousPage(0);
    EXPECT_EQ(t.app.photoTextures[8].Texture, shared);
    t.app.GoToFirstPage(0);
    for (const auto& record : t.app.photoTextures)
        EXPECT_FALSE(record.HasTexture());
}

TEST(PhotoTextures, FrameMoveStreamsOnlyWhenNothingMoves)
{
    TestApp t;
    t.SetPhotos(8);
    t.app.FrameMove(10);
    EXPECT_TRUE(t.loader.loads.empty()); // nothing drawn yet
    t.app.framesRendered = 1;
    t.app.camera->SetPreset(3, false, 10);
    t.app.FrameMove(20);
    EXPECT_TRUE(t.loader.loads.empty()); // the camera is moving
    t.app.camera->SetPreset(3, true, 20);
    t.app.FrameMove(30);
    EXPECT_EQ(t.loader.loads.size(), 1u);
}

} // namespace
