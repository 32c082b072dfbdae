#pragma once
// A whole book on a headless screen, the one fixture of the frame and effect
// tests: an application record, the renderer, and a loader of coloured photos.

#include "GlTestSupport.h"

#include "../base/TestFiles.h"
#include "app/FPhotoBookApp.h"
#include "gl/FBookRenderer.h"
#include "gl/FGlTexture.h"

#include <cstdio>

// "#rrggbb" or "#rrggbb WxH": a photo of one colour, 800 x 600 unless given. "split"
// is red left, green right under a blue top row, so which way round it lies shows.
struct ColourLoader : FTextureLoader
{
    std::shared_ptr<FGpuTexture> CreateTextureFromFile(const FString& path, int, int32_t& width, int32_t& height,
                                                       FString*) override
    {
        width = 800;
        height = 600;
        unsigned rgb = 0;
        if (path.ToUtf8() == "split") {
            const uint8_t pixels[] = {0, 0, 255, 255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0, 255};
            return std::shared_ptr<FGpuTexture>(FGlTexture::Create(2, 2, pixels, false));
        }
        if (std::sscanf(path.ToUtf8().c_str(), "#%6x %dx%d", &rgb, &width, &height) < 1)
            return nullptr;
        const uint8_t pixel[] = {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                 static_cast<uint8_t>(rgb), 255};
        return std::shared_ptr<FGpuTexture>(FGlTexture::Create(1, 1, pixel, false));
    }
};

constexpr int kWidth = 320;
constexpr int kHeight = 240;

class BookScene : public ::testing::Test
{
protected:
    // The default decoration pictures do not exist in the scratch folder: plain colours.
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(OpenScreen(width, height, screenBuffer));
        ASSERT_TRUE(app.Init({dir.dirF(), 1280, 1024}, 0));
        app.textureLoader = &loader;
        app.settings->RenderTransparentPage = false;
        ASSERT_EQ(Reset(), kOk);
    }
    void TearDown() override
    {
        book.DeviceDestroyed();
        app.ReleaseDeviceTextures();
    }

    // What the shell does when the device comes or changes size.
    FResult Reset()
    {
        const FResult result = book.DeviceReset({screenBuffer->Id(), width, height}, app.effectPath);
        if (result == kOk)
            app.ReloadDecorations();
        return result;
    }
    void ResetDevice()
    {
        book.DeviceLost();
        app.ReleaseDeviceTextures();
        ASSERT_EQ(Reset(), kOk);
        app.StreamPhotoTextures(true);
    }
    // The effect command after the chooser, as the shell runs it.
    FString SelectEffect(const FString& path)
    {
        const FString error = book.SelectEffect(path);
        app.SetEffectPath(error.IsEmpty() ? path : FString());
        return error;
    }

    // The screen at another size, as a window resized.
    void Resize(int w, int h)
    {
        width = w;
        height = h;
        ASSERT_NO_FATAL_FAILURE(OpenScreen(width, height, screenBuffer));
        book.SetScreen({screenBuffer->Id(), width, height});
    }

    void Render() { book.Render(app.BeginFrame(width, height, 0)); }
    FRenderTargetCopy Frame()
    {
        Render();
        FRenderTargetCopy copy;
        EXPECT_TRUE(screenBuffer->ReadBgrx(copy));
        return copy;
    }

    int width = kWidth, height = kHeight;
    ScratchDir dir;
    FPhotoBookApp app;
    ColourLoader loader;
    FBookRenderer book;
    std::unique_ptr<FGlFramebuffer> screenBuffer;
};
