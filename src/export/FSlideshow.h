#pragma once
// The movie's script played live in the window. Where it stands comes from the clock
// (real time x the movie's frames per second), so the book moves as the movie will
// at whatever rate the window draws. It starts on the open spread, goes round to the
// first one after the last, and waits at the start of a step while the photos that
// step shows are still on their way (or the camera still eases onto the front view),
// so the camera never arrives at an empty photo that could have been there.

#include "base/FString.h"
#include "export/ExportScript.h"

#include <cstdint>
#include <vector>

class FPhotoBookApp;

class FSlideshow
{
public:
    // Starts on the open spread with the settings as they are (times, frame rate,
    // transparent page). Empty on success; otherwise what the user is told, and
    // nothing plays.
    FString Start(FPhotoBookApp& app, uint32_t now);
    // Leaves the book where it stands: a turn under way goes on to its end by the
    // clock, the camera settles on the view it was moving to.
    void Stop(FPhotoBookApp& app, uint32_t now);
    // In place of app.FrameMove: the script while playing, the book's own moves
    // otherwise.
    void FrameMove(FPhotoBookApp& app, uint32_t now);

    bool IsPlaying() const { return playing_; }
    // Playing, but held at a step's start until its photos or the camera are ready.
    bool IsWaiting() const { return playing_ && waiting_; }

private:
    bool MustWait(const FPhotoBookApp& app, const FScriptStep& step, uint32_t now);
    // After the last spread: back to the first, the camera easing to the front view.
    void Rewind(FPhotoBookApp& app, uint32_t now);

    std::vector<FScriptStep> script_;
    double framesPerSecond_ = 25;
    size_t step_ = 0;
    bool begun_ = false;    // step_ has begun
    double stepStart_ = 0;  // the script frame step_ starts at
    uint64_t playedMs_ = 0; // clock time since the start
    double heldFrames_ = 0; // frames of that time spent waiting
    uint32_t lastTime_ = 0;
    bool playing_ = false;
    bool waiting_ = false;
    uint32_t waitingSince_ = 0;
};
