// The decoded-image cache's byte bound and order of eviction, the mip chain
// built on the workers, and which workers take which jobs. Keys that change with the file are PhotoPoolStreamingTest's:
// a photo rewritten in place or copied over is decoded again, never served stale.

#include "photos/FPhotoStream.h"

#include "../base/TestFiles.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <sys/stat.h>
#include <mutex>
#include <set>
#include <thread>

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

// Notes the thread of every decode; while `pair` is set, each decode waits until
// another is under way beside it.
struct ThreadLog
{
    std::mutex mutex;
    std::condition_variable changed;
    std::set<std::thread::id> threads;
    int inFlight = 0;
    bool pair = false;
};

struct LoggingDecoder : FPhotoDecoder
{
    ThreadLog& log;
    explicit LoggingDecoder(ThreadLog& l) : log(l) {}
    bool Decode(const FString&, const FDecodeRequest&, FDecodedImage& out, FString*) override
    {
        std::unique_lock lock(log.mutex);
        log.threads.insert(std::this_thread::get_id());
        ++log.inFlight;
        log.changed.notify_all();
        if (log.pair)
            log.changed.wait(lock, [&] { return log.inFlight >= 2 || !log.pair; });
        log.pair = false; // once two met, the rest run freely
        log.changed.notify_all();
        --log.inFlight;
        out = ImageOf(4);
        return true;
    }
};

TEST(PhotoStream, WorkAheadTakesOneWorkerWhatIsOnShowTakesThemAll)
{
    for (const bool urgent : {false, true}) {
        SCOPED_TRACE(urgent ? "on show" : "ahead of time");
        ThreadLog log;
        log.pair = urgent; // two urgent decodes must meet, or this waits forever
        FPhotoStream stream([&] { return std::make_unique<LoggingDecoder>(log); }, 2);
        std::vector<FPhotoJob> jobs;
        for (int i = 0; i < 24; ++i)
            jobs.push_back({Key(std::to_string(i).c_str()), {}, false, urgent});
        stream.Request(jobs);
        stream.WaitIdle();
        EXPECT_EQ(stream.DecodesStarted(), 24u);
        EXPECT_EQ(log.threads.size(), urgent ? 2u : 1u);
    }
}

// Every change a user makes to a photo changes its key, including those that keep
// its size and modification time.
TEST(PhotoKey, ChangesWithTheFileEvenWhenSizeAndTimeStay)
{
    ScratchDir dir;
    const std::string photo = dir.file("a.bmp");
    const struct
    {
        const char* change;
        std::function<void()> make;
    } changes[] = {
        {"rewritten, its time put back",
         [&] {
             const auto time = std::filesystem::last_write_time(photo);
             WriteBytes(photo, "BMy");
             std::filesystem::last_write_time(photo, time);
         }},
        {"replaced by a copy with its size and time (cp -p)",
         [&] {
             WriteBytes(dir.file("copy"), "BMz");
             std::filesystem::last_write_time(dir.file("copy"), std::filesystem::last_write_time(photo));
             std::filesystem::rename(dir.file("copy"), photo);
         }},
        {"made readable", [&] { ::chmod(photo.c_str(), 0644); }},
        {"deleted", [&] { std::filesystem::remove(photo); }},
    };
    WriteBytes(photo, "BMx");
    ::chmod(photo.c_str(), 0);
    for (const auto& c : changes) {
        const FPhotoKey before = FPhotoKey::Of(FString::FromUtf8(photo.c_str()), 1);
        c.make();
        EXPECT_FALSE(FPhotoKey::Of(FString::FromUtf8(photo.c_str()), 1) == before) << c.change;
    }
}

// Images waiting for their slots, cached ones and those being decoded share one
// budget: the cache gives way, and no decode starts that would not fit, for a
// slot or ahead of time; only a quick picture does, and whatever comes next
// when nothing is held.
TEST(PhotoStream, DecodedImagesStayWithinOneBudget)
{
    ThreadLog log;
    FPhotoStream stream([&] { return std::make_unique<LoggingDecoder>(log); }, 1, 10); // 4-byte images
    std::vector<FPhotoJob> jobs;
    for (int i = 0; i < 8; ++i)
        jobs.push_back({Key(std::to_string(i).c_str()), {}, i < 3});
    stream.Request(jobs);
    stream.WaitIdle();
    EXPECT_EQ(stream.DecodesStarted(), 2u) << "a third for the slots would make 12";
    EXPECT_EQ(stream.HeldBytes(), 8u);
    FPhotoJob quick{Key("quick"), {}, true, true};
    quick.request.preview = true;
    std::vector<FPhotoJob> withQuick = jobs;
    withQuick.insert(withQuick.begin(), quick);
    stream.Request(withQuick);
    stream.WaitIdle();
    EXPECT_EQ(stream.DecodesStarted(), 3u) << "the quick picture went ahead";
    FDecodedImage image;
    FString error;
    ASSERT_EQ(stream.Take(quick.key, image, error), FPhotoStream::Result::Decoded);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(stream.Take(jobs[i].key, image, error), FPhotoStream::Result::Decoded) << i;
        stream.WaitIdle();
    }
    EXPECT_EQ(stream.DecodesStarted(), 9u) << "work ahead goes on once the slots' photos are taken";
    EXPECT_EQ(stream.HeldBytes(), 4u) << "beside the slot's photo waiting, each decode ahead pushed out the one before";
    EXPECT_EQ(stream.Take(jobs[7].key, image, error), FPhotoStream::Result::Decoded) << "the newest";
    EXPECT_EQ(stream.Take(jobs[6].key, image, error), FPhotoStream::Result::NotReady);
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
