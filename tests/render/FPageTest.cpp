// A page bent and at rest, the photos fitted onto it, and its shadow's outline.

#include "render/FPage.h"
#include "render/FShadowVolume.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

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

FPage FlatPage()
{
    FPage page(false, false);
    page.DrawPage(0, 0, FColour{1, 1, 1});
    return page;
}

FVector3 P(const std::array<float, 3>& a)
{
    return {a[0], a[1], a[2]};
}
} // namespace

TEST(FPage, RestsOnTheRightAtZeroAndMirroredOnTheLeftAtTurnEnd)
{
    for (float position : {0.0f, TurnEnd})
        for (int direction : {1, -1, 0}) {
            SCOPED_TRACE(testing::Message() << position << " " << direction);
            FPage page(position == 0, false); // whichever face shows, it faces up
            page.DrawPage(position, direction, kPaper);
            for (int i = 0; i < kPageRows * kPageColumns; ++i) {
                const FBookVertex& v = page.vertices[static_cast<size_t>(i)];
                const FPageColumn& c = page.columns[static_cast<size_t>(i % kPageColumns)];
                const FVector3 rest{position == 0 ? c.x : -c.x, c.y, RowZ(i / kPageColumns)};
                ASSERT_NEAR(Length(FVector3{v.x, v.y, v.z} - rest), 0, 2e-3) << i;
            }
            EXPECT_GT(At(page, 17, 20).ny, 0.9f);
        }
}

TEST(FPage, BendFollowsDirectionRowAndColumnDelays)
{
    // position, direction, row, column -> x, y, z: which side each delay counts from,
    // the forward factor 1.294 - P/1.294, the slide along the spine (1.25 per column).
    const float cases[][7] = {
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
        EXPECT_NEAR(Length(FVector3{v.x, v.y, v.z} - FVector3{c[4], c[5], c[6]}), 0, 3e-3);
    }
}

TEST(FPage, RebuildsOnlyWhenTheClampedPositionOrDirectionChangesAndOnlyALiftedOpaquePageIsDepthTested)
{
    FPage page(false, false);
    // position, direction -> rebuilt; two draws of one page per frame rebuild twice
    const std::tuple<float, int, bool> draws[] = {{0.5f, 1, true},     {0.5f, 1, false}, {0.5f, -1, true},
                                                  {0.6f, -1, true},    {0.5f, -1, true}, {9, -1, true},
                                                  {TurnEnd, -1, false}};
    for (const auto& [position, direction, rebuilt] : draws)
        EXPECT_EQ(page.DrawPage(position, direction, kPaper).rebuilt, rebuilt) << position << " " << direction;
    // (Meshes released with a lost device come back: BookFrameTest's device reset.)

    // Culling, blending and the sheet's colour show in the GL tests; depth only here.
    EXPECT_FALSE(page.DrawPage(TurnEnd, 0, kPaper).depthTest);
    EXPECT_TRUE(page.DrawPage(TurnEnd / 2, 1, kPaper).depthTest);
    FPage transparent(true, true);
    const FPageDraw sheet = transparent.DrawPage(TurnEnd / 2, 1, kPaper);
    EXPECT_FALSE(sheet.depthTest || sheet.lit);
}

TEST(FPage, PhotosFollowTheBentPage)
{
    FPage page(true, false);
    const FPhotoSource landscape{800, 600, 0}, empty{0, 600, 0};
    const FPageDraw draw = page.DrawPageWithPhotos(0.4f, 1, kPaper, &landscape, &empty);
    EXPECT_TRUE(draw.photoDrawn[0] && !draw.photoDrawn[1]);
    ASSERT_TRUE(page.photoSlot[0].photoMesh);
    const FBookVertex& corner = page.photoSlot[0].photoMesh->vertices[0];
    const FBookVertex& under = At(page, 18, 6); // lower band, centred
    EXPECT_EQ((std::vector<float>{corner.x, corner.y, corner.z, corner.ny}),
              (std::vector<float>{under.x, under.y, under.z, under.ny}));
}

TEST(FitPhotoSlot, GridKeepsAspectAndCentresInItsBand)
{
    const FPage page = FlatPage();
    // width, height, rotation -> columns, rows, column offset, row offset in the upper band
    const int32_t cases[][7] = {
        {800, 600, 0, 20, 15, 6, 2},      {600, 800, 0, 11, 15, 10, 2}, {800, 600, 1, 11, 15, 10, 2},
        {800, 600, 3 | 4, 11, 15, 10, 2}, {600, 800, 3, 20, 15, 6, 2},  {800, 600, 2 | 8, 20, 15, 6, 2},
        {4000, 500, 0, 20, 2, 6, 8},      {500, 4000, 0, 2, 15, 15, 2}, {1, 2000000000, 0, 2, 15, 15, 2},
        {2000000000, 1, 0, 20, 2, 6, 8},
    };
    for (const auto& c : cases)
        for (bool lowerHalf : {false, true}) {
            SCOPED_TRACE(testing::Message() << c[0] << "x" << c[1] << " r" << c[2] << " lower " << lowerHalf);
            FPhotoSlot slot;
            ASSERT_TRUE(FitPhotoSlot(slot, page.vertices, lowerHalf, false, c[0], c[1], c[2]));
            EXPECT_EQ((std::vector<int32_t>{slot.columns, slot.rows, slot.columnOffset, slot.rowOffset}),
                      (std::vector<int32_t>{c[3], c[4], c[5], c[6] + (lowerHalf ? 16 : 0)}));
            EXPECT_EQ(slot.photoMesh->VertexCount(), static_cast<size_t>(c[3] * c[4]));
        }
    // Refused: empty photos and short page arrays; a refit to a new grid.
    FPhotoSlot slot;
    EXPECT_FALSE(FitPhotoSlot(slot, page.vertices, false, false, 0, 600, 0));
    EXPECT_FALSE(FitPhotoSlot(slot, page.vertices, false, false, 800, -1, 0));
    EXPECT_FALSE(FitPhotoSlot(slot, std::span(page.vertices).first(1000), false, false, 800, 600, 0));
    EXPECT_FALSE(slot.photoMesh);
    ASSERT_TRUE(FitPhotoSlot(slot, page.vertices, true, false, 800, 600, 0));
    ASSERT_TRUE(FitPhotoSlot(slot, page.vertices, true, false, 600, 800, 0));
    EXPECT_EQ(slot.photoMesh->indices.size(), 6u * 10 * 14);
}

TEST(FitPhotoSlot, TextureCornersFollowTurnsMirrorsAndPageSide)
{
    const FPage page = FlatPage();
    // rotation, mirror -> (u, v) at the first and at the last column of photo row 0
    const float cases[][6] = {
        {0, 1, 0, 1, 1, 1},     {0, 0, 1, 1, 0, 1},         {1, 1, 1, 1, 1, 0}, {1, 0, 1, 0, 1, 1},
        {2, 1, 1, 0, 0, 0},     {3, 1, 0, 0, 0, 1},         {3, 0, 0, 1, 0, 0}, {0 | 4, 1, 1, 1, 0, 1},
        {0 | 8, 1, 0, 0, 1, 0}, {1 | 4 | 8, 1, 0, 0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "rotation " << c[0] << " mirror " << c[1]);
        FPhotoSlot slot;
        ASSERT_TRUE(FitPhotoSlot(slot, page.vertices, false, c[1] != 0, 800, 600, static_cast<int32_t>(c[0])));
        const FBookVertex& first = slot.photoMesh->vertices[0];
        const FBookVertex& last = slot.photoMesh->vertices[static_cast<size_t>(slot.columns - 1)];
        EXPECT_EQ((std::vector<float>{first.u, first.v, last.u, last.v}), (std::vector<float>{c[2], c[3], c[4], c[5]}));
    }
}

// Edge i goes from A to B: points B, A, B', A, A', B', each primed point 1000
// units on from the light. Consecutive edges chain and the walk closes.
TEST(ShadowVolume, WalksTheBorderOnceExtrudingAwayFromTheLight)
{
    FPage page(false, false); // flat, vertex (row, column) at (column, 0, row): easy to name
    for (size_t i = 0; i < page.vertices.size(); ++i)
        page.vertices[i] = {
            .x = static_cast<float>(i % kPageColumns), .y = 0, .z = static_cast<float>(i / kPageColumns)};
    const FVector3 light{-200, 200, 50};
    const auto volume = BuildShadowVolume(page, light.x, light.y, light.z);
    ASSERT_EQ(volume.size(), 780u);

    std::set<std::pair<int, int>> visited;
    FVector3 previousB = P(volume[(kOutlineEdgeCount - 1) * 6]);
    for (int edge = 0; edge < kOutlineEdgeCount; ++edge) {
        SCOPED_TRACE(edge);
        const auto* q = &volume[static_cast<size_t>(edge * 6)];
        const FVector3 b = P(q[0]), a = P(q[1]), a2 = P(q[4]);
        EXPECT_TRUE(a == previousB && P(q[3]) == a && P(q[2]) == P(q[5]));
        EXPECT_FLOAT_EQ(Length(b - a), 1.0f); // neighbours on the grid
        EXPECT_TRUE(a.x == 0 || a.x == 31 || a.z == 0 || a.z == 34);
        visited.insert({static_cast<int>(a.x), static_cast<int>(a.z)});
        previousB = b;
        EXPECT_NEAR(Dot(Normalize(a - light), Normalize(a2 - a)), 1, 1e-5);
        EXPECT_NEAR(Length(a2 - a), 1000, 1e-2);
        EXPECT_NEAR(Length(P(q[2]) - b), 1000, 1e-2);
    }
    EXPECT_EQ(visited.size(), 130u); // every border vertex once

    page.outline.clear();
    EXPECT_TRUE(BuildShadowVolume(page, 0, 100, 0).empty());
}
