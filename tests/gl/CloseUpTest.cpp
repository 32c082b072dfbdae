// A photo the camera zooms onto is as sharp at Normal Quality as at High: while
// the camera looks at it, it is decoded again at the size the window shows it.

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

TEST(CloseUp, AZoomedPhotoAtNormalQualityLooksAsItDoesAtHigh)
{
    std::unique_ptr<FGlFramebuffer> screen;
    ASSERT_NO_FATAL_FAILURE(OpenScreen(kWidth, kHeight, screen));
    ScratchDir dir;
    // Squares of 6 pixels: a 512 x 512 texture blurs them to grey, the window does not.
    WriteBytes(dir.file("fine.png"), PngBytes(2048, 1536, [](int x, int y) {
                   return (x / 6 + y / 6) % 2 ? FRgba{230, 40, 40} : FRgba{20, 30, 200};
               }));
    FPhotoBookApp app;
    ASSERT_TRUE(app.Init({dir.dirF(), 1920, 1080}, 0));
    app.settings->RenderTransparentPage = false;
    FBookRenderer book;
    app.textureLoader = &book.Loader();
    ASSERT_EQ(book.DeviceReset({screen->Id(), kWidth, kHeight}, FString()), kOk);
    ASSERT_TRUE(app.ScanFolder(dir.fileF("fine.png"), false, 0));
    app.camera->SetPreset(6, true, 0); // the photo at the top of the right page

    const auto frame = [&] {
        book.Render(app.BeginFrame(kWidth, kHeight, 0));
        FRenderTargetCopy copy;
        EXPECT_TRUE(screen->ReadBgrx(copy));
        return copy;
    };
    // Streams until nothing more comes for the photo; returns the frame then.
    const auto settled = [&] {
        for (int pass = 0; pass < 200; ++pass) {
            frame();
            app.StreamPhotoTextures(false);
            if (app.photoStream)
                app.photoStream->WaitIdle();
            if (!app.WantsFrames() && !app.ArePhotoTexturesPending() && pass > 3)
                break;
        }
        return frame();
    };

    app.SetQuality(1);
    app.camera->SetPreset(0, true, 0);
    settled();
    app.camera->SetPreset(6, true, 0);
    const FRenderTargetCopy normal = frame(); // its 512 x 512 texture
    const FRenderTargetCopy closeUp = settled();
    app.SetQuality(2);
    const FRenderTargetCopy high = settled();
    const double blurred = MeanDifference(normal, high), sharp = MeanDifference(closeUp, high);
    EXPECT_GT(blurred, 8) << "the squares were not there to lose";
    EXPECT_LT(sharp, 2) << "the close-up is not as sharp as High Quality (normal: " << blurred << ")";

    // The camera leaves: back to the photo's own texture.
    app.SetQuality(1);
    settled();
    app.camera->SetPreset(0, true, 0);
    settled();
    app.camera->SetPreset(6, true, 0);
    EXPECT_LT(MeanDifference(frame(), normal), 0.5);

    book.DeviceDestroyed();
    app.ReleaseDeviceTextures();
}

} // namespace
