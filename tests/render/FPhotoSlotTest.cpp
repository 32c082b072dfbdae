#include "render/FPage.h"

#include <gtest/gtest.h>

#include <utility>

namespace {
FPage FlatPage()
{
    FPage page(false, false);
    page.DrawPage(0, 0, FColour{1, 1, 1});
    return page;
}
} // namespace

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
}

TEST(FitPhotoSlot, RefusesEmptyPhotosAndShortPageArrays)
{
    const FPage page = FlatPage();
    FPhotoSlot slot;
    EXPECT_FALSE(FitPhotoSlot(slot, page.vertices, false, false, 0, 600, 0));
    EXPECT_FALSE(FitPhotoSlot(slot, page.vertices, false, false, 800, -1, 0));
    EXPECT_FALSE(FitPhotoSlot(slot, std::span(page.vertices).first(1000), false, false, 800, 600, 0));
    EXPECT_FALSE(slot.photoMesh);
}

TEST(FitPhotoSlot, RecreatesMeshWhenTheGridSizeChanges)
{
    const FPage page = FlatPage();
    FPhotoSlot slot;
    ASSERT_TRUE(FitPhotoSlot(slot, page.vertices, true, false, 800, 600, 0));
    ASSERT_TRUE(FitPhotoSlot(slot, page.vertices, true, false, 600, 800, 0));
    EXPECT_EQ(slot.photoMesh->VertexCount(), 165u);
    EXPECT_EQ(slot.photoMesh->indices.size(), 6u * 10 * 14);
    const FBookVertex& corner = slot.photoMesh->vertices[164];
    const FBookVertex& under = page.vertices[(18 + 14) * 32 + 10 + 10];
    EXPECT_EQ(std::pair(corner.x, corner.z), std::pair(under.x, under.z));
    EXPECT_EQ(corner.diffuse, 0x00FFFFFFu);
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
