#include "photos/decode/ImageResize.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ImageResize, ShrinkingAveragesInsteadOfSampling)
{
    // A one-pixel checkerboard: point sampling gives black or white, a smooth
    // filter grey.
    const int n = 64;
    std::vector<uint8_t> src;
    for (int i = 0; i < n * n; ++i) {
        const uint8_t v = (i % n + i / n) % 2 ? 255 : 0;
        src.insert(src.end(), {v, v, v, 255});
    }
    for (int size : {16, 21, 50}) {
        std::vector<uint8_t> dst(size * size * 4);
        FImageResizer().Resize(src.data(), n, n, n * 4, dst.data(), size, size);
        for (int i = 0; i < size * size; ++i)
            ASSERT_TRUE(std::abs(dst[i * 4] - 128) <= 40 && dst[i * 4 + 3] == 255) << size << ": pixel " << i;
    }
}
