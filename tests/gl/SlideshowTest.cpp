// The slideshow plays the movie's script in the window: frame for frame the book
// is where the export's walker puts it, the camera never arrives at a photo that
// is not there yet, and after the last spread it goes round to the first.

#include "GlTestSupport.h"

#include "../base/TestFiles.h"
#include "../media/MediaTestImages.h"
#include "app/FPhotoBookApp.h"
#include "export/FSlideshow.h"
#include "export/ScriptPlayer.h"
#include "gl/FBookRenderer.h"

#include <tuple>
#include <vector>

namespace {

constexpr int kWidth = 320, kHeight = 240;
constexpr int kPhotos = 6; // two spreads: one page turn

// Photo i is strongly red, green or blue by i % 3, so the frame shows which one
// the camera looks at; large enough that decoding takes a while.
void WritePhotos(const ScratchDir& dir)
{
    for (int i = 0; i < kPhotos; ++i) {
        FRgba colour{40, 40, 40};
        (i % 3 == 0 ? colour.r : i % 3 == 1 ? colour.g : colour.b) = 230;
        WriteBytes(dir.file("p" + std::to_string(i) + ".png"),
                   PngBytes(1600, 1200, [colour](int, int) { return colour; }));
    }
}

struct ShowBook
{
    std::unique_ptr<FGlFramebuffer> screen;
    ScratchDir dir;
    FPhotoBookApp app;
    FBookRenderer book;
    FSlideshow show;
    uint32_t now = 5000;

    void Open(float fps, bool transparentPage)
    {
        ASSERT_NO_FATAL_FAILURE(OpenScreen(kWidth, kHeight, screen));
        WritePhotos(dir);
        ASSERT_TRUE(app.Init({dir.dirF(), 1920, 1080}, now));
        FSettings& s = *app.settings;
        s.TimePage = s.TimeZoom = s.TimeView = 1;
        s.ExportFPS = fps;
        s.RenderTransparentPage = transparentPage;
        app.textureLoader = &book.Loader();
        ASSERT_EQ(book.DeviceReset({screen->Id(), kWidth, kHeight}, FString()), kOk);
        ASSERT_TRUE(app.ScanFolder(dir.fileF("p0.png"), false, now));
        ASSERT_EQ(app.photoCount, kPhotos);
    }
    ~ShowBook()
    {
        book.DeviceDestroyed();
        app.ReleaseDeviceTextures();
    }
    // The window's frame at `at`: the frame move, then the frame drawn or only described.
    void FrameAt(uint32_t at, bool draw = true)
    {
        now = at;
        show.FrameMove(app, now);
        const FFrame frame = app.BeginFrame(kWidth, kHeight, now);
        if (draw)
            book.Render(frame);
    }
};

auto BookState(const FPhotoBookApp& app)
{
    return std::tuple(app.pageIndex, app.turnState, app.turnPosition, app.transparentTurnState,
                      app.transparentPosition, app.camera->presetIndex);
}

std::string Pose(const FCameraPose& p)
{
    std::string text;
    for (int i = 0; i < FCameraPose::kValueCount; ++i)
        text += std::to_string(p[i]) + " ";
    return text;
}

TEST(Slideshow, FollowsTheMoviesScriptFrameByFrameFromTheOpenSpread)
{
    struct Case
    {
        bool lastSpread; // else the first
        float fps;
        bool transparentPage;
    };
    for (const Case& c : {Case{false, 25, true}, Case{true, 10, false}}) {
        SCOPED_TRACE(c.lastSpread ? "from the last spread" : "from the first spread");
        ShowBook live;
        ASSERT_NO_FATAL_FAILURE(live.Open(c.fps, c.transparentPage));
        if (c.lastSpread)
            live.app.GoToLastPage();
        live.app.StreamPhotoTextures(true); // all there: the show never waits
        // The movie's walk, on a book of its own with the same settings and photos.
        FPhotoBookApp movie;
        ASSERT_TRUE(movie.Init({live.dir.dirF(), 1920, 1080}, live.now));
        *movie.settings = *live.app.settings;
        movie.photoCount = live.app.photoCount;
        movie.pageIndex = live.app.pageIndex;

        const std::vector<FScriptStep> script = BuildExportScript(ExportSettingsFrom(*movie.settings), kPhotos);
        size_t first = 0;
        while (script[first].spread != movie.pageIndex / 2 || script[first].kind == FStepKind::PageTurn)
            ++first;
        ASSERT_TRUE(live.show.Start(live.app, live.now).IsEmpty());
        const uint32_t start = live.now;
        const uint32_t msPerFrame = static_cast<uint32_t>(1000 / c.fps);
        uint32_t frame = 0;
        for (size_t k = first; k < script.size() && !testing::Test::HasFailure(); ++k) {
            BeginStep(movie, script[k], 0);
            for (int32_t i = 0; i < script[k].frames && !testing::Test::HasFailure(); ++i, ++frame) {
                StepFrame(movie, script[k], static_cast<float>(i));
                movie.BeginFrame(kWidth, kHeight, 0);
                live.FrameAt(start + frame * msPerFrame, false);
                EXPECT_EQ(BookState(live.app), BookState(movie)) << "frame " << frame;
                EXPECT_TRUE(live.app.camera->current == movie.camera->current)
                    << "frame " << frame << ": " << Pose(live.app.camera->current) << "against "
                    << Pose(movie.camera->current);
            }
            EndStep(movie, script[k]);
        }
        EXPECT_TRUE(live.show.IsPlaying());
    }
}

TEST(Slideshow, EveryPhotoIsThereWhenTheCameraArrivesThroughATurnAndRoundAgain)
{
    ShowBook b;
    ASSERT_NO_FATAL_FAILURE(b.Open(10, true));
    // Started at once: the first photos are still being decoded.
    ASSERT_TRUE(b.show.Start(b.app, b.now).IsEmpty());
    std::vector<int32_t> arrivals;
    bool wasOnPhoto = false;
    for (int pass = 0; pass < 3000 && arrivals.size() < kPhotos + 1; ++pass) {
        b.FrameAt(b.now + 500); // five of the script's frames
        // The test's clock runs far ahead of the decoding workers; waiting for them
        // here costs the show nothing but lets it go on.
        if (b.show.IsWaiting())
            b.app.photoStream->WaitIdle();
        const FCamera& camera = *b.app.camera;
        const uint32_t preset = camera.presetIndex;
        const bool onPhoto = preset >= 4 && preset <= 7 && camera.current == b.app.settings->cameraPresets[preset];
        if (onPhoto && !wasOnPhoto) {
            const int32_t photo = b.app.SlotPhotoIndex(static_cast<int>(preset));
            arrivals.push_back(photo);
            for (int slot = 4; slot < 8; ++slot) {
                const FTexture& record = b.app.photoTextures[static_cast<size_t>(slot)];
                if (b.app.SlotPhotoIndex(slot) >= 0 && b.app.SlotPhotoIndex(slot) < kPhotos)
                    EXPECT_TRUE(record.HasTexture() && !record.Preview) << "photo " << photo << ", slot " << slot;
            }
            FRenderTargetCopy copy;
            ASSERT_TRUE(b.screen->ReadBgrx(copy));
            const FRgb centre = At(copy, kWidth / 2, kHeight / 2);
            const int channel[3] = {centre.red, centre.green, centre.blue};
            const int strong = photo % 3;
            EXPECT_TRUE(channel[strong] > channel[(strong + 1) % 3] + 60 &&
                        channel[strong] > channel[(strong + 2) % 3] + 60)
                << "photo " << photo << " shows as " << centre;
        }
        wasOnPhoto = onPhoto;
    }
    EXPECT_EQ(arrivals, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 0}));
}

TEST(Slideshow, SaysWhyItCannotPlayAndLeavesTheBookAlone)
{
    ShowBook b;
    ASSERT_NO_FATAL_FAILURE(b.Open(25, true));
    FSettings& s = *b.app.settings;
    b.app.camera->SetPreset(3, true, b.now);
    struct Case
    {
        int photos;
        int seconds;
        float fps;
        const char* reason;
    };
    for (const Case& c : {Case{0, 1, 25, "no photos"}, Case{kPhotos, 0, 25, "all 0 seconds"},
                          Case{kPhotos, 1, 0, "frame rate"}, Case{kPhotos, 1, 250, "frame rate"}}) {
        b.app.photoCount = c.photos;
        s.TimePage = s.TimeZoom = s.TimeView = c.seconds;
        s.ExportFPS = c.fps;
        const FString reason = b.show.Start(b.app, b.now);
        EXPECT_NE(reason.ToUtf8().find(c.reason), std::string::npos) << reason.ToUtf8();
        b.FrameAt(b.now + 500, false);
        EXPECT_FALSE(b.show.IsPlaying()) << c.reason;
        EXPECT_TRUE(b.app.camera->current == s.cameraPresets[3]) << c.reason;
    }
}

} // namespace
