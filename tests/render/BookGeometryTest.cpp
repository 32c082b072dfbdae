#include "render/BookGeometry.h"

#include <gtest/gtest.h>

TEST(BookGeometry, PackColorTruncatesClampsAndCapsOpaqueAlphaAt254)
{
    EXPECT_EQ(PackColor(1, 1, 1), 0x00FFFFFFu);
    EXPECT_EQ(PackColor(0.5f, 0.999f, 0), 0x007FFE00u);
    EXPECT_EQ(PackColor(-1, 2, 1e30f), 0x0000FFFFu);
    EXPECT_EQ(PackColorAlpha(1, 1, 1, 0), 0xFEFFFFFFu);
    EXPECT_EQ(PackColorAlpha(1, 1, 1, -0.5f), 0xFEFFFFFFu);
    EXPECT_EQ(PackColorAlpha(0, 0, 0, 0.25f), 0xBF000000u);
    EXPECT_EQ(PackColorAlpha(0, 0, 0, 0.001f), 0xFE000000u);
    EXPECT_EQ(PackColorAlpha(0, 0, 0, 3), 0u);
}

TEST(BookGeometry, EaseTurnPositionClampsAndKeepsEndsExact)
{
    EXPECT_EQ(EaseTurnPosition(-0.5f), 0.0f);
    EXPECT_EQ(EaseTurnPosition(TurnEnd), TurnEnd);
    EXPECT_EQ(EaseTurnPosition(5), TurnEnd);
    EXPECT_NEAR(EaseTurnPosition(TurnEnd / 2), TurnEnd / 2, 1e-6);
    EXPECT_NEAR(EaseTurnPosition(TurnEnd / 4), TurnEnd * 0.1464466f, 1e-5);
}

TEST(BookGeometry, CoverBoardsRiseFromTheSpineAndFaceUp)
{
    for (bool right : {true, false}) {
        const auto board = CreateCoverBoard(right);
        ASSERT_TRUE(board);
        ASSERT_EQ(board->VertexCount(), 200u);
        const FBookVertex& spine = board->vertices[right ? 0 : 19];
        const FBookVertex& edge = board->vertices[right ? 199 : 180];
        EXPECT_FLOAT_EQ(spine.x, 0);
        EXPECT_FLOAT_EQ(spine.y, -1);
        EXPECT_FLOAT_EQ(spine.z, -2.734375f);
        EXPECT_FLOAT_EQ(edge.x, right ? 105 : -105);
        EXPECT_FLOAT_EQ(edge.y, 4.25f);
        EXPECT_FLOAT_EQ(edge.z, 112.109375f);
        for (const FBookVertex& v : board->vertices) {
            EXPECT_GT(v.ny, 0.99f);
            EXPECT_LT(right ? v.nx : -v.nx, 0); // leaning towards the spine
        }
    }
    EXPECT_FLOAT_EQ(CreateBackgroundPlane()->vertices[899].z, 54.6875f + 250);
}
