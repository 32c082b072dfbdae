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

namespace {

constexpr int kWidth = 320, kHeight = 240;
constexpr int kPhotos = 6; // two spreads: one page turn

// Photo i is red, green or blue by i % 3, large enough that decoding takes a while.
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
        for (int i = 0; i < kPhotos; ++i) {
            FRgba colour{40, 40, 40};
            (i % 3 == 0 ? colour.r : i % 3 == 1 ? colour.g : colour.b) = 230;
            WriteBytes(dir.file("p" + std::to_string(i) + ".png"),
                       PngBytes(1600, 1200, [=](int, int) { return colour; }));
        }
        ASSERT_TRUE(app.Init({dir.dirF(), 1920, 1080}, now));
        FSettings& s = *app.settings;
        s.TimePage = s.TimeZoom = s.TimeView = 1;
        s.ExportFPS = fps;
        s.RenderTransparentPage = transparentPage;
        app.textureLoader = &book.Loader();
        ASSERT_EQ(book.DeviceReset({screen->Id(), kWidth, kHeight}, FString()), kOk);
        ASSERT_TRUE(app.ScanFolder(dir.fileF("p0.png"), false, now));
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
    const FCameraPose& p = app.camera->current;
    return std::tuple(app.pageIndex, app.turnState, app.turnPosition, app.transparentTurnState, app.transparentPosition,
                      app.camera->presetIndex, std::array{p.eyeX, p.eyeY, p.eyeZ, p.yaw, p.pitch, p.roll, p.fov});
}

TEST(Slideshow, FollowsTheMoviesScriptFrameByFrameFromTheOpenSpread)
{
    struct Case
    {
        bool lastSpread; // else the first
        float fps;
        bool transparentPage;
    };
    for (const auto& [lastSpread, fps, transparentPage] : {Case{false, 25, true}, Case{true, 10, false}}) {
        ShowBook live;
        ASSERT_NO_FATAL_FAILURE(live.Open(fps, transparentPage));
        if (lastSpread)
            live.app.GoToLastPage();
        live.app.StreamPhotoTextures(true); // all there: the show never waits
        // The movie's walk, on a book of its own with the same settings.
        FPhotoBookApp movie;
        ASSERT_TRUE(movie.Init({live.dir.dirF(), 1920, 1080}, live.now));
        *movie.settings = *live.app.settings;
        movie.photoCount = live.app.photoCount;
        movie.pageIndex = live.app.pageIndex;
        const std::vector<FScriptStep> script = BuildExportScript(ExportSettingsFrom(*movie.settings), kPhotos);
        size_t k = 0; // the open spread's first step after its turn
        while (script[k].spread != movie.pageIndex / 2 || script[k].kind == FStepKind::PageTurn)
            ++k;

        ASSERT_TRUE(live.show.Start(live.app, live.now).IsEmpty());
        const uint32_t start = live.now, msPerFrame = static_cast<uint32_t>(1000 / fps);
        for (uint32_t frame = 0; k < script.size() && !testing::Test::HasFailure(); ++k) {
            BeginStep(movie, script[k], 0);
            for (int32_t i = 0; i < script[k].frames && !testing::Test::HasFailure(); ++i, ++frame) {
                StepFrame(movie, script[k], static_cast<float>(i));
                movie.BeginFrame(kWidth, kHeight, 0);
                live.FrameAt(start + frame * msPerFrame, false);
                EXPECT_EQ(BookState(live.app), BookState(movie)) << "frame " << frame << ", fps " << fps;
            }
            EndStep(movie, script[k]);
        }
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
        // The test's clock runs far ahead of the decoding workers: they catch up
        // while the show waits, which keeps the run the same every time.
        if (b.show.IsWaiting())
            b.app.photoStream->WaitIdle();
        const FCamera& camera = *b.app.camera;
        const int slot = static_cast<int>(camera.presetIndex);
        const bool onPhoto = slot >= 4 && slot <= 7 && camera.current == b.app.settings->cameraPresets[slot];
        if (onPhoto && !wasOnPhoto) {
            const int32_t photo = b.app.SlotPhotoIndex(slot);
            arrivals.push_back(photo);
            for (int shown = 4; shown < 8; ++shown) {
                const FTexture& record = b.app.photoTextures[static_cast<size_t>(shown)];
                const bool shows = record.HasTexture() && !record.Preview;
                EXPECT_TRUE(shows || b.app.SlotPhotoIndex(shown) < 0) << "photo " << photo << ", slot " << shown;
            }
            FRenderTargetCopy copy;
            ASSERT_TRUE(b.screen->ReadBgrx(copy));
            const FRgb centre = At(copy, kWidth / 2, kHeight / 2);
            const int channel[3] = {centre.red, centre.green, centre.blue}, own = photo % 3;
            EXPECT_GT(channel[own], std::max(channel[(own + 1) % 3], channel[(own + 2) % 3]) + 60)
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
        int photos, seconds;
        float fps;
        const char* reason;
    };
    for (const auto& [photos, seconds, fps, reason] :
         {Case{0, 1, 25, "no photos"}, Case{kPhotos, 0, 25, "all 0 seconds"}, Case{kPhotos, 1, 0, "frame rate"},
          Case{kPhotos, 1, 250, "frame rate"}}) {
        b.app.photoCount = photos;
        s.TimePage = s.TimeZoom = s.TimeView = seconds;
        s.ExportFPS = fps;
        EXPECT_NE(b.show.Start(b.app, b.now).ToUtf8().find(reason), std::string::npos) << reason;
        b.FrameAt(b.now + 500, false);
        EXPECT_FALSE(b.show.IsPlaying()) << reason;
        EXPECT_TRUE(b.app.camera->current == s.cameraPresets[3]) << reason;
    }
}

} // namespace
