#include "render/FGridMesh.h"

#include <gtest/gtest.h>

#include <vector>

TEST(FGridMesh, LaysOutVerticesRowByRowAndTrianglesInOrder)
{
    const auto mesh = CreateGridMesh(10, 5, 20, 3, 2);
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->VertexCount(), 6u);
    EXPECT_EQ(mesh->indices, (std::vector<uint16_t>{0, 1, 3, 1, 4, 3, 1, 2, 4, 2, 5, 4}));
    const FBookVertex& first = mesh->vertices[0];
    const FBookVertex& last = mesh->vertices[5];
    EXPECT_EQ((std::vector<float>{first.x, first.y, first.z, first.u, first.v}),
              (std::vector<float>{-240, 5, -230, 0, 1}));
    EXPECT_EQ((std::vector<float>{last.x, last.z, last.u, last.v}), (std::vector<float>{260, 270, 1, 0}));
    EXPECT_EQ(first.diffuse, 0x00FFFFFFu);
}

TEST(FGridMesh, RefusesGridsWithoutTrianglesOrBeyond16BitIndices)
{
    EXPECT_FALSE(CreateGridMesh(0, 0, 0, 1, 5));
    EXPECT_FALSE(CreateGridMesh(0, 0, 0, 5, 1));
    EXPECT_FALSE(CreateGridMesh(0, 0, 0, -3, -3));
    EXPECT_FALSE(CreateGridMesh(0, 0, 0, 257, 256));
    const auto largest = CreateGridMesh(0, 0, 0, 256, 256);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->indices[largest->indices.size() - 2], 65535); // no wrap-around
}

TEST(FGridMesh, NormalsOfFlatGridPointDownUnlessFlipped)
{
    auto mesh = CreateGridMesh(0, 0, 0, 4, 3);
    ASSERT_TRUE(mesh);
    for (bool flip : {false, true}) {
        ComputeGridNormals(mesh->vertices, 4, 3, flip);
        for (const FBookVertex& v : mesh->vertices)
            EXPECT_EQ((std::vector<float>{v.nx, v.ny, v.nz}), (std::vector<float>{0, flip ? 1.0f : -1.0f, 0}));
    }
}

TEST(FGridMesh, NormalsIgnoreRoundingNoiseBelowTheCut)
{
    auto mesh = CreateGridMesh(0, 0, 0, 2, 2);
    ASSERT_TRUE(mesh);
    mesh->vertices[1].y = 1e-7f; // tilts the cross product's x by 5e-5, just under 2^-14
    ComputeGridNormals(mesh->vertices, 2, 2, false);
    EXPECT_EQ(mesh->vertices[0].nx, 0.0f);
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
    EXPECT_EQ(mesh->vertices[0].x, 0.0f);
}
