#include "export/ScriptPlayer.h"

#include "app/FPhotoBookApp.h"
#include "render/BookGeometry.h"

void BeginStep(FPhotoBookApp& app, const FScriptStep& step, uint32_t now)
{
    switch (step.kind) {
    case FStepKind::PageTurn: app.StartExportPageTurn(now); break;
    case FStepKind::TransparentTurn: app.StartExportSheetTurn(); break;
    case FStepKind::Hold:
    case FStepKind::Move: app.RestForExport(step.step > kTransparentStep); break;
    }
}

void StepFrame(FPhotoBookApp& app, const FScriptStep& step, float i)
{
    const float t = StepProgress(i, step.frames);
    switch (step.kind) {
    case FStepKind::PageTurn: app.SetExportTurnPosition(TurnEnd * t); break;
    case FStepKind::TransparentTurn: app.SetExportSheetPosition(TurnEnd * t); break;
    case FStepKind::Hold:
    case FStepKind::Move:
        if (app.camera)
            app.camera->InterpolatePresets(step.fromPreset, step.toPreset, t);
        break;
    }
}

void EndStep(FPhotoBookApp& app, const FScriptStep& step, FScriptPhotos photos)
{
    if (step.kind == FStepKind::PageTurn) {
        app.EndExportPageTurn(photos == FScriptPhotos::LoadAll);
    } else if (step.frames <= 0 && (step.kind == FStepKind::Hold || step.kind == FStepKind::Move) && app.camera) {
        // A phase set to 0 seconds still leaves the camera where the step ends, so
        // the next page turn does not find it on a photo and start a transition.
        app.camera->InterpolatePresets(step.fromPreset, step.toPreset, 1.0f);
    }
}
