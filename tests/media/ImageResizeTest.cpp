#include "photos/decode/ImageResize.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ImageResize, ShrinkingAveragesInsteadOfSampling)
{
    // A one-pixel checkerboard: point sampling gives black or white, a smooth
    // filter grey.
    const int n = 64;
    std::vector<uint8_t> src(n * n * 4);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            uint8_t* p = &src[(y * n + x) * 4];
            p[0] = p[1] = p[2] = (x + y) % 2 ? 255 : 0;
            p[3] = 255;
        }
    for (int size : {16, 21, 50}) {
        std::vector<uint8_t> dst(size * size * 4);
        FImageResizer().Resize(src.data(), n, n, n * 4, dst.data(), size, size);
        for (int i = 0; i < size * size; ++i) {
            ASSERT_NEAR(dst[i * 4], 128, 40) << "size " << size << " pixel " << i;
            ASSERT_EQ(dst[i * 4 + 3], 255);
        }
    }
}

TEST(ImageResize, EnlargingInterpolatesAndKeepsTheCorners)
{
    const uint8_t src[] = {0, 0, 0, 255, 200, 100, 50, 255};
    std::vector<uint8_t> dst(8 * 3 * 4);
    FImageResizer().Resize(src, 2, 1, 8, dst.data(), 8, 3);
    for (int y = 0; y < 3; ++y) {
        const uint8_t* row = &dst[y * 8 * 4];
        EXPECT_EQ(row[0], 0);
        EXPECT_EQ(row[7 * 4], 200);
        EXPECT_EQ(row[7 * 4 + 1], 100);
        for (int x = 1; x < 8; ++x)
            EXPECT_GE(row[x * 4], row[(x - 1) * 4]);
        EXPECT_GT(row[4 * 4], 50);
        EXPECT_LT(row[3 * 4], 150);
    }
}

TEST(ImageResize, FitWithinKeepsTheAspect)
{
    struct
    {
        int w, h, max, fw, fh;
    } const cases[] = {
        {1000, 5000, 2048, 410, 2048}, {2048, 2048, 2048, 2048, 2048}, {800, 600, 2048, 800, 600},
        {32768, 1, 2048, 2048, 1},     {3000, 2000, 0, 3000, 2000},
    };
    for (const auto& c : cases) {
        int w = 0, h = 0;
        FitWithin(c.w, c.h, c.max, w, h);
        EXPECT_EQ(w, c.fw) << c.w << " x " << c.h;
        EXPECT_EQ(h, c.fh) << c.w << " x " << c.h;
    }
}
