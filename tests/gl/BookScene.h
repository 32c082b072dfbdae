#pragma once
// A whole book on a headless screen, the one fixture of the frame and effect
// tests: an application record, the renderer, and the test's texture loader.

#include "GlTestSupport.h"

#include "../base/TestFiles.h"
#include "app/FPhotoBookApp.h"
#include "render/gl/FBookRenderer.h"

template <class Loader> class BookScene : public ::testing::Test
{
protected:
    BookScene(int width, int height) : width_(width), height_(height) {}

    void SetUp() override
    {
        std::string error;
        FGlContext* context = SharedContext(error);
        ASSERT_NE(context, nullptr) << error;
        ASSERT_TRUE(context->MakeCurrent());
        screenBuffer = FGlFramebuffer::Create(width_, height_, &error);
        ASSERT_NE(screenBuffer, nullptr) << error;
        ASSERT_TRUE(app.Init({dir.dirF(), 1280, 1024}, 0));
        app.textureLoader = &loader;
        app.settings->RenderTransparentPage = false;
    }
    void TearDown() override
    {
        book.DeviceDestroyed();
        app.ReleaseDeviceTextures();
    }

    // What the shell does when the device comes or changes size.
    FResult Reset()
    {
        const FGlScreen screen{screenBuffer->Id(), width_, height_};
        const FResult result = book.DeviceReset(screen, app.effectPath);
        if (result == kOk)
            app.ReloadDecorations();
        return result;
    }
    void DeviceLost()
    {
        book.DeviceLost();
        app.ReleaseDeviceTextures();
    }
    // The effect command after the chooser, as the shell runs it.
    FString SelectEffect(const FString& path)
    {
        const FString error = book.SelectEffect(path);
        app.SetEffectPath(error.IsEmpty() ? path : FString());
        return error;
    }

    void Render(uint32_t now = 0) { book.Render(app.BeginFrame(width_, height_, now)); }
    FRenderTargetCopy Frame(uint32_t now = 0)
    {
        Render(now);
        FRenderTargetCopy copy;
        EXPECT_TRUE(screenBuffer->ReadBgrx(copy));
        return copy;
    }

    int width_;
    int height_;
    ScratchDir dir;
    FPhotoBookApp app;
    Loader loader;
    FBookRenderer book;
    std::unique_ptr<FGlFramebuffer> screenBuffer;
};
