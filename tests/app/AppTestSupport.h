#pragma once
// An application record on a scratch program directory, with a texture loader
// that records what it was asked for, and a host that answers the file chooser.

#include "../base/TestFiles.h"
#include "app/FPhotoBookApp.h"

#include <vector>

struct FakeGpuTexture : FGpuTexture
{
    int Width() const override { return 4; }
    int Height() const override { return 4; }
};

// Hands out an 800 x 600 texture for every path, noting the path.
struct RecordingLoader : FTextureLoader
{
    std::vector<std::string> loads;

    std::shared_ptr<FGpuTexture> CreateTextureFromFile(const FString& path, int, int32_t& width, int32_t& height,
                                                       FString*) override
    {
        loads.push_back(path.ToUtf8());
        width = 800;
        height = 600;
        return std::make_shared<FakeGpuTexture>();
    }
};

struct AnsweringHost : FAppHost
{
    FString answer;
    std::vector<FString> askedIn;
    int refreshes = 0;

    FString ShowFileDialog(const FString& path, FFileDialogKind) override
    {
        askedIn.push_back(path);
        return answer;
    }
    void RefreshMenus() override { ++refreshes; }
};

struct TestApp
{
    ScratchDir dir;
    FPhotoBookApp app;
    RecordingLoader loader;
    AnsweringHost host;

    TestApp()
    {
        app.Init({dir.dirF(), 1280, 1024}, 0);
        app.textureLoader = &loader;
        app.host = &host;
    }
    explicit TestApp(int photos, bool transparentPage = true) : TestApp()
    {
        SetPhotos(photos);
        app.settings->RenderTransparentPage = transparentPage;
    }

    // A photo list of n entries without touching the disk.
    void SetPhotos(int n)
    {
        app.photoCount = n;
        for (int i = 0; i < n; ++i)
            app.photoPaths[static_cast<size_t>(i)] = FString::FromUtf8("/p/" + std::to_string(i) + ".jpg");
    }
};
