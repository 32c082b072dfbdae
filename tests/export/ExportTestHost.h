#pragma once
// An export host without a device: a 2x target in memory painted blue = frame number,
// green = 50 x page index, red 200; records what each frame saw and every box shown.

#include "app/FPhotoBookApp.h"
#include "export/FMovieExporter.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct FrameSeen
{
    int32_t exporting;
    float turnPosition, transparentPosition, aspectFactor, effectTime;
    uint32_t preset;
};

struct Box
{
    std::string text;
    bool exportBox; // captioned for the export rather than the application
    FMessageIcon icon;
};

struct TestExportHost : FExportHost
{
    std::function<std::unique_ptr<FFrameSink>()> makeSink;
    bool failRenderTarget = false;
    int escapeAtFrame = -1; // 0-based frame during which Escape is down
    int lostAtFrame = -1;   // 0-based frame whose render comes back empty (the target lost)
    int pipelineDepth = 1;  // > 1: copies arrive late, up to this many on their way, as from a device
    int lostOnTheWay = -1;  // 0-based frame whose copy never arrives
    FPreviewArea area;
    FClientSize clientSize;
    std::vector<FrameSeen> frames;
    std::vector<Box> boxes;
    FExportProgress lastProgress;
    uint32_t clock = 1000;
    FRenderTargetCopy copy;
    std::deque<std::pair<int, std::vector<uint8_t>>> onTheWay; // frame number, its pixels
    std::vector<uint8_t> arrived;

    FPreviewArea PreviewArea() const override { return area; }
    void SetClientSize(int32_t w, int32_t h) override { clientSize = {w, h}; }
    bool CreateRenderTarget(int32_t w, int32_t h) override
    {
        if (failRenderTarget)
            return false;
        copy.width = 2 * w;
        copy.height = 2 * h;
        copy.pitch = copy.width * 4;
        copy.pixels.assign(static_cast<size_t>(copy.pitch) * copy.height, 0);
        return true;
    }
    FFrameView RenderTargetCopy() override { return FrameViewOf(&copy); }
    FFrameView RenderFrame(FPhotoBookApp& app) override
    {
        for (size_t i = 0; i < copy.pixels.size(); i += 4) {
            copy.pixels[i] = static_cast<uint8_t>(frames.size());
            copy.pixels[i + 1] = static_cast<uint8_t>(50 * app.pageIndex);
            copy.pixels[i + 2] = 200;
        }
        frames.push_back({app.exporting, app.turnPosition, app.transparentPosition, app.aspectFactor, app.effectTime,
                          app.camera->presetIndex});
        clock += 10;
        return static_cast<int>(frames.size()) - 1 == lostAtFrame ? FFrameView{} : FrameViewOf(&copy);
    }
    bool QueueFrame(FPhotoBookApp& app) override
    {
        if (pipelineDepth <= 1)
            return FExportHost::QueueFrame(app);
        EXPECT_LT(static_cast<int>(onTheWay.size()), pipelineDepth);
        const bool drawn = RenderFrame(app).bits != nullptr;
        onTheWay.emplace_back(static_cast<int>(frames.size()) - 1, copy.pixels);
        return drawn;
    }
    FFrameView TakeFrame() override
    {
        if (pipelineDepth <= 1)
            return FExportHost::TakeFrame();
        const int frame = onTheWay.front().first;
        arrived = std::move(onTheWay.front().second);
        onTheWay.pop_front();
        return frame == lostOnTheWay ? FFrameView{} : FFrameView{arrived.data(), copy.width, copy.height, copy.pitch};
    }
    int FramesInFlight() const override
    {
        return pipelineDepth <= 1 ? FExportHost::FramesInFlight() : static_cast<int>(onTheWay.size());
    }
    int FramesInFlightLimit() const override { return pipelineDepth; }
    std::unique_ptr<FFrameSink> CreateSink() override { return makeSink ? makeSink() : nullptr; }
    bool IsEscapeDown() override { return static_cast<int>(frames.size()) == escapeAtFrame; }
    void Progress(const FExportProgress& progress) override { lastProgress = progress; }
    void ShowMessage(const FString& text, FMessageIcon icon) override { boxes.push_back({text.ToUtf8(), false, icon}); }
    void ShowExportBox(const FString& text, FMessageIcon icon) override
    {
        boxes.push_back({text.ToUtf8(), true, icon});
    }
    uint32_t Now() override { return clock; }
};
