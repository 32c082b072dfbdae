// The decoded-image cache's byte bound and order of eviction, and the mip chain
// built on the workers. Keys that change with the file are PhotoPoolStreamingTest's:
// a photo rewritten in place or copied over is decoded again, never served stale.

#include "photos/FPhotoStream.h"

#include <gtest/gtest.h>

namespace {

FPhotoKey Key(const char* path)
{
    FPhotoKey key;
    key.path = FString::FromUtf8(path);
    return key;
}

FDecodedImage ImageOf(size_t bytes)
{
    FDecodedImage image;
    image.pixels.assign(bytes, 7);
    return image;
}

TEST(DecodedCache, StaysWithinItsBytesEvictingTheLeastRecentlyUsed)
{
    FDecodedCache cache(100);
    cache.Put(Key("a"), ImageOf(40));
    cache.Put(Key("b"), ImageOf(40));
    FDecodedImage image;
    ASSERT_TRUE(cache.Take(Key("a"), image)); // a is now the most recent
    cache.Put(Key("a"), std::move(image));
    cache.Put(Key("c"), ImageOf(40)); // over: b goes
    EXPECT_TRUE(cache.Contains(Key("a")) && cache.Contains(Key("c")));
    EXPECT_FALSE(cache.Contains(Key("b")));
    EXPECT_EQ(cache.Bytes(), 80u);
    // Replacing an entry does not count it twice.
    cache.Put(Key("c"), ImageOf(50));
    EXPECT_EQ(cache.Bytes(), 90u);
    // One image over the whole bound stays alone until the next comes.
    cache.Put(Key("huge"), ImageOf(500));
    EXPECT_EQ(cache.Count(), 1u);
    cache.Put(Key("d"), ImageOf(10));
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_EQ(cache.Bytes(), 10u);
    EXPECT_FALSE(cache.Take(Key("huge"), image));
}

TEST(MipChain, HalvesDownToOnePixelAveragingEachBlock)
{
    FDecodedImage image;
    image.width = 5;
    image.height = 2;
    for (int i = 0; i < 10; ++i)
        image.pixels.insert(image.pixels.end(), {static_cast<uint8_t>(i * 20), 0, 255, 255});
    BuildMipChain(image);
    // 5 x 2 -> 2 x 1 -> 1 x 1; the odd column is left out as GL's sizes leave it.
    ASSERT_EQ(image.mipLevels.size(), 2u);
    ASSERT_EQ(image.mipLevels[0].size(), 2u * 4);
    ASSERT_EQ(image.mipLevels[1].size(), 1u * 4);
    EXPECT_EQ(image.mipLevels[0][0], (0 + 20 + 100 + 120 + 2) / 4);
    EXPECT_EQ(image.mipLevels[0][4], (40 + 60 + 140 + 160 + 2) / 4);
    EXPECT_EQ(image.mipLevels[1][0], (image.mipLevels[0][0] + image.mipLevels[0][4] + 1) / 2);
    EXPECT_EQ(image.mipLevels[1][2], 255);
    EXPECT_EQ(image.ByteSize(), 40u + 8u + 4u);
}

} // namespace
