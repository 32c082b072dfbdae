// The read-back through pixel buffers hands out exactly what the immediate copy
// reads, frame for frame and in order, and never a frame of a recreated target.

#include "GlTestSupport.h"

#include "gl/FGlMesh.h"

#include <deque>
#include <vector>

namespace {

class ReadBackTest : public GlTest
{
protected:
    // Frame i: its own background and a red band whose height grows with i, so a
    // swapped, flipped or repeated frame differs from the right one. Returns the
    // immediate copy.
    std::vector<uint8_t> DrawFrame(int i)
    {
        EXPECT_TRUE(renderer.BeginTarget(kRenderTarget));
        renderer.SetView(FMatrix::Identity());
        renderer.SetProjection(FMatrix::Identity());
        renderer.ClearTarget(0xFF000000u | static_cast<uint32_t>(i * 29 + 7) << 8 |
                             static_cast<uint32_t>(i * 53 % 256));
        FGridMesh band = MakeQuad(1, 0.5f, {0, 0, -1}, 0xFFFF0000u);
        FGlMesh mesh(&band);
        renderer.SetWorld(FMatrix::Translation(0, 2 - 0.15f * static_cast<float>(i + 1), 0));
        renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true);
        EXPECT_TRUE(renderer.EndTarget(kRenderTarget));
        EXPECT_TRUE(renderer.CopyRenderTarget());
        return renderer.GetRenderTargetCopy()->pixels;
    }

    void ExpectFrame(const FReadBack& got, const std::vector<uint8_t>& want, int frame)
    {
        ASSERT_EQ(got.status, FReadBackStatus::Ready) << "frame " << frame;
        EXPECT_TRUE(got.frame->pixels == want) << "frame " << frame << " differs from its immediate copy";
    }
};

} // namespace

// Frames taken as soon as the ring is full (waiting or polled) and the rest at
// the drain: byte for byte the immediate copy, in rendering order.
TEST_F(ReadBackTest, AsyncFramesEqualTheImmediateCopyInOrderThroughTheDrain)
{
    EXPECT_FALSE(renderer.StartRenderTargetReadBack());
    ASSERT_TRUE(renderer.CreateRenderTarget(24, 10));
    std::deque<std::vector<uint8_t>> expected;
    int taken = 0;
    for (int i = 0; i < 8; ++i) {
        expected.push_back(DrawFrame(i));
        if (renderer.RenderTarget()->ReadBacksInFlight() == FRenderTarget::kReadBackRing) {
            EXPECT_FALSE(renderer.StartRenderTargetReadBack()) << "a full ring overwrote a frame in flight";
            FReadBack got = renderer.TakeRenderTargetReadBack(i % 2 == 0);
            while (got.status == FReadBackStatus::Pending)
                got = renderer.TakeRenderTargetReadBack(false);
            ASSERT_NO_FATAL_FAILURE(ExpectFrame(got, expected.front(), taken++));
            expected.pop_front();
        }
        ASSERT_TRUE(renderer.StartRenderTargetReadBack());
    }
    for (FReadBack got; (got = renderer.TakeRenderTargetReadBack(true)).status != FReadBackStatus::Empty;) {
        ASSERT_FALSE(expected.empty()) << "more frames than were started";
        ASSERT_NO_FATAL_FAILURE(ExpectFrame(got, expected.front(), taken++));
        expected.pop_front();
    }
    EXPECT_EQ(taken, 8);
}

// Recreating the target, through the renderer or in place, drops the frames in
// flight: nothing of the old size or content comes out afterwards.
TEST_F(ReadBackTest, RecreatedTargetHandsOutNoStaleOrWrongSizeFrame)
{
    ASSERT_TRUE(renderer.CreateRenderTarget(24, 10));
    DrawFrame(0);
    ASSERT_TRUE(renderer.StartRenderTargetReadBack());
    ASSERT_TRUE(renderer.CreateRenderTarget(16, 12));
    EXPECT_EQ(renderer.TakeRenderTargetReadBack(true).status, FReadBackStatus::Empty);
    const std::vector<uint8_t> want = DrawFrame(5);
    ASSERT_TRUE(renderer.StartRenderTargetReadBack());
    ASSERT_NO_FATAL_FAILURE(ExpectFrame(renderer.TakeRenderTargetReadBack(true), want, 5));
}
