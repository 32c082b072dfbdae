#include "render/FMatrix.h"

#include <gtest/gtest.h>

TEST(FMatrix, PerspectiveMapsNearAndFarToDepthZeroAndOne)
{
    const FMatrix p = FMatrix::PerspectiveFovLH(1.5707964f, 2.0f, 1.0f, 1000.0f);
    EXPECT_NEAR(TransformCoord({0, 0, 1}, p).z, 0, 1e-6);
    EXPECT_NEAR(TransformCoord({0, 0, 1000}, p).z, 1, 1e-6);
    const FVector3 corner = TransformCoord({20, 10, 10}, p);
    EXPECT_NEAR(corner.x, 1, 1e-5);
    EXPECT_NEAR(corner.y, 1, 1e-5);
}

TEST(FMatrix, InverseUndoesAndSingularIsRefused)
{
    const FMatrix m = FMatrix::Translation(5, -7, 2) * FMatrix::RotationX(0.3f) * FMatrix::Scaling(2, 3, 4);
    FMatrix inverse;
    ASSERT_TRUE(Inverse(m, &inverse));
    const FMatrix product = m * inverse;
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(product.m[i], i % 5 == 0 ? 1 : 0, 1e-5);
    FMatrix untouched = FMatrix::Identity();
    EXPECT_FALSE(Inverse(FMatrix::Scaling(1, 0, 1), &untouched));
    EXPECT_EQ(untouched, FMatrix::Identity());
}
