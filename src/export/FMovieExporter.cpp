#include "export/FMovieExporter.h"

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "base/FFileReplacement.h"
#include "export/MovieChapters.h"
#include "export/ScriptPlayer.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Devices, FIFOs and directories are never written over or deleted; a path that
// cannot be looked at is left to the writer, which then fails with its own words.
bool NamesSomethingElseThanAFile(const FString& path)
{
    std::error_code error;
    const fs::file_type type = fs::status(fs::path(path.ToUtf8()), error).type();
    return type != fs::file_type::regular && type != fs::file_type::not_found && type != fs::file_type::none;
}

} // namespace

FFrameView FrameViewOf(const FRenderTargetCopy* copy)
{
    if (!copy)
        return {};
    return {copy->pixels.empty() ? nullptr : copy->pixels.data(), copy->width, copy->height, copy->pitch};
}

bool ExportMovie(FPhotoBookApp& app, const FExportSettings& settings, const FString& outputPath, FExportHost& host,
                 FExportOutcome* outcome)
{
    FExportOutcome local;
    FExportOutcome& out = outcome ? *outcome : local;
    out = FExportOutcome();

    // No name is no file to write; a temporary beside it would land in the working folder.
    if (!ValidateExportSettings(settings) || outputPath.IsEmpty())
        return false;
    if (NamesSomethingElseThanAFile(outputPath)) {
        host.ShowMessage(outputPath + FString(u" is not a regular file."), FMessageIcon::Error);
        return false;
    }
    // A name of no movie type is refused before anything exists or is rendered.
    if (const FString refusal = MovieTypeRefusal(outputPath); !refusal.IsEmpty()) {
        host.ShowMessage(refusal, FMessageIcon::Error);
        return false;
    }
    // Renaming over a file needs only the folder's permission: what the user may not
    // write is refused here, before anything is rendered.
    if (const int refusal = ReplaceRefusal(outputPath)) {
        host.ShowMessage(outputPath + FString(u" is write-protected: ") + ErrorText(refusal) + FString(u"."),
                         FMessageIcon::Error);
        return false;
    }

    const FPreviewArea area = host.PreviewArea();
    const FClientSize preview = FitPreviewSize(settings.width, settings.height, area.frameWidth, area.frameHeight,
                                               area.screenWidth, area.screenHeight);
    host.SetClientSize(preview.width, preview.height);

    if (!host.CreateRenderTarget(settings.width, settings.height)) {
        host.ShowMessage(FString(u"Out of Memory"), FMessageIcon::Error);
        return false;
    }

    // The movie grows beside outputPath and takes its place only once complete, so a
    // failure never costs the file that was there. When no temporary can be made its
    // name still goes to the writer, which then fails as it would on outputPath.
    FFileReplacement replacement(outputPath);
    const FString temporaryPath = replacement.Path();
    // The user chose outputPath; the temporary name means nothing to them.
    auto showWriterError = [&](const FSinkError& error) {
        FString text = error.Full();
        text.ReplaceAll(temporaryPath, outputPath);
        if (!text.IsEmpty())
            host.ShowExportBox(text, FMessageIcon::Error);
    };
    const FFrameView source = host.RenderTargetCopy();
    const uint32_t startTime = host.Now();
    std::unique_ptr<FFrameSink> sink = host.CreateSink();
    // The script comes first: the music is fitted to the movie's length when the writer opens.
    const std::vector<FScriptStep> script = BuildExportScript(settings, app.photoCount);
    out.totalFrames = ScriptFrameCount(script);
    FMovieConfig config;
    config.path = temporaryPath;
    config.container = *ContainerForPath(outputPath);
    config.encoderName = settings.encoderName;
    config.h264 = settings.h264;
    config.width = settings.width;
    config.height = settings.height;
    config.framesPerSecond = settings.framesPerSecond;
    config.quality = settings.quality;
    config.totalFrames = out.totalFrames;
    config.musicFiles = settings.musicFiles;
    config.chapters = MovieChapters(script, app.photoCount, app.locale ? *app.locale : FLocale());
    const FSinkError opened = sink ? sink->Open(config, source) : FSinkError{true};
    if (opened) {
        sink.reset();
        replacement.Discard();
        // The writer's own words; nothing more is said.
        showWriterError(opened);
        return false;
    }

    // Stores arrived copies until at most `keep` are on their way; false on a lost
    // frame or a failed write (which is shown).
    auto storeFrames = [&](int keep) {
        while (host.FramesInFlight() > keep) {
            const FFrameView copy = host.TakeFrame();
            if (!copy.bits || copy.width != source.width || copy.height != source.height)
                return false;
            if (const FSinkError written = sink->Write(copy)) {
                showWriterError(written);
                return false;
            }
        }
        return true;
    };

    app.StreamPhotoTextures(true);
    app.exporting = 1;
    FProgressEstimator estimator(script, settings.framesPerSecond);
    int64_t frame = 0;
    bool going = true;
    bool cancelled = false;
    bool lost = false; // a frame not drawn, lost on its way, or not stored
    for (const FScriptStep& step : script) {
        if (!going)
            break;
        BeginStep(app, step, host.Now());
        for (int32_t i = 0; i < step.frames && going; ++i) {
            // The frame in hand is still finished and stored; the export stops after it.
            if (host.IsEscapeDown())
                going = false, cancelled = true;
            StepFrame(app, step, i);
            app.aspectFactor = settings.pixelAspect;
            app.effectTime = static_cast<float>(frame) / settings.framesPerSecond;
            const bool queued = host.QueueFrame(app);
            ++frame;
            ++out.framesRendered;
            // A frame that was not rendered (the target lost, say by a resize) is
            // never stored in its place, nor the previous one again.
            if (!queued || !storeFrames(host.FramesInFlightLimit() - 1)) {
                going = false;
                lost = true;
                break;
            }
            FExportProgress progress = estimator.Next(frame, host.Now() - startTime);
            progress.bytes = sink->BytesWritten();
            if (progress.bytes == 0)
                progress.bytes = GetFileSize64(temporaryPath);
            host.Progress(progress);
        }
        if (going)
            EndStep(app, step);
    }

    // Frames whose copies are still on their way are stored after an Escape too.
    if (!lost && !storeFrames(0))
        going = false, lost = true;
    app.aspectFactor = 1.0f;
    // A file that cannot be completed is as lost as a frame that cannot be stored.
    const FSinkError finished = sink->Finish();
    if (finished && going) {
        going = false;
        showWriterError(finished);
    }
    out.framesStored = sink->FramesWritten();
    // The movie's place may have changed meanwhile: a directory there, or the file
    // protected.
    if (going && !replacement.Commit()) {
        going = false;
        host.ShowMessage(outputPath + FString(u": ") + ErrorText(replacement.LastError()), FMessageIcon::Error);
    }
    if (going) {
        FExportFigures figures;
        figures.hasGrabber = true;
        figures.outputPath = outputPath;
        figures.bytesWritten = sink->BytesWritten();
        if (figures.bytesWritten == 0)
            figures.bytesWritten = GetFileSize64(outputPath);
        figures.width = settings.width;
        figures.height = settings.height;
        figures.formatName = FString(u"RGB");
        figures.samplesPerPixel =
            std::max(source.width / settings.width, 1) * std::max(source.height / settings.height, 1);
        figures.framesPerSecond = settings.framesPerSecond;
        figures.framesRendered = out.framesRendered;
        figures.framesStored = out.framesStored;
        figures.elapsedMs = host.Now() - startTime;
        figures.unreadablePhotos = static_cast<int32_t>(app.unreadablePhotos.size());
        figures.musicFiles = settings.musicFiles;
        figures.musicSeconds = sink->MusicSeconds();
        out.report = ExportReportText(figures);
        out.figures = figures;
        host.ShowExportBox(out.report, FMessageIcon::Information);
    } else {
        // Stopping is no failure, though the movie is as gone as after one; a failure
        // on the way out still says so.
        out.cancelled = cancelled && !lost;
        if (out.cancelled)
            host.ShowMessage(FString(u"Export cancelled."), FMessageIcon::Information);
        else
            host.ShowMessage(FString(u"Error saving AVI file."), FMessageIcon::Error);
        replacement.Discard();
        out.fileDeleted = !FileExists(temporaryPath);
    }
    sink.reset();
    app.exporting = 0;
    return going;
}
