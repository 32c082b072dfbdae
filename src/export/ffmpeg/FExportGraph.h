#pragma once
// One export's movie graph: our push source on its own streaming thread, an optional
// encoder (with the libswscale conversion it needs), the AVI muxer and the file.
// Failures come back as negative results; Message() holds the text to show the user
// (captioned "Vetra" by the caller; empty where nothing is shown) and Error() the
// reason in detail, FFmpeg's own words included.

#include "base/FSettings.h"
#include "base/FString.h"
#include "export/FPushSource.h"

#include <chrono>
#include <memory>

class FAviWriter;
class FFrameGrabber;

class FExportGraph
{
public:
    // frameWait bounds both threads' waits for each other; tests shorten it.
    explicit FExportGraph(std::chrono::milliseconds frameWait = kFrameWait);
    ~FExportGraph();
    FExportGraph(const FExportGraph&) = delete;
    FExportGraph& operator=(const FExportGraph&) = delete;

    // Push source -> (encoder ->) AVI muxer -> file at outputPath, which is created
    // only when everything before it worked. An empty encoderName writes uncompressed
    // bottom-up RGB24. The grabber (not owned) must outlive the graph.
    // The extension picks the container; MP4 and MKV encode even without a name (H.264).
    int Build(FFrameGrabber* grabber, const FString& outputPath, float framesPerSecond, const FString& encoderName,
              int quality = kDefaultExportQuality);
    // Starts the streaming thread. kResultFail before a successful Build.
    int Run();
    // Ends the stream (a waiting streaming thread stops at once), flushes the encoder
    // and completes the file. kResultFail when there is no graph or finishing failed.
    int Stop();
    // Push source first (which also completes the file if Stop was not called), then the writer.
    void Release();
    // Hands the grabber's current frame to the streaming thread and waits until it is
    // taken. False without a source, on time-out, or when writing has failed.
    bool PushFrame();

    const FString& Message() const { return message_; }
    const FString& Error() const { return error_; }

private:
    int Fail(int result, const FString& message, bool withWriterReason = true);

    std::chrono::milliseconds frameWait_;
    std::unique_ptr<FAviWriter> writer_;
    std::unique_ptr<FPushSource> source_;
    bool built_ = false;
    FString message_;
    FString error_;
};
