// A photo the camera zooms onto is as sharp at Normal Quality as at High: while
// the camera looks at it, it is decoded again at the size the window shows it.
// At High Quality the window keeps photos no larger than it can show them, with
// the same picture as from the whole file; a movie loads them at full size.

#include "GlTestSupport.h"

#include "../base/TestFiles.h"
#include "../media/MediaTestImages.h"
#include "app/FPhotoBookApp.h"
#include "gl/FBookRenderer.h"

#include <cmath>

namespace {

constexpr int kWidth = 1024, kHeight = 768;

// The mean difference per channel between two frames.
double MeanDifference(const FRenderTargetCopy& a, const FRenderTargetCopy& b)
{
    double sum = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const FRgb p = At(a, x, y), q = At(b, x, y);
            sum += std::abs(p.red - q.red) + std::abs(p.green - q.green) + std::abs(p.blue - q.blue);
        }
    return sum / (3.0 * a.width * a.height);
}

// The book at kWidth x kHeight with one photo of checked squares, the camera on it.
struct CloseUpBook
{
    std::unique_ptr<FGlFramebuffer> screen;
    ScratchDir dir;
    FPhotoBookApp app;
    FBookRenderer book;

    void Open(int width, int height, int square)
    {
        ASSERT_NO_FATAL_FAILURE(OpenScreen(kWidth, kHeight, screen));
        WriteBytes(dir.file("photo.png"), PngBytes(width, height, [square](int x, int y) {
                       return (x / square + y / square) % 2 ? FRgba{230, 40, 40} : FRgba{20, 30, 200};
                   }));
        ASSERT_TRUE(app.Init({dir.dirF(), 1920, 1080}, 0));
        app.settings->RenderTransparentPage = false;
        app.textureLoader = &book.Loader();
        ASSERT_EQ(book.DeviceReset({screen->Id(), kWidth, kHeight}, FString()), kOk);
        ASSERT_TRUE(app.ScanFolder(dir.fileF("photo.png"), false, 0));
        app.camera->SetPreset(6, true, 0); // the photo at the top of the right page
    }
    ~CloseUpBook()
    {
        book.DeviceDestroyed();
        app.ReleaseDeviceTextures();
    }
    FRenderTargetCopy Frame(int width = kWidth)
    {
        book.Render(app.BeginFrame(width, kHeight, 0));
        FRenderTargetCopy copy;
        EXPECT_TRUE(screen->ReadBgrx(copy));
        return copy;
    }
    // Streams until nothing more comes for the photo; returns the frame then.
    // whole: as a movie loads the book.
    FRenderTargetCopy Settled(bool whole = false)
    {
        for (int pass = 0; pass < 200; ++pass) {
            Frame();
            app.StreamPhotoTextures(whole);
            if (app.photoStream)
                app.photoStream->WaitIdle();
            if (!app.WantsFrames() && !app.ArePhotoTexturesPending() && pass > 3)
                break;
        }
        return Frame();
    }
};

TEST(CloseUp, AZoomedPhotoAtNormalQualityLooksAsItDoesAtHigh)
{
    CloseUpBook b;
    // Squares of 6 pixels: a 512 x 512 texture blurs them to grey, the window does not.
    ASSERT_NO_FATAL_FAILURE(b.Open(2048, 1536, 6));
    b.app.SetQuality(1);
    b.app.camera->SetPreset(0, true, 0);
    b.Settled();
    b.app.camera->SetPreset(6, true, 0);
    const FRenderTargetCopy normal = b.Frame(); // its 512 x 512 texture
    const FRenderTargetCopy closeUp = b.Settled();
    b.app.SetQuality(2);
    const FRenderTargetCopy high = b.Settled();
    const double blurred = MeanDifference(normal, high), sharp = MeanDifference(closeUp, high);
    EXPECT_GT(blurred, 8) << "the squares were not there to lose";
    EXPECT_LT(sharp, 2) << "the close-up is not as sharp as High Quality (normal: " << blurred << ")";

    // The camera leaves: back to the photo's own texture.
    b.app.SetQuality(1);
    b.Settled();
    b.app.camera->SetPreset(0, true, 0);
    b.Settled();
    b.app.camera->SetPreset(6, true, 0);
    EXPECT_LT(MeanDifference(b.Frame(), normal), 0.5);
}

TEST(CloseUp, HighQualityKeepsPhotosAtTheWindowsSizeWithTheSamePicture)
{
    CloseUpBook b;
    // Squares of 5 pixels on a photo four times the window's width.
    ASSERT_NO_FATAL_FAILURE(b.Open(4096, 3072, 5));
    b.app.SetQuality(2);
    const FTexture& record = b.app.photoTextures[6];
    const FRenderTargetCopy window = b.Settled();
    ASSERT_TRUE(record.HasTexture());
    EXPECT_EQ(std::pair(record.Texture->Width(), record.Texture->Height()), std::pair(1024, 768));
    EXPECT_EQ(std::pair(record.Width, record.Height), std::pair(4096, 3072)) << "the photo's own size";
    const FRenderTargetCopy whole = b.Settled(true);
    EXPECT_EQ(record.Texture->Width(), 4096) << "a movie's frames take the whole photo";
    EXPECT_LT(MeanDifference(window, whole), 1.0);

    // The window grows past what the texture was made for: the photo comes again,
    // sharper, and the old picture stands in meanwhile.
    b.app.SetQuality(2);
    b.Settled();
    ASSERT_EQ(record.Texture->Width(), 1024);
    constexpr int kLarger = 1100;
    for (int pass = 0; pass < 200 && record.Texture->Width() == 1024; ++pass) {
        b.Frame(kLarger);
        b.app.StreamPhotoTextures(false);
        ASSERT_TRUE(record.HasTexture());
        b.app.photoStream->WaitIdle();
    }
    EXPECT_EQ(record.Texture->Width(), 2048);
}

} // namespace
