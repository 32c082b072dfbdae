#pragma once
// Walks the export script over the application record, one step at a time: the
// page and camera state before a step's first frame, at any frame of it, and once
// its last frame is done. The movie export and the slideshow both play the script
// through these, so the screen shows what the movie will.

#include "export/ExportScript.h"

#include <cstdint>

class FPhotoBookApp;

// Page and camera state before the first frame of a step.
void BeginStep(FPhotoBookApp& app, const FScriptStep& step, uint32_t now);
// The state at frame i of the step; a slideshow also asks between frames.
void StepFrame(FPhotoBookApp& app, const FScriptStep& step, float i);

// A movie waits for every photo of the spread a turn opens; a slideshow goes on
// while they stream in.
enum class FScriptPhotos
{
    LoadAll,
    Stream,
};

// After the step's last frame.
void EndStep(FPhotoBookApp& app, const FScriptStep& step, FScriptPhotos photos = FScriptPhotos::LoadAll);
