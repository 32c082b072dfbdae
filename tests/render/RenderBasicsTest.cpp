// The small pieces under the book: colours, grids, matrices, states, target sizes.

#include "render/BookGeometry.h"
#include "render/FGridMesh.h"
#include "render/FMatrix.h"
#include "render/FRenderStates.h"
#include "render/RenderTargetSize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

TEST(BookGeometry, PackColorClampsAndCapsOpaqueAlphaAndTheTurnEaseKeepsItsEnds)
{
    EXPECT_EQ(PackColor(0.5f, 0.999f, 0), 0x007FFE00u); // truncated
    EXPECT_EQ(PackColor(-1, 2, 1e30f), 0x0000FFFFu);
    EXPECT_EQ(PackColorAlpha(1, 1, 1, 0), 0xFEFFFFFFu);
    EXPECT_EQ(PackColorAlpha(0, 0, 0, 0.25f), 0xBF000000u);
    EXPECT_EQ(PackColorAlpha(0, 0, 0, 0.001f), 0xFE000000u);
    EXPECT_EQ(PackColorAlpha(0, 0, 0, 3), 0u);
    EXPECT_EQ(EaseTurnPosition(-0.5f), 0.0f);
    EXPECT_EQ(EaseTurnPosition(TurnEnd), TurnEnd);
    EXPECT_EQ(EaseTurnPosition(5), TurnEnd);
    EXPECT_NEAR(EaseTurnPosition(TurnEnd / 4), TurnEnd * 0.1464466f, 1e-5);
}

TEST(BookGeometry, CoverBoardsMirrorEachOtherFaceUpAndLeanToTheSpine)
{
    const auto right = CreateCoverBoard(true), left = CreateCoverBoard(false);
    ASSERT_TRUE(right && left);
    ASSERT_EQ(right->VertexCount(), left->VertexCount());
    for (size_t i = 0; i < right->vertices.size(); ++i) {
        const FBookVertex &r = right->vertices[i], &l = left->vertices[i / 20 * 20 + 19 - i % 20];
        EXPECT_EQ((std::array{r.x, r.y, r.z}), (std::array{-l.x, l.y, l.z})) << i;
        EXPECT_GT(r.ny, 0.99f);
        EXPECT_LT(r.nx, 0);
    }
    EXPECT_EQ(right->vertices[0].x, 0.0f); // from the spine
}

TEST(FGridMesh, LaysOutVerticesRowByRowAndRefusesGridsBeyond16BitIndicesOrUploadsOfAnotherSize)
{
    const auto mesh = CreateGridMesh(10, 5, 20, 3, 2);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->indices, (std::vector<uint16_t>{0, 1, 3, 1, 4, 3, 1, 2, 4, 2, 5, 4}));
    const FBookVertex& last = mesh->vertices[5]; // last row, last column: v = 0 at the far row
    EXPECT_EQ((std::vector<float>{last.x, last.z, last.u, last.v}), (std::vector<float>{260, 270, 1, 0}));

    EXPECT_FALSE(CreateGridMesh(0, 0, 0, 1, 5));
    EXPECT_FALSE(CreateGridMesh(0, 0, 0, -3, -3));
    EXPECT_FALSE(CreateGridMesh(0, 0, 0, 257, 256));
    auto largest = CreateGridMesh(0, 0, 0, 256, 256);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->indices[largest->indices.size() - 2], 65535); // no wrap-around
    EXPECT_FALSE(UploadVertices(*largest, std::vector<FBookVertex>(3)));
    EXPECT_EQ(largest->revision, 0u);
    EXPECT_TRUE(UploadVertices(*largest, std::vector<FBookVertex>(256 * 256)));
    EXPECT_NE(largest->revision, 0u);
}

TEST(FGridMesh, NormalsPointDownUnlessFlippedAndIgnoreRoundingNoise)
{
    auto mesh = CreateGridMesh(0, 0, 0, 2, 2);
    ASSERT_TRUE(mesh);
    ComputeGridNormals(mesh->vertices, 2, 2, true);
    EXPECT_EQ(mesh->vertices[3].ny, 1.0f);
    mesh->vertices[1].y = 1e-7f; // tilts the cross product's x by 5e-5, just under 2^-14
    ComputeGridNormals(mesh->vertices, 2, 2, false);
    EXPECT_TRUE(mesh->vertices[0].nx == 0 && mesh->vertices[0].ny == -1);
    mesh->vertices[1].y = 1e-3f;
    ComputeGridNormals(mesh->vertices, 2, 2, false);
    EXPECT_NE(mesh->vertices[0].nx, 0.0f);
}

TEST(FMatrix, SingularInverseIsRefusedAndLeavesTheResultAlone)
{
    FMatrix untouched = FMatrix::Identity();
    EXPECT_FALSE(Inverse(FMatrix::Scaling(1, 0, 1), &untouched));
    EXPECT_EQ(untouched, FMatrix::Identity());
}

// What a real device cannot be made to do: refuse, or report small maxima. Too
// large sizes, empty frames and 32-bit overflows never reach the device.
TEST(RenderTargetSize, RefusalsAndDeviceMaximaFallBackThroughTheFactors)
{
    const struct
    {
        int32_t width;
        FRenderTargetLimits limits;
        int32_t acceptFrom;
        FRenderTargetSize expected;
    } cases[] = {
        {640, {2048, 16384, 0, false}, 4, {3, 1920, 1440}}, // texture and renderbuffer maxima both count
        {640, {16384, 1024, 0, false}, 4, {1, 640, 480}},
        {640, {16384, 16384, 0, false}, 2, {2, 1280, 960}},
        {640, {16384, 16384, 0, false}, 0, {0, 0, 0}},
        {640, {16384, 16384, 4000, true}, 4, {3, 2048, 2048}}, // the widened size is what must fit
        {0, {16384, 16384, 0, false}, 4, {0, 0, 0}},
        {1000000000, {16384, 16384, 0, false}, 4, {0, 0, 0}}, // 4 x 1e9 would wrap into something that fits
    };
    for (const auto& c : cases) {
        // The stand-in device accepts sizes from a given factor down.
        std::vector<FRenderTargetSize> asked;
        EXPECT_EQ(SearchRenderTargetSize(c.width, 480, c.limits,
                                         [&](const FRenderTargetSize& size) {
                                             asked.push_back(size);
                                             return size.factor <= c.acceptFrom;
                                         }),
                  c.expected)
            << c.expected.factor;
        for (const FRenderTargetSize& size : asked)
            EXPECT_LE(size.width, std::min(c.limits.maxTextureSize, c.limits.maxRenderbufferSize));
        EXPECT_TRUE(c.width == 640 || asked.empty());
    }
    EXPECT_EQ(WidenToPowerOfTwo(0), 2);
}
