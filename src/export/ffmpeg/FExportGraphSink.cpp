#include "export/ffmpeg/FExportGraphSink.h"

bool FExportGraphSink::Build(FFrameGrabber& grabber, const FString& outputPath, float framesPerSecond,
                             const FString& encoderName)
{
    return graph_.Build(&grabber, outputPath, framesPerSecond, encoderName, quality_) >= 0;
}

bool FExportGraphSink::Run()
{
    return graph_.Run() >= 0;
}

bool FExportGraphSink::PushFrame()
{
    return graph_.PushFrame();
}

bool FExportGraphSink::Stop()
{
    return graph_.Stop() >= 0;
}

void FExportGraphSink::Release()
{
    graph_.Release();
}
