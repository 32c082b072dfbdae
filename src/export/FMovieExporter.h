#pragma once
// The movie export: ExportMovie plays the export script over the application record
// and hands every rendered frame to the movie writer. Everything the platform does
// (render target, drawing, Escape, boxes, the writer) comes in through FExportHost,
// so the viewer and the headless exporter share this path.

#include "app/FAppHost.h"
#include "base/FString.h"
#include "export/ExportProgress.h"
#include "export/ExportReport.h"
#include "export/ExportScript.h"
#include "export/FFrameSink.h"
#include "render/FRenderTargetCopy.h"

#include <cstdint>
#include <memory>

class FPhotoBookApp;

// The grabber's view of a render target's CPU copy; empty for none.
FFrameView FrameViewOf(const FRenderTargetCopy* copy);

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
    // The pipelined form: draws like RenderFrame but only starts the copy, so the
    // device copies while the next frame is drawn. False when the frame could not be
    // drawn or its copy not started. Hosts that copy at once keep the default.
    virtual bool QueueFrame(FPhotoBookApp& app)
    {
        queued_ = RenderFrame(app);
        inFlight_ = 1;
        return queued_.bits != nullptr;
    }
    // The oldest queued frame's copy, in drawing order, waiting for it to arrive; an
    // empty view when it was lost.
    virtual FFrameView TakeFrame()
    {
        inFlight_ = 0;
        return queued_;
    }
    // Frames queued and not yet taken, and how many may be.
    virtual int FramesInFlight() const { return inFlight_; }
    virtual int FramesInFlightLimit() const { return 1; }
    // The movie writer for this export; null when none can be made.
    virtual std::unique_ptr<FFrameSink> CreateSink() = 0;
    // Down now, or pressed since the last question.
    virtual bool IsEscapeDown() { return false; }
    // After every frame: how far the export has come. Called for each one; what is
    // shown, and how often, is the host's to choose.
    virtual void Progress(const FExportProgress& progress) {}
    // The application's own box ("Quillo's Photo Book"; nothing in full screen).
    virtual void ShowMessage(const FString& text, FMessageIcon icon) {}
    // An ownerless box captioned "Vetra": the writer's messages and the report.
    virtual void ShowExportBox(const FString& text, FMessageIcon icon) {}
    // Milliseconds, wrapping; for the report's speed and the page turn's clock.
    virtual uint32_t Now() { return 0; }

private:
    FFrameView queued_;
    int inFlight_ = 0;
};

struct FExportOutcome
{
    int64_t totalFrames = 0; // what the script holds
    int32_t framesRendered = 0;
    int32_t framesStored = 0;
    bool fileDeleted = false; // an aborted or failed export removes the file it was writing
    bool cancelled = false;   // stopped at the user's request, nothing having failed
    FString report;           // the report's text, empty when none was shown
    FExportFigures figures;   // what the report was made of
};

// Plays the export script for app's photos into a movie at outputPath, its type
// by the name (MovieContainer.h). False without a message for settings out of
// range; MovieTypeRefusal's words for a name of no movie type; "... is not a regular file." when outputPath
// names a device, FIFO, directory or the like, "... is write-protected: <reason>."
// when it is a file the user may not write (either way nothing is touched); "Out of
// Memory" when no render target can be made; false after the writer's own message
// when it cannot be opened; on Escape (the host's IsEscapeDown), "Export cancelled."
// as information; on a frame the host could not render, a frame that cannot be
// stored or a file that cannot be completed or put in place, "Error saving AVI
// file." The movie is written beside outputPath (FFileReplacement) and
// moved over it only when finished, keeping the old file's mode and group, so a
// failed export leaves an existing file as it was and deletes its own. True when the
// movie was finished and its report shown. app needs its camera and settings; the window keeps the preview's
// size afterwards.
bool ExportMovie(FPhotoBookApp& app, const FExportSettings& settings, const FString& outputPath, FExportHost& host,
                 FExportOutcome* outcome = nullptr);
