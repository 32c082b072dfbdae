#include "export/FSlideshow.h"

#include "app/FPhotoBookApp.h"
#include "export/ScriptPlayer.h"

#include <algorithm>

namespace {

// A machine that stalled (suspended, swapping) goes on where it stopped rather
// than skipping part of the show.
constexpr int32_t kLongestFrameMs = 1000;
// A photo that takes longer than this (a huge file, a slow disk) is shown late
// rather than stopping the show.
constexpr uint32_t kLongestWaitMs = 10000;


// Slots 4 .. 7 are on show at rest, 8 .. 11 the next spread's, which a forward
// turn brings on show.
constexpr int kFirstShownSlot = 4;
constexpr int kShownSlotsEnd = 8;
constexpr int kNextSpreadEnd = 12;

// The camera as it is, easing to the front view unless it is there already.
void EaseToFront(FPhotoBookApp& app, const FCameraPose& pose, uint32_t now)
{
    FCamera& camera = *app.camera;
    camera.current = pose;
    if (camera.InTransition() || !(pose == app.settings->cameraPresets[kFrontView]))
        camera.SetPreset(kFrontView, false, now);
    else
        camera.presetIndex = kFrontView;
}

} // namespace

FString FSlideshow::Start(FPhotoBookApp& app, uint32_t now)
{
    playing_ = false;
    if (!app.settings || !app.camera)
        return FString(u"The slideshow cannot start before the book is open.");
    if (app.photoCount <= 0)
        return FString(u"The slideshow has no photos to show: select a folder with photos first.");
    const FExportSettings settings = ExportSettingsFrom(*app.settings);
    if (!(settings.framesPerSecond > 0 && settings.framesPerSecond <= kExportMaxFps))
        return FString(u"The slideshow plays at the movie's frame rate, which is out of range (above 0 and at most "
                       u"100 frames per second): set it in the Export as Movie... dialog.");
    std::vector<FScriptStep> script = BuildExportScript(settings, app.photoCount);
    if (ScriptFrameCount(script) <= 0)
        return FString(u"The slideshow has nothing to play: the page turning, zoom and view times are all 0 "
                       u"seconds: set them in the Set Animation Speed... dialog.");

    app.FinishTurn();
    app.selectedPhoto = -1;
    script_ = std::move(script);
    // The open spread, from where its own turn has ended.
    const int32_t spread = app.pageIndex / 2;
    const auto first = std::find_if(script_.begin(), script_.end(), [spread](const FScriptStep& s) {
        return s.spread == spread && s.kind != FStepKind::PageTurn;
    });
    step_ = first == script_.end() ? 0 : static_cast<size_t>(first - script_.begin());
    EaseToFront(app, app.camera->current, now);
    framesPerSecond_ = settings.framesPerSecond;
    begun_ = false;
    stepStart_ = 0;
    playedMs_ = 0;
    heldFrames_ = 0;
    lastTime_ = now;
    waiting_ = false;
    playing_ = true;
    return FString();
}

void FSlideshow::Stop(FPhotoBookApp& app, uint32_t now)
{
    if (!playing_)
        return;
    playing_ = false;
    // A turn under way is taken over by the book's clock from here.
    app.lastFrameTime = now;
    FCamera* camera = app.camera.get();
    if (camera && app.settings && !camera->InTransition() && camera->presetIndex < kCameraPresetCount &&
        !(camera->current == app.settings->cameraPresets[camera->presetIndex]))
        camera->SetPreset(camera->presetIndex, false, now);
}

bool FSlideshow::MustWait(const FPhotoBookApp& app, const FScriptStep& step, uint32_t now)
{
    const bool cameraMoving = app.camera->InTransition();
    const int end = step.kind == FStepKind::PageTurn ? kNextSpreadEnd : kShownSlotsEnd;
    const bool photosComing = app.ArePhotoTexturesPending(kFirstShownSlot, end);
    if (!cameraMoving && !photosComing) {
        waiting_ = false;
        return false;
    }
    if (!waiting_) {
        waiting_ = true;
        waitingSince_ = now;
    }
    if (cameraMoving || now - waitingSince_ < kLongestWaitMs)
        return true;
    waiting_ = false;
    return false;
}

void FSlideshow::Rewind(FPhotoBookApp& app, uint32_t now)
{
    const FCameraPose pose = app.camera->current;
    if (app.pageIndex != 0)
        app.GoToFirstPage(now);
    EaseToFront(app, pose, now);
}

void FSlideshow::FrameMove(FPhotoBookApp& app, uint32_t now)
{
    if (!playing_) {
        app.FrameMove(now);
        return;
    }
    const int32_t elapsed = static_cast<int32_t>(now - lastTime_);
    lastTime_ = now;
    playedMs_ += static_cast<uint64_t>(std::clamp(elapsed, 0, kLongestFrameMs));
    double position = static_cast<double>(playedMs_) * framesPerSecond_ / 1000.0 - heldFrames_;
    for (;;) {
        const FScriptStep& step = script_[step_];
        if (!begun_) {
            if (MustWait(app, step, now)) {
                heldFrames_ += position - stepStart_;
                break;
            }
            BeginStep(app, step, now);
            begun_ = true;
        }
        const double end = stepStart_ + step.frames;
        if (position < end) {
            StepFrame(app, step, static_cast<float>(position - stepStart_));
            break;
        }
        // Passed within this frame: the step still ends where the movie's does.
        if (step.frames > 0)
            StepFrame(app, step, static_cast<float>(step.frames - 1));
        EndStep(app, step, FScriptPhotos::Stream);
        stepStart_ = end;
        begun_ = false;
        if (++step_ == script_.size()) {
            step_ = 0;
            Rewind(app, now);
        }
    }
    app.ScriptedFrameMove(now);
}
