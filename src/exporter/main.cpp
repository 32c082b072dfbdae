// QuilloPhotoBookExport: the book of a folder as a movie, made without a
// window or an X server (an EGL surfaceless OpenGL context), for batch work and
// machines without a desktop.

#include "app/FPhotoBookApp.h"
#include "base/FClock.h"
#include "base/FFile.h"
#include "base/StopSignals.h"
#include "export/ExporterOptions.h"
#include "export/FMovieExporter.h"
#include "export/MovieContainer.h"
#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FMovieWriter.h"
#include "gl/FBookRenderer.h"
#include "gl/FGlContext.h"
#include "gl/FGlFramebuffer.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int)
{
    gInterrupted = 1;
}

// Ctrl+C, kill, a closed terminal and the other signals that would end the run are
// the exporter's Escape: the frame in hand is finished and the file deleted. Without
// SA_RESTART a call blocked in the kernel returns EINTR instead of waiting on, so the
// request is seen. Progress piped into "head" or past a file size limit fails its
// writes instead: the export goes on, or says why it cannot.
void InstallInterruptHandlers()
{
    CatchStopSignals(OnInterrupt, 0, true);
}

class FHeadlessHost : public FExportHost
{
public:
    FHeadlessHost(FBookRenderer& book, int width, int height, FProgressOutput output)
        : book_(book), width_(width), height_(height), output_(output), terminal_(::isatty(STDERR_FILENO) == 1)
    {}

    bool CreateRenderTarget(int32_t width, int32_t height) override
    {
        return book_.Renderer().CreateRenderTarget(width, height);
    }
    FFrameView RenderTargetCopy() override { return FrameViewOf(book_.Renderer().GetRenderTargetCopy()); }
    FFrameView RenderFrame(FPhotoBookApp& app) override
    {
        book_.Render(app.BeginFrame(width_, height_, Now()));
        if (!book_.Renderer().CopyRenderTarget())
            return {};
        return FrameViewOf(book_.Renderer().GetRenderTargetCopy());
    }
    // The device copies a frame while the next one is drawn.
    bool QueueFrame(FPhotoBookApp& app) override
    {
        book_.Render(app.BeginFrame(width_, height_, Now()));
        if (book_.Renderer().StartRenderTargetReadBack()) {
            ++inFlight_;
            return true;
        }
        // Without pixel buffers the copy is made at once, once the others have arrived.
        if (inFlight_ > 0 || !book_.Renderer().CopyRenderTarget())
            return false;
        copiedAtOnce_ = true;
        ++inFlight_;
        return true;
    }
    FFrameView TakeFrame() override
    {
        if (inFlight_ == 0)
            return {};
        --inFlight_;
        if (copiedAtOnce_) {
            copiedAtOnce_ = false;
            return FrameViewOf(book_.Renderer().GetRenderTargetCopy());
        }
        const FReadBack taken = book_.Renderer().TakeRenderTargetReadBack(true);
        return taken.status == FReadBackStatus::Ready ? FrameViewOf(taken.frame) : FFrameView{};
    }
    int FramesInFlight() const override { return inFlight_; }
    // Enough to keep the device busy, few enough that a supersampled 1080p target
    // (133 MB a copy) stays affordable.
    int FramesInFlightLimit() const override { return 2; }
    std::unique_ptr<FFrameSink> CreateSink() override { return std::make_unique<FMovieWriter>(); }
    bool IsEscapeDown() override { return gInterrupted != 0; }
    void Progress(const FExportProgress& progress) override
    {
        // A terminal line is rewritten a few times a second; a log gets a line every
        // few seconds; a program reading JSON a line five times a second. The first and
        // last frames always show.
        const uint32_t interval = output_ == FProgressOutput::Json ? 200 : terminal_ ? 250 : 5000;
        const bool last = progress.frame >= progress.total;
        const bool first = progress.frame == 1 && (output_ == FProgressOutput::Json || terminal_);
        if (output_ == FProgressOutput::None || (!first && !last && progress.elapsedMs - shownAt_ < interval))
            return;
        shownAt_ = progress.elapsedMs;
        if (output_ == FProgressOutput::Json) {
            std::printf("%s\n", ExportProgressJson(progress).ToUtf8().c_str());
            std::fflush(stdout);
        } else if (terminal_) {
            // \x1b[K clears what a longer line before left.
            std::fprintf(stderr, "\r%s\x1b[K", ExportProgressLine(progress).ToUtf8().c_str());
            lineOpen_ = !last;
            if (last)
                std::fputc('\n', stderr);
        } else {
            std::fprintf(stderr, "QuilloPhotoBookExport: %s\n", ExportProgressLine(progress).ToUtf8().c_str());
        }
    }
    void ShowMessage(const FString& text, FMessageIcon) override
    {
        EndProgressLine();
        std::fprintf(stderr, "QuilloPhotoBookExport: %s\n", text.ToUtf8().c_str());
    }
    // With JSON on stdout every text goes to stderr.
    void ShowExportBox(const FString& text, FMessageIcon icon) override
    {
        EndProgressLine();
        const bool problem = icon == FMessageIcon::Error || icon == FMessageIcon::Warning;
        std::fprintf(problem || output_ == FProgressOutput::Json ? stderr : stdout, "%s\n", text.ToUtf8().c_str());
    }
    uint32_t Now() override { return MillisecondClock(); }

private:
    FBookRenderer& book_;
    int width_;
    int height_;
    int inFlight_ = 0;
    bool copiedAtOnce_ = false; // the frame in flight was copied without a pixel buffer
    FProgressOutput output_;
    bool terminal_;
    bool lineOpen_ = false; // a terminal line waiting to be rewritten
    uint32_t shownAt_ = 0;

    void EndProgressLine()
    {
        if (lineOpen_)
            std::fputc('\n', stderr);
        lineOpen_ = false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    InstallInterruptHandlers();
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const std::optional<FExporterOptions> options = ParseExporterOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "QuilloPhotoBookExport: %s\n\n%s", error.c_str(), ExporterUsage());
        return 2;
    }
    if (options->help) {
        std::fputs(ExporterUsage(), stdout);
        return 0;
    }
    if (options->listEncoders) {
        std::vector<FString> names;
        if (!ListEncoders(names, ListedContainer(*options))) {
            std::fprintf(stderr, "QuilloPhotoBookExport: the encoders could not be listed\n");
            return 1;
        }
        for (const FString& name : names)
            std::printf("%s\n", name.ToUtf8().c_str());
        return 0;
    }
    if (!DirectoryExists(FString::FromUtf8(options->folder))) {
        std::fprintf(stderr, "QuilloPhotoBookExport: no such folder: %s\n", options->folder.c_str());
        return 2;
    }

    FPhotoBookApp app;
    // The viewer's settings, read but never written back.
    if (!app.Init(FSettingsEnvironment::ForRunningProgram(1920, 1080), MillisecondClock()))
        return 1;
    ApplyExporterOptions(*options, *app.settings);
    const FExportSettings settings = ExportSettingsFrom(*app.settings);
    if (!ValidateExportSettings(settings)) {
        std::fprintf(stderr, "QuilloPhotoBookExport: the export settings are out of range\n");
        return 2;
    }

    auto context = FGlContext::Create(error);
    if (!context) {
        std::fprintf(stderr, "QuilloPhotoBookExport: no OpenGL 3.3 context: %s\n", error.c_str());
        return 3;
    }
    // The "screen" the preview would go to: a framebuffer of the movie's size.
    auto screen = FGlFramebuffer::Create(settings.width, settings.height, &error);
    if (!screen) {
        std::fprintf(stderr, "QuilloPhotoBookExport: %s\n", error.c_str());
        return 1;
    }
    FBookRenderer book;
    app.textureLoader = &book.Loader();
    const FGlScreen glScreen{screen->Id(), settings.width, settings.height};
    if (book.DeviceReset(glScreen, app.effectPath) != kOk) {
        std::fprintf(stderr, "QuilloPhotoBookExport: %s\n", book.LastError().c_str());
        return 1;
    }
    app.ReloadDecorations();
    // Any path inside the folder names it.
    const FString inside = FString::FromUtf8(options->folder + "/.");
    if (!app.ScanFolder(inside, app.settings->Sort != 0, MillisecondClock())) {
        std::fprintf(stderr, "QuilloPhotoBookExport: the folder cannot be read: %s\n", options->folder.c_str());
        book.DeviceDestroyed();
        app.ReleaseDeviceTextures();
        return 1;
    }
    // Standard output carries JSON alone when it is asked for.
    std::FILE* chatter = options->progress == FProgressOutput::Json ? stderr : stdout;
    std::fprintf(chatter, "%d photos in %s\n", app.photoCount, options->folder.c_str());
    if (gInterrupted) {
        // Stopped before a file was made: there is nothing to delete.
        std::fprintf(stderr, "QuilloPhotoBookExport: Export cancelled.\n");
        book.DeviceDestroyed();
        app.ReleaseDeviceTextures();
        return 1;
    }

    FHeadlessHost host(book, settings.width, settings.height, options->progress);
    FExportOutcome outcome;
    const bool exported = ExportMovie(app, settings, FString::FromUtf8(options->output), host, &outcome);
    if (exported && options->progress == FProgressOutput::Json && outcome.framesStored > 0) {
        std::printf("%s\n", ExportReportJson(outcome.figures).ToUtf8().c_str());
        std::fflush(stdout);
    }
    // The movie shows blank places for these; the user learns which and why.
    for (const auto& [photo, reason] : app.unreadablePhotos)
        std::fprintf(stderr, "QuilloPhotoBookExport: photo %d not shown: %s\n", photo + 1,
                     (reason.IsEmpty() ? app.photoPaths[static_cast<size_t>(photo)] : reason).ToUtf8().c_str());
    book.DeviceDestroyed();
    app.ReleaseDeviceTextures();
    return exported && outcome.framesStored > 0 && !outcome.fileDeleted ? 0 : 1;
}
