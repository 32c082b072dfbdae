// The export's read-back through pixel-buffer objects must hand out exactly what
// the immediate copy reads, frame for frame and in order, and never a frame of a
// target that has since been recreated.

#include "GlTestSupport.h"

#include "render/gl/FGlMesh.h"

#include <epoxy/gl.h>

#include <deque>
#include <vector>

namespace {

class ReadBackTest : public GlTest
{
protected:
    // Frame i: its own background with a red band whose height grows with i, so a
    // swapped, flipped or repeated frame differs from the right one.
    void DrawFrame(int i)
    {
        ASSERT_TRUE(renderer.BeginTarget(kRenderTarget));
        renderer.SetWorld(FMatrix::Identity());
        renderer.SetView(FMatrix::Identity());
        renderer.SetProjection(FMatrix::Identity());
        renderer.ClearTarget(0xFF000000u | static_cast<uint32_t>(i * 29 + 7) << 8 |
                             static_cast<uint32_t>(i * 53 % 256));
        FGridMesh band = MakeQuad(1, 0.5f, {0, 0, -1}, 0xFFFF0000u);
        FGlMesh mesh(&band);
        renderer.SetWorld(FMatrix::Translation(0, 2 - 0.15f * static_cast<float>(i + 1), 0));
        renderer.DrawMesh(false, nullptr, false, {1, 1, 1, 1}, &mesh, FCull::None, true);
        ASSERT_TRUE(renderer.EndTarget(kRenderTarget));
    }

    std::vector<uint8_t> ImmediateCopy()
    {
        EXPECT_TRUE(renderer.CopyRenderTarget());
        return renderer.GetRenderTargetCopy()->pixels;
    }

    void ExpectFrame(const FReadBack& got, const std::vector<uint8_t>& want, int width, int height, int frame)
    {
        ASSERT_EQ(got.status, FReadBackStatus::Ready) << "frame " << frame;
        ASSERT_NE(got.frame, nullptr);
        EXPECT_EQ(got.frame->width, width);
        EXPECT_EQ(got.frame->height, height);
        EXPECT_EQ(got.frame->pitch, width * 4);
        EXPECT_TRUE(got.frame->pixels == want) << "frame " << frame << " differs from its immediate copy";
    }
};

} // namespace

// Frames taken as soon as the ring is full, polled without waiting, and the
// rest at the drain: all byte for byte the immediate copy, in rendering order.
TEST_F(ReadBackTest, AsyncFramesEqualTheImmediateCopyInOrderThroughTheDrain)
{
    EXPECT_FALSE(renderer.StartRenderTargetReadBack());
    EXPECT_EQ(renderer.TakeRenderTargetReadBack(true).status, FReadBackStatus::Empty);
    ASSERT_TRUE(renderer.CreateRenderTarget(24, 10));
    const int width = renderer.RenderTarget()->Width(), height = renderer.RenderTarget()->Height();

    std::deque<std::vector<uint8_t>> expected;
    int taken = 0;
    constexpr int kFrames = 8;
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_NO_FATAL_FAILURE(DrawFrame(i));
        expected.push_back(ImmediateCopy());
        if (renderer.RenderTarget()->ReadBacksInFlight() == FRenderTarget::kReadBackRing) {
            // A full ring refuses rather than overwrite a frame still in flight.
            EXPECT_FALSE(renderer.StartRenderTargetReadBack());
            FReadBack got = renderer.TakeRenderTargetReadBack(i % 2 == 0);
            while (got.status == FReadBackStatus::Pending)
                got = renderer.TakeRenderTargetReadBack(false);
            ASSERT_NO_FATAL_FAILURE(ExpectFrame(got, expected.front(), width, height, taken++));
            expected.pop_front();
        }
        ASSERT_TRUE(renderer.StartRenderTargetReadBack());
    }
    EXPECT_EQ(renderer.RenderTarget()->ReadBacksInFlight(), FRenderTarget::kReadBackRing);
    for (FReadBack got; (got = renderer.TakeRenderTargetReadBack(true)).status != FReadBackStatus::Empty;) {
        ASSERT_FALSE(expected.empty()) << "more frames than were started";
        ASSERT_NO_FATAL_FAILURE(ExpectFrame(got, expected.front(), width, height, taken++));
        expected.pop_front();
    }
    EXPECT_EQ(taken, kFrames);
}

// Recreating the target, through the renderer or in place, drops the frames in
// flight: nothing of the old size or the old content comes out afterwards.
TEST_F(ReadBackTest, RecreatedTargetHandsOutNoStaleOrWrongSizeFrame)
{
    ASSERT_TRUE(renderer.CreateRenderTarget(24, 10));
    for (int i = 0; i < 2; ++i) {
        ASSERT_NO_FATAL_FAILURE(DrawFrame(i));
        ASSERT_TRUE(renderer.StartRenderTargetReadBack());
    }
    ASSERT_TRUE(renderer.CreateRenderTarget(16, 12));
    EXPECT_EQ(renderer.TakeRenderTargetReadBack(true).status, FReadBackStatus::Empty);
    ASSERT_NO_FATAL_FAILURE(DrawFrame(5));
    const std::vector<uint8_t> want = ImmediateCopy();
    ASSERT_TRUE(renderer.StartRenderTargetReadBack());
    ASSERT_NO_FATAL_FAILURE(ExpectFrame(renderer.TakeRenderTargetReadBack(true), want, renderer.RenderTarget()->Width(),
                                        renderer.RenderTarget()->Height(), 5));

    FRenderTarget target(24, 10, true, renderer.RenderTargetLimits());
    ASSERT_TRUE(target.Begin());
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(target.StartReadBack());
    ASSERT_TRUE(target.Create(8, 6));
    EXPECT_EQ(target.TakeReadBack(true).status, FReadBackStatus::Empty);
    ASSERT_TRUE(target.Begin());
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(target.StartReadBack());
    const FReadBack got = target.TakeReadBack(true);
    ASSERT_EQ(got.status, FReadBackStatus::Ready);
    EXPECT_EQ(got.frame->width, target.Width());
    EXPECT_EQ(got.frame->pixels.size(), static_cast<size_t>(target.Width() * target.Height() * 4));
    EXPECT_EQ(At(*got.frame, target.Width() - 1, target.Height() - 1), (FRgb{0, 0, 255}));
    glBindFramebuffer(GL_FRAMEBUFFER, screenBuffer->Id());
}
