// The real decoder on the pool's worker threads refuses as it does on the caller's
// thread (every reason is in FImageDecoderTest), and a good photo arrives with its
// mip chain.

#include "../base/TestFiles.h"
#include "MediaTestImages.h"
#include "photos/FPhotoStream.h"
#include "photos/decode/FImageDecoder.h"

#include <gtest/gtest.h>

namespace {

TEST(PhotoStreamDecode, BrokenFilesFailOnTheWorkersGoodOnesComeWithMips)
{
    ScratchDir dir;
    const std::string jpeg = JpegBytes(Quadrants(400, 300));
    const std::pair<std::string, std::string> bad[] = {
        {"cut.jpg", jpeg.substr(0, jpeg.size() / 2)},
        {"text.jpg", "not a picture"},
        {"bomb.png", PngClaiming(50000, 50000)},
    };
    FPhotoStream stream([] { return std::make_unique<FImageDecoder>(); }, 2);
    std::vector<FPhotoJob> jobs;
    FDecodeRequest full;
    full.mipChain = true;
    for (const auto& [name, bytes] : bad) {
        WriteBytes(dir.file(name), bytes);
        jobs.push_back({FPhotoKey::Of(dir.fileF(name), 2), full, true});
    }
    WriteBytes(dir.file("good.jpg"), jpeg);
    const FPhotoKey good = FPhotoKey::Of(dir.fileF("good.jpg"), 2);
    jobs.push_back({good, full, true});
    stream.Request(jobs);
    stream.WaitIdle();
    for (size_t i = 0; i + 1 < jobs.size(); ++i) {
        SCOPED_TRACE(bad[i].first);
        FDecodedImage image;
        FString error;
        EXPECT_EQ(stream.Take(jobs[i].key, image, error), FPhotoStream::Result::Failed);
        EXPECT_TRUE(U8(error).starts_with(dir.file(bad[i].first) + ": ")) << U8(error);
        EXPECT_TRUE(image.pixels.empty());
        // Handed out once: asked again, it is decoded again only when requested.
        EXPECT_EQ(stream.Take(jobs[i].key, image, error), FPhotoStream::Result::NotReady);
    }
    FDecodedImage image;
    FString error;
    ASSERT_EQ(stream.Take(good, image, error), FPhotoStream::Result::Decoded);
    ExpectQuadrants(image, 14);
    EXPECT_EQ(image.mipLevels.size(), 8u); // 400 x 300 down to 1 x 1
    EXPECT_EQ(stream.DecodesStarted(), jobs.size());
}

} // namespace
