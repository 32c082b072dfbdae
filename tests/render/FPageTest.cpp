#include "render/FPage.h"

#include <gtest/gtest.h>

namespace {
const FColour kPaper{0.9f, 0.8f, 0.7f};

const FBookVertex& At(const FPage& page, int row, int column)
{
    return page.vertices[static_cast<size_t>(row * kPageColumns + column)];
}

float RowZ(int row)
{
    return static_cast<float>(kPageLength * row / 34.0);
}
} // namespace

TEST(FPage, RestProfileRisesDipsAndRisesAgain)
{
    const FPage page(false, false);
    const float table[][5] = {
        {0, 0, 0, 0, 0},
        {1, 3.125f, 1.76228f, 3.58765f, 1.05732f},
        {8, 25, 6.25f, 25.76941f, 1.32582f},
        {16, 50, 2.5f, 50.06246f, 1.52084f},
        {24, 75, 2.41025f, 75.03872f, 1.53867f},
        {31, 96.875f, 4.81303f, 96.99449f, 1.52115f},
    };
    for (const auto& e : table) {
        const FPageColumn& c = page.columns[static_cast<size_t>(e[0])];
        SCOPED_TRACE(e[0]);
        EXPECT_NEAR(c.x, e[1], 1e-5);
        EXPECT_NEAR(c.y, e[2], 1e-5);
        EXPECT_NEAR(c.radius, e[3], 1e-4);
        EXPECT_NEAR(c.angle, e[4], 1e-5);
    }
}

TEST(FPage, RestsOnTheRightAtZeroAndMirroredOnTheLeftAtTurnEnd)
{
    for (float position : {0.0f, TurnEnd})
        for (int direction : {1, -1, 0}) {
            SCOPED_TRACE(testing::Message() << position << " " << direction);
            const bool onLeft = position == TurnEnd;
            // Whichever face shows, it faces up.
            FPage page(!onLeft, false);
            page.DrawPage(position, direction, kPaper);
            for (int row = 0; row < kPageRows; ++row)
                for (int k = 0; k < kPageColumns; ++k) {
                    const FBookVertex& v = At(page, row, k);
                    const FPageColumn& c = page.columns[static_cast<size_t>(k)];
                    ASSERT_NEAR(v.x, onLeft ? -c.x : c.x, 1e-3) << row << "," << k;
                    ASSERT_NEAR(v.y, c.y, 1e-3) << row << "," << k;
                    ASSERT_NEAR(v.z, RowZ(row), 1e-3) << row << "," << k;
                }
            EXPECT_GT(At(page, 17, 20).ny, 0.9f);
        }
}

TEST(FPage, BendFollowsDirectionRowAndColumnDelays)
{
    // Reference positions mid-turn: they pin down which side each delay counts
    // from, that the forward factor is 1.294 - P/1.294, and the slide along the
    // spine. Direction 0 at 0.5 stands every column straight up, slid by 1.25 k.
    const float cases[][7] = {
        // position, direction, row, column, x, y, z
        {0.647f, 1, 0, 16, -14.9007f, 47.7935f, 18.1137f},      {0.647f, -1, 0, 16, 8.336f, 49.3636f, 19.4088f},
        {0.647f, 1, 20, 5, 1.4391f, 16.6077f, 70.5105f},        {0.9f, -1, 30, 25, -63.7384f, 45.2613f, 106.3395f},
        {0.5f, 0, 10, 31, 0, 96.99449f, RowZ(10) + 1.25f * 31},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " " << c[1] << " " << c[2] << "," << c[3]);
        FPage page(false, false);
        page.builtPosition = c[0];
        page.DeformPage(static_cast<int32_t>(c[1]));
        const FBookVertex& v = At(page, static_cast<int>(c[2]), static_cast<int>(c[3]));
        EXPECT_NEAR(v.x, c[4], 2e-3);
        EXPECT_NEAR(v.y, c[5], 2e-3);
        EXPECT_NEAR(v.z, c[6], 2e-3);
    }
    // The outer corner at row 0 leads in both directions.
    for (auto [position, direction] : {std::pair{0.3f, 1}, std::pair{1.0f, -1}}) {
        FPage page(false, false);
        page.builtPosition = position;
        page.DeformPage(direction);
        EXPECT_GT(At(page, 0, 31).y, At(page, 34, 31).y + 10);
    }
}

TEST(FPage, RebuildsOnlyWhenPositionOrDirectionChanges)
{
    FPage page(false, false);
    EXPECT_TRUE(page.DrawPage(0.5f, 1, kPaper).rebuilt); // nothing built yet
    ASSERT_TRUE(page.pageMesh);
    const uint32_t revision = page.pageMesh->revision;
    EXPECT_FALSE(page.DrawPage(0.5f, 1, kPaper).rebuilt);
    EXPECT_EQ(page.pageMesh->revision, revision);

    EXPECT_TRUE(page.DrawPage(0.5f, -1, kPaper).rebuilt);
    // Two draws of one page per frame at different positions rebuild twice.
    EXPECT_TRUE(page.DrawPage(0.6f, -1, kPaper).rebuilt);
    EXPECT_TRUE(page.DrawPage(0.5f, -1, kPaper).rebuilt);
    EXPECT_EQ(page.pageMesh->vertices[40].y, page.vertices[40].y);

    // Out-of-range positions are the clamped ones.
    EXPECT_TRUE(page.DrawPage(-1, -1, kPaper).rebuilt);
    EXPECT_FALSE(page.DrawPage(0, -1, kPaper).rebuilt);
    EXPECT_TRUE(page.DrawPage(9, -1, kPaper).rebuilt);
    EXPECT_FALSE(page.DrawPage(TurnEnd, -1, kPaper).rebuilt);

    page.ReleaseMeshes();
    EXPECT_TRUE(page.DrawPage(TurnEnd, -1, kPaper).rebuilt);
    EXPECT_TRUE(page.pageMesh);
}

TEST(FPage, DrawStateFollowsLiftAndPageKind)
{
    FPage left(false, false);
    const FPageDraw flat = left.DrawPage(TurnEnd, 0, kPaper);
    EXPECT_FALSE(flat.depthTest);
    EXPECT_TRUE(flat.lit);
    EXPECT_EQ(flat.cull, FCull::CounterClockwise);
    EXPECT_EQ(flat.red, kPaper.red);
    EXPECT_EQ(flat.alpha, 1.0f);
    EXPECT_EQ(left.vertices[3].diffuse, 0xFEFFFFFFu);
    EXPECT_TRUE(left.DrawPage(TurnEnd / 2, 1, kPaper).depthTest);

    FPage transparent(true, true);
    const FPageDraw sheet = transparent.DrawPage(TurnEnd / 2, 1, kPaper);
    EXPECT_FALSE(sheet.depthTest);
    EXPECT_FALSE(sheet.lit);
    EXPECT_EQ(sheet.alpha, 0.25f);
    EXPECT_EQ(sheet.red, 1.0f);
    EXPECT_EQ(sheet.cull, FCull::Clockwise);
    EXPECT_EQ(transparent.vertices[3].diffuse, 0xBFFFFFFFu);
}

TEST(FPage, PhotosFollowTheBentPage)
{
    FPage page(true, false);
    const FPhotoSource landscape{800, 600, 0};
    const FPhotoSource empty{0, 600, 0};
    const FPageDraw draw = page.DrawPageWithPhotos(0.4f, 1, kPaper, &landscape, &empty);
    EXPECT_TRUE(draw.photoDrawn[0]);
    EXPECT_FALSE(draw.photoDrawn[1]);
    ASSERT_TRUE(page.photoSlot[0].photoMesh);
    const FBookVertex& corner = page.photoSlot[0].photoMesh->vertices[0];
    const FBookVertex& under = At(page, 18, 6); // lower band, centred
    EXPECT_EQ((std::vector<float>{corner.x, corner.y, corner.z, corner.ny}),
              (std::vector<float>{under.x, under.y, under.z, under.ny}));
    EXPECT_FALSE(page.DrawPageWithPhotos(0.4f, 1, kPaper, nullptr, nullptr).photoDrawn[0]);
}
