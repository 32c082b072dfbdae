#pragma once
// Where an export's frames go: the movie writer behind a seam, so the driver builds
// without FFmpeg and tests can stand in for the file.

#include "base/FString.h"
#include "export/ExportScript.h"
#include "export/FFrameGrabber.h"
#include "export/MovieContainer.h"

#include <chrono>
#include <cstdint>
#include <vector>

// How long the render thread waits for the writer to take a frame before giving up.
inline constexpr std::chrono::milliseconds kFrameWait{20000};

// A point a player can jump to: the frame it starts at and the name it shows.
struct FMovieChapter
{
    int64_t frame = 0;
    FString title;
};

struct FMovieConfig
{
    FString path; // the file actually written
    FMovieContainer container = FMovieContainer::Avi;
    FString encoderName; // empty: the container's default (uncompressed BGR24 for AVI)
    bool h264 = false;   // with no name: H.264 wherever the container holds it
    int32_t width = 0;
    int32_t height = 0;
    float framesPerSecond = 25.0f;
    int32_t quality = kDefaultExportQuality; // 1..100
    int64_t totalFrames = 0;                 // the movie's length, which the music is fitted to
    std::vector<FString> musicFiles;         // empty: no sound
    std::vector<FMovieChapter> chapters;     // in frame order; ignored where the container has none
};

// A writer's failure: what the user is told, and the library's reason for it.
struct FSinkError
{
    bool failed = false;
    FString text;   // the program's own words; may be empty
    FString detail; // e.g. "Could not write the AVI index: File too large"

    explicit operator bool() const { return failed; }
    // The words, then the reason after a blank line; either alone when the other is empty.
    FString Full() const
    {
        if (text.IsEmpty() || detail.IsEmpty())
            return text.IsEmpty() ? detail : text;
        FString all = text;
        all.Append(FString(u"\n\n")).Append(detail);
        return all;
    }
};

class FFrameSink
{
public:
    virtual ~FFrameSink() = default;

    // Prepares the movie; source is the render target's copy, whose size fixes the
    // supersampling. The file is created last, so a failure leaves none.
    virtual FSinkError Open(const FMovieConfig& config, const FFrameView& source) = 0;
    // Takes a copy of the frame and returns; reduction and encoding happen later.
    // Fails for a frame that cannot be read, when no queue slot frees up within the
    // wait, or with any earlier failure of the writer.
    virtual FSinkError Write(const FFrameView& frame) = 0;
    // Writes what is queued, flushes the encoder, writes the index and closes the
    // file. Later calls return the first call's result.
    virtual FSinkError Finish() = 0;
    // Frames in the file so far.
    virtual int32_t FramesWritten() const = 0;
    // 0 when unknown (the file's size is used instead).
    virtual uint64_t BytesWritten() const { return 0; }
    // The music's length in seconds as chosen, before it was fitted to the movie; 0
    // without music.
    virtual double MusicSeconds() const { return 0; }
};
