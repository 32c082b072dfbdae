// The small pieces under the book: packed colours, grids, matrices, draw states
// and the render target's size.

#include "render/BookGeometry.h"
#include "render/FGridMesh.h"
#include "render/FMatrix.h"
#include "render/FRenderStates.h"
#include "render/RenderTargetSize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

TEST(BookGeometry, PackColorTruncatesClampsAndCapsOpaqueAlphaAt254)
{
    EXPECT_EQ(PackColor(1, 1, 1), 0x00FFFFFFu);
    EXPECT_EQ(PackColor(0.5f, 0.999f, 0), 0x007FFE00u);
    EXPECT_EQ(PackColor(-1, 2, 1e30f), 0x0000FFFFu);
    EXPECT_EQ(PackColorAlpha(1, 1, 1, 0), 0xFEFFFFFFu);
    EXPECT_EQ(PackColorAlpha(0, 0, 0, 0.25f), 0xBF000000u);
    EXPECT_EQ(PackColorAlpha(0, 0, 0, 0.001f), 0xFE000000u);
    EXPECT_EQ(PackColorAlpha(0, 0, 0, 3), 0u);
}

TEST(BookGeometry, EaseTurnPositionClampsAndKeepsEndsExact)
{
    EXPECT_EQ(EaseTurnPosition(-0.5f), 0.0f);
    EXPECT_EQ(EaseTurnPosition(TurnEnd), TurnEnd);
    EXPECT_EQ(EaseTurnPosition(5), TurnEnd);
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
        EXPECT_EQ((std::array{spine.x, spine.y, spine.z}), (std::array{0.0f, -1.0f, -2.734375f}));
        EXPECT_EQ((std::array{edge.x, edge.y, edge.z}), (std::array{right ? 105.0f : -105.0f, 4.25f, 112.109375f}));
        for (const FBookVertex& v : board->vertices) {
            EXPECT_GT(v.ny, 0.99f);
            EXPECT_LT(right ? v.nx : -v.nx, 0); // leaning towards the spine
        }
    }
    EXPECT_FLOAT_EQ(CreateBackgroundPlane()->vertices[899].z, 54.6875f + 250);
}

TEST(FGridMesh, LaysOutVerticesRowByRowAndRefusesGridsBeyond16BitIndices)
{
    const auto mesh = CreateGridMesh(10, 5, 20, 3, 2);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->indices, (std::vector<uint16_t>{0, 1, 3, 1, 4, 3, 1, 2, 4, 2, 5, 4}));
    const FBookVertex& first = mesh->vertices[0];
    const FBookVertex& last = mesh->vertices[5];
    EXPECT_EQ((std::vector<float>{first.x, first.y, first.z, first.u, first.v}),
              (std::vector<float>{-240, 5, -230, 0, 1}));
    EXPECT_EQ((std::vector<float>{last.x, last.z, last.u, last.v}), (std::vector<float>{260, 270, 1, 0}));

    EXPECT_FALSE(CreateGridMesh(0, 0, 0, 1, 5));
    EXPECT_FALSE(CreateGridMesh(0, 0, 0, -3, -3));
    EXPECT_FALSE(CreateGridMesh(0, 0, 0, 257, 256));
    const auto largest = CreateGridMesh(0, 0, 0, 256, 256);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->indices[largest->indices.size() - 2], 65535); // no wrap-around
}

TEST(FGridMesh, NormalsPointDownUnlessFlippedAndIgnoreRoundingNoise)
{
    auto mesh = CreateGridMesh(0, 0, 0, 2, 2);
    ASSERT_TRUE(mesh);
    ComputeGridNormals(mesh->vertices, 2, 2, true);
    EXPECT_EQ(mesh->vertices[3].ny, 1.0f);
    mesh->vertices[1].y = 1e-7f; // tilts the cross product's x by 5e-5, just under 2^-14
    ComputeGridNormals(mesh->vertices, 2, 2, false);
    EXPECT_EQ((std::vector<float>{mesh->vertices[0].nx, mesh->vertices[0].ny}), (std::vector<float>{0, -1}));
    mesh->vertices[1].y = 1e-3f;
    ComputeGridNormals(mesh->vertices, 2, 2, false);
    EXPECT_NE(mesh->vertices[0].nx, 0.0f);
}

TEST(FGridMesh, UploadOnlyIntoMeshOfSameSize)
{
    auto mesh = CreateGridMesh(0, 0, 0, 2, 2);
    ASSERT_TRUE(mesh);
    const uint32_t revision = mesh->revision;
    EXPECT_FALSE(UploadVertices(*mesh, std::vector<FBookVertex>(3)));
    EXPECT_EQ(mesh->revision, revision);
    EXPECT_TRUE(UploadVertices(*mesh, std::vector<FBookVertex>(4)));
    EXPECT_NE(mesh->revision, revision);
}

// The inverse's round trip is checked through the effects' model-space values.
TEST(FMatrix, SingularInverseIsRefusedAndLeavesTheResultAlone)
{
    FMatrix untouched = FMatrix::Identity();
    EXPECT_FALSE(Inverse(FMatrix::Scaling(1, 0, 1), &untouched));
    EXPECT_EQ(untouched, FMatrix::Identity());
}

// Blending must start exactly where alpha leaves one; the pixels are in the GL tests.
TEST(RenderStates, BlendingExactlyWhenAlphaIsNotOneAndThenNoCulling)
{
    EXPECT_FALSE(ComputeDrawStates(true, true, false, {1, 1, 1, 1}, FCull::Clockwise, true).alphaBlend);
    for (const float alpha : {0.99999994f, 1.0000001f, 0.0f}) {
        const FDrawStates s = ComputeDrawStates(false, false, false, {1, 1, 1, alpha}, FCull::CounterClockwise, false);
        EXPECT_TRUE(s.alphaBlend) << alpha;
        EXPECT_EQ(s.cull, FCull::None) << alpha;
    }
}

namespace {
// Accepts sizes from a given factor down and records what it was asked.
struct FakeDevice
{
    int32_t acceptFromFactor = 4;
    std::vector<FRenderTargetSize> asked;

    FRenderTargetSize Search(int32_t width, int32_t height, FRenderTargetLimits limits)
    {
        return SearchRenderTargetSize(width, height, limits, [this](const FRenderTargetSize& size) {
            asked.push_back(size);
            return size.factor <= acceptFromFactor;
        });
    }
};
} // namespace

// The GL tests cover the limit and power-of-two rules on a real device; here,
// what a device cannot be made to do: refuse, or report small maxima.
TEST(RenderTargetSize, RefusalsAndDeviceMaximaFallBackThroughTheFactors)
{
    const struct
    {
        FRenderTargetLimits limits;
        int32_t acceptFrom;
        FRenderTargetSize expected;
    } cases[] = {
        {{2048, 16384, 0, false}, 4, {3, 1920, 1440}}, // texture and renderbuffer maxima both count
        {{16384, 1024, 0, false}, 4, {1, 640, 480}},
        {{16384, 16384, 0, false}, 2, {2, 1280, 960}},
        {{16384, 16384, 0, false}, 0, {0, 0, 0}},
        {{16384, 16384, 4000, true}, 4, {3, 2048, 2048}}, // the widened size is what must fit
    };
    for (const auto& c : cases) {
        FakeDevice device{c.acceptFrom};
        EXPECT_EQ(device.Search(640, 480, c.limits), c.expected) << c.expected.factor;
        for (const FRenderTargetSize& size : device.asked) // too large sizes never reach the device
            EXPECT_LE(size.width, std::min(c.limits.maxTextureSize, c.limits.maxRenderbufferSize));
    }
    EXPECT_EQ(WidenToPowerOfTwo(0), 2);
    EXPECT_EQ(WidenToPowerOfTwo(1024), 1024);
}

TEST(RenderTargetSize, EmptyOrHugeFramesNeverReachTheDevice)
{
    FakeDevice device;
    EXPECT_EQ(device.Search(0, 480, {16384, 16384, 0, false}).factor, 0);
    // 4 x 1e9 would wrap a 32-bit product into something that fits.
    EXPECT_EQ(device.Search(1000000000, 480, {16384, 16384, 0, false}).factor, 0);
    EXPECT_TRUE(device.asked.empty());
}
