// A slot passes from one photo to the next: its mesh must be the one a fresh slot
// would build, even when the two grids hold the same number of vertices.

#include "render/FPage.h"

#include <gtest/gtest.h>

TEST(PhotoSlotShape, SameVertexCountInAnotherShapeGetsItsOwnTriangles)
{
    FPage page(false, false);
    page.DrawPage(0, 0, FColour{1, 1, 1});
    // width, height of a wide photo and of a tall one; columns x rows of both.
    const int32_t kPairs[][6] = {{3000, 1000, 1080, 1920, 20, 8},
                                 {1000, 170, 1000, 3500, 20, 4},
                                 {1000, 460, 1000, 1200, 20, 12},
                                 {1000, 620, 1100, 1000, 20, 16}};
    for (const auto& c : kPairs)
        for (const bool wideFirst : {true, false}) {
            SCOPED_TRACE(testing::Message() << c[0] << "x" << c[1] << (wideFirst ? " first" : " second"));
            const int32_t* first = wideFirst ? c : c + 2;
            const int32_t* second = wideFirst ? c + 2 : c;
            FPhotoSlot reused, fresh;
            ASSERT_TRUE(FitPhotoSlot(reused, page.vertices, false, false, first[0], first[1], 0));
            ASSERT_TRUE(FitPhotoSlot(reused, page.vertices, false, false, second[0], second[1], 0));
            ASSERT_TRUE(FitPhotoSlot(fresh, page.vertices, false, false, second[0], second[1], 0));
            EXPECT_EQ(reused.columns, wideFirst ? c[5] : c[4]);
            EXPECT_EQ(reused.photoMesh->VertexCount(), fresh.photoMesh->VertexCount());
            EXPECT_EQ(reused.photoMesh->columns, fresh.columns);
            EXPECT_EQ(reused.photoMesh->rows, fresh.rows);
            EXPECT_EQ(reused.photoMesh->indices, fresh.photoMesh->indices);
        }
}
