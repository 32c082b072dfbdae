// The frame description for every turn state, direction and transparent-sheet
// state: which page objects are drawn in which order, which photo slots lie on
// each face, who casts shadows and where the sheet ends up. Checked against a
// golden file written out by hand-readable lines, no GL needed.

#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

constexpr const char* kPageNames[] = {"left", "front", "back", "right", "sheet"};

std::string Position(float t)
{
    if (t == TurnEnd)
        return "end";
    std::ostringstream out;
    out << t;
    return out.str();
}

// One line per frame: "turn=… sheetTurn=… sheet=on|off |" then each draw as
// page@position/direction[slot,slot], the casters and the sheet's place after.
std::string Describe(const FFrame& frame)
{
    std::ostringstream out;
    for (const FFramePage& draw : frame.Pages()) {
        out << ' ' << kPageNames[draw.page] << '@' << Position(draw.position) << '/' << draw.direction;
        if (draw.photos[0].IsDrawn() || draw.photos[1].IsDrawn())
            out << '[' << draw.photos[0].index << ',' << draw.photos[1].index << ']';
    }
    out << " | shadows";
    for (int32_t caster : frame.ShadowCasters())
        out << ' ' << kPageNames[caster];
    out << " | sheet->" << Position(frame.transparentPosition);
    return out.str();
}

struct CompositionTest : testing::Test
{
    TestApp t;
    FakeGpuTexture texture;

    CompositionTest()
    {
        t.SetPhotos(40);
        t.app.pageIndex = 6;
        // Each slot's record carries its slot number as the photo index, so the
        // lines read as slots.
        for (int slot = 0; slot < kPhotoSlotCount; ++slot) {
            FTexture& record = t.app.photoTextures[static_cast<size_t>(slot)];
            record.Texture = std::shared_ptr<FGpuTexture>(&texture, [](FGpuTexture*) {});
            record.Width = 800;
            record.Height = 600;
            record.Tag = slot;
        }
        t.app.settings->RenderShadows = true;
        t.app.turnPosition = 0.5f;
    }
};

TEST_F(CompositionTest, EveryTurnStateMatchesTheGoldenFile)
{
    std::ostringstream actual;
    for (int32_t turn : {0, 1, -1})
        for (int32_t sheetTurn : {0, 1, -1})
            for (bool sheet : {true, false})
                for (float sheetPosition : {0.0f, 0.75f, TurnEnd}) {
                    t.app.turnState = turn;
                    t.app.transparentTurnState = sheetTurn;
                    t.app.settings->RenderTransparentPage = sheet;
                    t.app.transparentPosition = sheetPosition;
                    actual << "turn=" << turn << " sheetTurn=" << sheetTurn << " sheet=" << (sheet ? "on" : "off")
                           << " at=" << Position(sheetPosition) << " |" << Describe(t.app.DescribeFrame(800, 600))
                           << '\n';
                }
    const std::string path = PHOTOBOOK_TEST_DATA "/frame-composition/turn-states.txt";
    std::ifstream file(path);
    std::stringstream expected;
    expected << file.rdbuf();
    if (expected.str() != actual.str()) {
        std::ofstream(path + ".actual") << actual.str();
        ADD_FAILURE() << "the composition differs from " << path << "; see " << path << ".actual";
    }
}

TEST_F(CompositionTest, RotationsAndEffectTimesFollowEachPhoto)
{
    t.app.photoRotation[6] = 5;
    t.app.effectTime = 30.0f;
    FFrame frame = t.app.DescribeFrame(800, 600);
    EXPECT_EQ(frame.pages[1].photos[0].rotation, 5);
    EXPECT_EQ(frame.pages[1].photos[0].effectTime, 30.0f);
    EXPECT_FALSE(frame.toRenderTarget);

    // In a movie each photo's effect starts when the camera arrives at it: at 75 s
    // for photo 6, 84 s for photo 7 (EffectFileTest).
    t.app.exporting = 1;
    t.app.effectTime = 77.0f;
    frame = t.app.DescribeFrame(800, 600);
    EXPECT_TRUE(frame.toRenderTarget);
    EXPECT_EQ(frame.pages[1].photos[0].effectTime, 2.0f);
    EXPECT_EQ(frame.pages[1].photos[1].effectTime, 0.0f);
}

TEST_F(CompositionTest, BeginFrameSettlesTheSheetAndCountsTheFrame)
{
    t.app.settings->RenderTransparentPage = true;
    t.app.transparentPosition = TurnEnd;
    t.app.turnState = 1;
    t.app.BeginFrame(800, 600, 5000);
    // A forward turn lays the sheet over the uncovered spread on the right.
    EXPECT_EQ(t.app.transparentPosition, 0.0f);
    EXPECT_EQ(t.app.framesRendered, 1u);
    EXPECT_EQ(t.app.effectTime, 5.0f);

    // The description itself changes nothing.
    t.app.turnState = -1;
    const FFrame described = t.app.DescribeFrame(800, 600);
    EXPECT_EQ(described.transparentPosition, TurnEnd);
    EXPECT_EQ(t.app.transparentPosition, 0.0f);
}

} // namespace
