// Streaming through the decode pool, made deterministic by waiting for the
// workers instead of the clock. The stand-in decoder reads a photo's first byte
// as its picture, so a texture shows which state of which file it came from, and
// holds chosen files at a gate, as a large photo would.

#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <map>
#include <mutex>
#include <set>

namespace {

struct ByteTexture : FakeGpuTexture
{
    int value = 0;   // the file's first byte
    int quality = 0; // square size asked for, / 256
};

struct DecodeLog
{
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::string, int> calls;
    std::string held; // decodes of this file ("*": of every file) wait until it is cleared
    bool holding = false;
    std::set<std::string> unreadable; // these fail as a file not readable for now does

    void Release()
    {
        std::lock_guard lock(mutex);
        held.clear();
        changed.notify_all();
    }
    void WaitUntilHolding()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return holding; });
    }
    int Calls(const std::string& path)
    {
        std::lock_guard lock(mutex);
        return calls[path];
    }
};

struct ByteDecoder : FPhotoDecoder
{
    DecodeLog& log;
    bool mayPass = false;
    bool FailureMayPass() const override { return mayPass; }
    explicit ByteDecoder(DecodeLog& l) : log(l) {}
    bool Decode(const FString& path, const FDecodeRequest& request, FDecodedImage& out, FString* error) override
    {
        const std::string name = U8(path);
        mayPass = false;
        // A quick picture ("p") from files whose second byte is "t" (for thumbnail),
        // never held; the photos are 3 x 2 either way.
        out.sourceWidth = 3;
        out.sourceHeight = 2;
        if (request.preview) {
            const std::string bytes = ReadBytes(name);
            if (bytes.size() < 2 || bytes[1] != 't') {
                *error = FString(u"no quick picture");
                return false;
            }
            out.width = out.height = 1;
            out.pixels = {'p', 0, 0, 0};
            return true;
        }
        {
            std::unique_lock lock(log.mutex);
            ++log.calls[name];
            if (name == log.held || log.held == "*") {
                log.holding = true;
                log.changed.notify_all();
                log.changed.wait(lock, [&] { return log.held != name && log.held != "*"; });
                log.holding = false;
            }
        }
        {
            std::lock_guard lock(log.mutex);
            mayPass = log.unreadable.count(name) != 0;
        }
        if (mayPass) {
            *error = FString::FromUtf8(name + ": cannot open: Permission denied");
            return false;
        }
        const std::string bytes = ReadBytes(name);
        if (bytes.empty() || bytes[0] == 'X') {
            *error = FString::FromUtf8(name + ": truncated");
            return false;
        }
        out.width = out.height = 1;
        out.pixels = {static_cast<uint8_t>(bytes[0]), static_cast<uint8_t>(request.squareSize / 256), 0, 0};
        return true;
    }
};

struct PoolLoader : RecordingLoader
{
    DecodeLog log;
    std::vector<int> uploads; // first bytes, in upload order
    std::unique_ptr<FPhotoDecoder> CreateDecoder() override { return std::make_unique<ByteDecoder>(log); }
    std::shared_ptr<FGpuTexture> CreateTextureFromImage(const FDecodedImage& image, FString*) override
    {
        auto texture = std::make_shared<ByteTexture>();
        texture->value = image.pixels[0];
        texture->quality = image.pixels[1];
        uploads.push_back(texture->value);
        return texture;
    }
};

struct PoolApp
{
    TestApp t;
    PoolLoader loader;
    PoolApp() { t.app.textureLoader = &loader; }
    // The workers may still be decoding with the loader's log: they stop first.
    ~PoolApp() { t.app.photoStream.reset(); }

    // Photos p00.jpg ... named in order, each starting with first + i.
    void WriteFolder(ScratchDir& dir, int n, char first)
    {
        for (int i = 0; i < n; ++i)
            WriteBytes(dir.file(Name(i)), std::string(1, static_cast<char>(first + i)));
    }
    static std::string Name(int i) { return std::string("p") + char('0' + i / 10) + char('0' + i % 10) + ".jpg"; }
    const FTexture& SlotOf(int photo) const
    {
        for (int slot = 4; slot < 8; ++slot)
            if (t.app.WindowPhotoIndex(slot) == photo)
                return t.app.photoTextures[static_cast<size_t>(slot)];
        throw std::logic_error("not on show");
    }
    void Drain()
    {
        t.app.StreamPhotoTextures(false);
        while (t.app.ArePhotoTexturesPending()) {
            t.app.photoStream->WaitIdle();
            t.app.StreamPhotoTextures(false);
        }
    }
    // Every slot that holds a texture holds the one of the file in its place now.
    void ExpectNoStaleSlot(int quality)
    {
        for (int slot = 0; slot < kPhotoSlotCount; ++slot) {
            const FTexture& record = t.app.photoTextures[static_cast<size_t>(slot)];
            const int32_t photo = t.app.WindowPhotoIndex(slot);
            if (!record.HasTexture())
                continue;
            SCOPED_TRACE(slot);
            const auto& texture = static_cast<const ByteTexture&>(*record.Texture);
            const std::string bytes = ReadBytes(U8(t.app.photoPaths[static_cast<size_t>(photo)]));
            EXPECT_EQ(texture.value, static_cast<uint8_t>(bytes[0]));
            EXPECT_EQ(texture.quality, quality);
        }
    }
};

TEST(PhotoPool, FillsTheWindowNearestFirstUntilTheTitleClears)
{
    PoolApp p;
    ScratchDir dir;
    p.WriteFolder(dir, 20, 'a');
    p.t.app.SetQuality(2);
    ASSERT_TRUE(p.t.app.ScanFolder(dir.fileF(PoolApp::Name(0)), false, 0));
    p.t.app.pageIndex = 4; // slot s shows photo s + 2
    p.loader.log.held = "*";
    std::atomic<int> wakes = 0; // a resting viewer draws again for these
    p.t.app.onPhotoDecoded = [&] { ++wakes; };
    p.t.app.StreamPhotoTextures(false);
    EXPECT_TRUE(p.loader.uploads.empty());
    p.loader.log.Release();
    // The four on show go first, across the workers, and nothing else meanwhile;
    // small textures go up together, within a frame's budget.
    p.t.app.photoStream->WaitIdle();
    EXPECT_EQ(p.t.app.photoStream->DecodesStarted(), 4u + 4u) << "four quick-picture tries and four photos";
    p.t.app.StreamPhotoTextures(false);
    EXPECT_EQ(p.loader.uploads.size(), 4u);
    for (int frame = 0; frame < 13 && p.t.app.ArePhotoTexturesPending(); ++frame) {
        p.t.app.photoStream->WaitIdle();
        p.t.app.StreamPhotoTextures(false);
    }
    EXPECT_FALSE(p.t.app.ArePhotoTexturesPending());
    std::vector<int> order;
    for (int photo : {8, 9, 6, 7, 10, 11, 12, 13, 2, 3, 4, 5})
        order.push_back('a' + photo);
    EXPECT_EQ(p.loader.uploads, order);
    // The resting book decoded the spreads beyond the window: a turn forward finds
    // them without decoding.
    p.t.app.StreamPhotoTextures(false);
    p.t.app.photoStream->WaitIdle();
    const int decodes = static_cast<int>(p.t.app.photoStream->DecodesStarted());
    // 12 in the window, 4 ahead, 2 behind (photos 0, 1), and a try at a quick
    // picture of each of the 4 on show.
    EXPECT_EQ(decodes, 20 - 2 + 4);
    EXPECT_EQ(wakes, 12 + 4) << "only what the slots wait for wakes the viewer, quick pictures too";
    p.t.app.settings->RenderTransparentPage = false;
    p.t.app.NextPage(0);
    p.t.app.StreamPhotoTextures(true);
    EXPECT_EQ(static_cast<int>(p.t.app.photoStream->DecodesStarted()), decodes);
    p.ExpectNoStaleSlot(0);
}

// A photo on show that keeps a thumbnail shows it while the photo itself decodes,
// in the photo's place and shape; the photo then takes over.
TEST(PhotoPool, AQuickPictureShowsFirstAndThePhotoTakesItsPlace)
{
    PoolApp p;
    ScratchDir dir;
    for (int i = 0; i < 4; ++i)
        WriteBytes(dir.file(PoolApp::Name(i)), std::string(1, char('a' + i)) + "t");
    ASSERT_TRUE(p.t.app.ScanFolder(dir.fileF(PoolApp::Name(0)), false, 0));
    p.loader.log.held = "*";
    const FTexture& record = p.t.app.photoTextures[6];
    for (int i = 0; i < 500 && !record.HasTexture(); ++i) {
        p.t.app.StreamPhotoTextures(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(record.HasTexture());
    EXPECT_TRUE(record.Preview);
    EXPECT_EQ(static_cast<const ByteTexture&>(*record.Texture).value, 'p');
    EXPECT_EQ(std::pair(record.Width, record.Height), std::pair(3, 2));
    EXPECT_TRUE(p.t.app.ArePhotoTexturesPending()) << "the title still says the photos are loading";
    p.loader.log.Release();
    p.Drain();
    EXPECT_FALSE(record.Preview);
    EXPECT_EQ(static_cast<const ByteTexture&>(*record.Texture).value, 'a');
    EXPECT_EQ(std::pair(record.Width, record.Height), std::pair(3, 2));
}

// A decode held at the gate finishes after the change; whatever it produced
// must not land in a slot.
TEST(PhotoPool, FolderSortQualityAndPageChangesNeverLeaveAStalePhoto)
{
    enum Change
    {
        Folder,
        Sort,
        Quality,
        Page
    };
    for (Change change : {Folder, Sort, Quality, Page}) {
        SCOPED_TRACE(change);
        PoolApp p;
        ScratchDir dir, other;
        p.WriteFolder(dir, 12, 'a');
        p.WriteFolder(other, 12, 'A');
        p.t.app.settings->RenderTransparentPage = false;
        p.t.app.SetQuality(2); // full size
        ASSERT_TRUE(p.t.app.ScanFolder(dir.fileF(PoolApp::Name(0)), false, 0));
        p.loader.log.held = dir.file(PoolApp::Name(1));
        p.t.app.StreamPhotoTextures(false);
        p.loader.log.WaitUntilHolding();
        switch (change) {
        case Folder: ASSERT_TRUE(p.t.app.ScanFolder(other.fileF(PoolApp::Name(0)), false, 0)); break;
        case Sort:
            // Same files, new order: by date puts them in another order than by name.
            for (int i = 0; i < 12; ++i)
                std::filesystem::last_write_time(dir.file(PoolApp::Name(i)),
                                                 std::filesystem::file_time_type::clock::now() -
                                                     std::chrono::hours(i + 1));
            p.t.app.SortBy(true, 0);
            break;
        case Quality: p.t.app.SetQuality(1); break;
        case Page: p.t.app.NextPage(0); break;
        }
        p.t.app.StreamPhotoTextures(false);
        p.loader.log.Release();
        p.Drain();
        p.ExpectNoStaleSlot(change == Quality ? 2 : 0); // 512 / 256, full size
        EXPECT_TRUE(p.t.app.photoTextures[6].HasTexture());
    }
}

TEST(PhotoPool, ABrokenPhotoIsDecodedOnceUntilTheDeviceIsReset)
{
    PoolApp p;
    ScratchDir dir;
    p.WriteFolder(dir, 4, 'a');
    WriteBytes(dir.file(PoolApp::Name(1)), "X-cut");
    ASSERT_TRUE(p.t.app.ScanFolder(dir.fileF(PoolApp::Name(0)), false, 0));
    for (int frame = 0; frame < 30; ++frame) {
        p.t.app.StreamPhotoTextures(false);
        p.t.app.photoStream->WaitIdle();
    }
    const std::string broken = dir.file(PoolApp::Name(1));
    EXPECT_EQ(p.loader.log.Calls(broken), 1);
    EXPECT_FALSE(p.t.app.ArePhotoTexturesPending());
    EXPECT_TRUE(p.t.app.photoTextures[7].Failed);
    EXPECT_FALSE(p.t.app.photoTextures[7].HasTexture());
    ASSERT_EQ(p.t.app.unreadablePhotos.count(1), 1u);
    EXPECT_EQ(U8(p.t.app.unreadablePhotos[1]), broken + ": truncated");

    // A reset device tries again what failed. (A mended file comes in by itself:
    // FrameLoopTest.AMendedPhotoComesInWhileTheBookRests.)
    p.t.app.ReleaseDeviceTextures();
    p.t.app.StreamPhotoTextures(true);
    EXPECT_EQ(p.loader.log.Calls(broken), 2);
}

TEST(PhotoPool, APhotoChangedOnDiskIsDecodedAgainNeverServedFromTheCache)
{
    PoolApp p;
    ScratchDir dir;
    p.WriteFolder(dir, 6, 'a');
    p.t.app.SetQuality(2);
    ASSERT_TRUE(p.t.app.ScanFolder(dir.fileF(PoolApp::Name(0)), false, 0));
    p.t.app.StreamPhotoTextures(true);
    // Same size, later time (a rotation rewrites in place); and another size (a copy over it).
    WriteBytes(dir.file(PoolApp::Name(0)), "q");
    std::filesystem::last_write_time(dir.file(PoolApp::Name(0)),
                                     std::filesystem::file_time_type::clock::now() + std::chrono::seconds(5));
    WriteBytes(dir.file(PoolApp::Name(2)), "rr");
    p.t.app.GoToFirstPage(0);
    p.t.app.StreamPhotoTextures(true);
    p.ExpectNoStaleSlot(0);
    EXPECT_EQ(p.loader.log.Calls(dir.file(PoolApp::Name(0))), 2);
    EXPECT_EQ(p.loader.log.Calls(dir.file(PoolApp::Name(1))), 1); // unchanged: from the cache
}

// The photos in the window follow their files: one replaced by a copy with the
// same size and times (cp -p), one rewritten in place with its time put back.
TEST(PhotoPool, ThePhotosInTheWindowFollowTheirFilesWithinASecond)
{
    PoolApp p;
    ScratchDir dir;
    p.WriteFolder(dir, 4, 'a');
    ASSERT_TRUE(p.t.app.ScanFolder(dir.fileF(PoolApp::Name(0)), false, 0));
    p.t.app.lastFrameTime = 100;
    p.Drain();
    const std::string first = dir.file(PoolApp::Name(0)), second = dir.file(PoolApp::Name(1));
    const auto firstTime = std::filesystem::last_write_time(first), secondTime = std::filesystem::last_write_time(second);
    WriteBytes(dir.file("copy"), "z");
    std::filesystem::last_write_time(dir.file("copy"), firstTime);
    std::filesystem::rename(dir.file("copy"), first);
    WriteBytes(second, "y");
    std::filesystem::last_write_time(second, secondTime);
    // Not looked at within the second; the old pictures stand in meanwhile.
    p.t.app.lastFrameTime = 900;
    p.t.app.StreamPhotoTextures(false);
    EXPECT_FALSE(p.t.app.ArePhotoTexturesPending());
    p.t.app.lastFrameTime = 1200;
    p.t.app.StreamPhotoTextures(false);
    EXPECT_TRUE(p.SlotOf(0).HasTexture() && p.SlotOf(1).HasTexture());
    p.Drain();
    p.ExpectNoStaleSlot(2);
    EXPECT_EQ(p.loader.log.Calls(first), 2);
}

// A file that could not be read for now is tried again after a pause, longer each
// time; a broken one only once it changes or its folder is opened again.
TEST(PhotoPool, AnUnreadablePhotoIsTriedAgainABrokenOneWhenItChanges)
{
    PoolApp p;
    ScratchDir dir;
    p.WriteFolder(dir, 4, 'a');
    const std::string locked = dir.file(PoolApp::Name(0)), broken = dir.file(PoolApp::Name(1));
    WriteBytes(broken, "X-cut");
    p.loader.log.unreadable.insert(locked);
    ASSERT_TRUE(p.t.app.ScanFolder(dir.fileF(PoolApp::Name(0)), false, 0));
    const auto at = [&](uint32_t ms) {
        p.t.app.lastFrameTime = ms;
        p.Drain();
    };
    const struct
    {
        uint32_t ms;
        int lockedCalls;
    } steps[] = {{0, 1}, {1900, 1}, {2000, 2}, {5900, 2}, {6000, 3}, {60000, 4}};
    for (const auto& step : steps) {
        at(step.ms);
        SCOPED_TRACE(step.ms);
        EXPECT_EQ(p.loader.log.Calls(locked), step.lockedCalls);
        EXPECT_EQ(p.loader.log.Calls(broken), 1);
        EXPECT_TRUE(p.SlotOf(0).Failed && p.SlotOf(1).Failed);
    }
    p.loader.log.unreadable.clear();
    at(200000);
    EXPECT_TRUE(p.SlotOf(0).HasTexture());
    EXPECT_EQ(p.t.app.unreadablePhotos.size(), 1u);
    ASSERT_TRUE(p.t.app.ScanFolder(dir.fileF(PoolApp::Name(0)), false, 0));
    at(200000);
    EXPECT_EQ(p.loader.log.Calls(broken), 2);
}

} // namespace
