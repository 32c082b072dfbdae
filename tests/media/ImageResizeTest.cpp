#include "photos/decode/ImageResize.h"

#include <gtest/gtest.h>

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
