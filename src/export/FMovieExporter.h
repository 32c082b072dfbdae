#pragma once
// The movie export: the writer of one export (FMovieExporter, with the graph-backed
// FAviGraphExporter) and ExportMovie, which plays the export script over the
// application record and hands every rendered frame to the writer. Everything the
// platform does (render target, drawing, Escape, boxes, the movie graph) comes in
// through FExportHost, so the viewer and the headless exporter share this path.

#include "app/FAppHost.h"
#include "base/FString.h"
#include "export/ExportReport.h"
#include "export/ExportScript.h"
#include "export/FFrameGrabber.h"
#include "export/FFrameSink.h"
#include "render/FRenderTargetCopy.h"

#include <cstdint>
#include <memory>

class FPhotoBookApp;

// The grabber's view of a render target's CPU copy; empty for none.
FFrameView FrameViewOf(const FRenderTargetCopy* copy);

// The writer of one export. Owns the frame grabber; counts frames and time for the report.
class FMovieExporter
{
public:
    // source: the render target's CPU copy, whose size fixes the supersampling factors.
    FMovieExporter(const FString& outputPath, float framesPerSecond, const FFrameView& source, int32_t width,
                   int32_t height, uint32_t startTime);
    virtual ~FMovieExporter();
    FMovieExporter(const FMovieExporter&) = delete;
    FMovieExporter& operator=(const FMovieExporter&) = delete;

    // Converts the frame just rendered into frame and stores it. False when it could
    // not be stored; the export then stops.
    virtual bool WriteFrame(const FFrameView& frame) = 0;
    // Completes the file.
    virtual bool Finish() = 0;
    // 0 = unknown; the report then reads the file's size.
    virtual uint64_t GetBytesWritten() const { return 0; }
    // What the writer has to tell the user after a failure; empty when nothing.
    virtual FString Message() const { return FString(); }

    bool IsOk() const { return ok_; }
    const FFrameGrabber* Grabber() const { return grabber_.get(); }
    int32_t FramesRendered() const { return framesRendered_; }
    int32_t FramesStored() const { return framesStored_; }
    // The report's figures at time now (the same clock as startTime).
    FExportFigures Figures(uint32_t now) const;

protected:
    bool ok_ = false;
    FString outputPath_;
    float framesPerSecond_ = 0;
    std::unique_ptr<FFrameGrabber> grabber_;
    int32_t framesRendered_ = 0;
    int32_t framesStored_ = 0;
    uint32_t startTime_ = 0;
};

// Frames through a movie graph into an AVI file. Construction builds and runs the
// graph; IsOk() is false when that failed (Message() then holds the graph's words,
// if it had any).
class FAviGraphExporter : public FMovieExporter
{
public:
    FAviGraphExporter(std::unique_ptr<FFrameSink> sink, const FString& encoderName, const FString& outputPath,
                      float framesPerSecond, int32_t width, int32_t height, const FFrameView& source,
                      uint32_t startTime, int32_t quality = kDefaultExportQuality);
    ~FAviGraphExporter() override;

    bool WriteFrame(const FFrameView& frame) override;
    bool Finish() override;
    FString Message() const override { return message_; }

private:
    std::unique_ptr<FFrameSink> sink_;
    FString message_;
};

// The screen around the preview: the window's frame (outer minus client size) and
// the screen. The default, no screen, leaves the preview at the movie's size.
struct FPreviewArea
{
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t screenWidth = 1 << 30;
    int32_t screenHeight = 1 << 30;
};

class FExportHost
{
public:
    virtual ~FExportHost() = default;

    virtual FPreviewArea PreviewArea() const { return {}; }
    // Centres the window with this client size; the device follows the new size.
    virtual void SetClientSize(int32_t width, int32_t height) {}
    // The supersampled target for a width x height movie; false when it cannot be made.
    virtual bool CreateRenderTarget(int32_t width, int32_t height) = 0;
    // Its CPU copy, whose size the grabber works from.
    virtual FFrameView RenderTargetCopy() = 0;
    // Draws app's current state into the render target (app.exporting is 1), shows it
    // in the window, and copies it to memory: the copy, or an empty view on failure.
    virtual FFrameView RenderFrame(FPhotoBookApp& app) = 0;
    // The movie graph for this export; null when none can be made.
    virtual std::unique_ptr<FFrameSink> CreateSink() = 0;
    // Down now, or pressed since the last question.
    virtual bool IsEscapeDown() { return false; }
    // After every frame: frame of total have been rendered.
    virtual void Progress(int64_t frame, int64_t total) {}
    // The application's own box ("Quillo's Photo Book"; nothing in full screen).
    virtual void ShowMessage(const FString& text, FMessageIcon icon) {}
    // An ownerless box captioned "Vetra": the graph's messages and the report.
    virtual void ShowExportBox(const FString& text, FMessageIcon icon) {}
    // Milliseconds, wrapping; for the report's speed and the page turn's clock.
    virtual uint32_t Now() { return 0; }
};

struct FExportOutcome
{
    int64_t totalFrames = 0; // what the script holds
    int32_t framesRendered = 0;
    int32_t framesStored = 0;
    bool fileDeleted = false; // an aborted or failed export removes the file it was writing
    FString report;           // the report's text, empty when none was shown
};

// Plays the export script for app's photos into an AVI at outputPath. False without
// a message for settings out of range; "... is not a regular file." when outputPath
// names a device, FIFO, directory or the like (nothing is touched); "Out of Memory"
// when no render target can be made; false after the graph's own message when it
// cannot be built; on Escape or a frame that cannot be stored, "Error saving AVI
// file." The movie is written beside outputPath and moved over it only when
// finished, so a failed export leaves an existing file as it was and deletes its
// own. True when the movie was finished and its report shown. app needs its camera
// and settings; the window keeps the preview's size afterwards.
bool ExportMovie(FPhotoBookApp& app, const FExportSettings& settings, const FString& outputPath, FExportHost& host,
                 FExportOutcome* outcome = nullptr);
