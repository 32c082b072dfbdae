// The real decoder on the pool's worker threads refuses as it does on the caller's
// thread (every reason is in FImageDecoderTest), and a good photo arrives with its
// mip chain.

#include "../base/TestFiles.h"
#include "MediaTestImages.h"
#include "photos/FPhotoStream.h"
#include "photos/decode/FImageDecoder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A file that cannot be read now (no permission, no file descriptor left) fails
// for now; one that holds no picture fails for what it holds. As "nobody": root
// reads every file.
TEST(PhotoStreamDecode, WhatCannotBeReadNowMayPassWhatIsBrokenDoesNot)
{
    ScratchDir dir;
    WriteBytes(dir.file("locked.jpg"), JpegBytes(Quadrants(40, 30)));
    WriteBytes(dir.file("text.jpg"), "not a picture");
    ASSERT_EQ(::chmod(dir.file("locked.jpg").c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const int faults = RunAsNobody([&] {
        FImageDecoder decoder;
        FDecodedImage out;
        FString error;
        int faults = 0;
        if (decoder.Decode(dir.fileF("locked.jpg"), {}, out, &error) || !decoder.FailureMayPass() ||
            !U8(error).ends_with("cannot open: Permission denied"))
            faults |= 1;
        if (decoder.Decode(dir.fileF("text.jpg"), {}, out, &error) || decoder.FailureMayPass())
            faults |= 2;
        const int spare = ::open("/dev/null", O_RDONLY); // the lowest free descriptor
        const rlimit limit{static_cast<rlim_t>(spare), static_cast<rlim_t>(spare)};
        if (spare < 0 || ::close(spare) != 0 || ::setrlimit(RLIMIT_NOFILE, &limit) != 0)
            return 4;
        if (decoder.Decode(dir.fileF("text.jpg"), {}, out, &error) || !decoder.FailureMayPass())
            faults |= 8;
        return faults;
    });
    EXPECT_EQ(faults, 0) << "1: permission, 2: broken file, 8: no descriptor left";
}

} // namespace
