#pragma once
// The export driver's frame sink on the FFmpeg movie graph.

#include "export/FFrameSink.h"
#include "export/ffmpeg/FExportGraph.h"

#include <chrono>

class FExportGraphSink : public FFrameSink
{
public:
    explicit FExportGraphSink(std::chrono::milliseconds frameWait = kFrameWait) : graph_(frameWait) {}

    bool Build(FFrameGrabber& grabber, const FString& outputPath, float framesPerSecond,
               const FString& encoderName) override;
    void SetQuality(int quality) override { quality_ = quality; }
    bool Run() override;
    bool PushFrame() override;
    bool Stop() override;
    void Release() override;
    FString Message() const override { return graph_.Message(); }
    // The reason in full (FFmpeg's own words included), for logs and the command line.
    const FString& Error() const { return graph_.Error(); }

private:
    FExportGraph graph_;
    int quality_ = kDefaultExportQuality;
};
