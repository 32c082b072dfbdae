#pragma once
// Where an export's frames go: the movie graph behind a seam, so the driver and its
// exporter build without FFmpeg and tests can stand in for the file.

#include "base/FString.h"

#include <cstdint>

class FFrameGrabber;

class FFrameSink
{
public:
    virtual ~FFrameSink() = default;

    // Prepares writing the grabber's frames (grabber not owned; it outlives the sink's
    // use) into outputPath; an empty encoderName writes uncompressed frames. False
    // when that failed; Message() then holds what to tell the user, if anything.
    virtual bool Build(FFrameGrabber& grabber, const FString& outputPath, float framesPerSecond,
                       const FString& encoderName) = 0;
    // Before Build: what the encoder trades for file size, 1..100.
    virtual void SetQuality(int quality) {}
    // Starts taking frames; the export goes on whatever it answers.
    virtual bool Run() = 0;
    // Hands over the grabber's current frame and waits until it is taken. False when
    // it could not be (Message() says why).
    virtual bool PushFrame() = 0;
    // Ends the stream and completes the file.
    virtual bool Stop() = 0;
    // Lets go of everything; harmless twice.
    virtual void Release() = 0;

    // Text for the user after a failed Build or PushFrame; empty when nothing is shown.
    virtual FString Message() const = 0;
    // 0 when unknown (the file's size is used instead).
    virtual uint64_t BytesWritten() const { return 0; }
};
