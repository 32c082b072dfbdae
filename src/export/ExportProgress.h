#pragma once
// How far an export has come and how long it still needs, as the viewer's progress
// window and the headless exporter show it. A page turn costs several times what a
// camera's move or hold does, so the estimate learns what a frame of each costs and
// adds up what the rest of the script holds of each; until a kind has many frames
// behind it, its cost leans on the mean of all. The frames of the first seconds
// (shaders compiled, caches filling) cost more than the rest and are not counted,
// and a single stall counts as a few slow frames at most. Means over the whole export keep the figure calm: one slow
// frame (a photo decoded late, a busy machine) does not make it jump, and the
// start-up before the first frame (textures loaded, the file opened) does not
// count.

#include "base/FString.h"
#include "export/ExportScript.h"

#include <array>
#include <cstdint>
#include <vector>

struct FExportProgress
{
    int64_t frame = 0; // frames rendered so far
    int64_t total = 0; // frames the script holds
    float framesPerSecond = 0;
    uint32_t elapsedMs = 0;   // since the export started
    int64_t remainingMs = -1; // -1: still estimating
    uint64_t bytes = 0;       // the file so far

    bool Estimating() const { return remainingMs < 0; }
    // 0..100, whole; 100 only once every frame is rendered.
    int32_t Percent() const;
    // The movie's own length done and in all, in seconds.
    double MovieSecondsDone() const;
    double MovieSecondsTotal() const;
};

class FProgressEstimator
{
public:
    FProgressEstimator(const std::vector<FScriptStep>& script, float framesPerSecond);

    // frame frames of the script are rendered elapsedMs after the start; calls come
    // in order.
    FExportProgress Next(int64_t frame, uint32_t elapsedMs);

    // No estimate, and no frame counted, before this much time and these frames
    // since the first frame.
    static constexpr uint32_t kWarmUpMs = 1500;
    static constexpr int64_t kWarmUpFrames = 5;

private:
    // Page turns (the sheets too) and the camera's steps.
    static constexpr size_t kKinds = 2;
    // How many frames of the mean of all a kind's own mean starts with.
    static constexpr double kPriorFrames = 50;
    // A frame counts as at most this many times its kind's mean so far.
    static constexpr double kLongestFrame = 8;
    using PerKind = std::array<int64_t, kKinds>;
    // Frames of each kind from frame on (the first frame is 0).
    PerKind FramesFrom(int64_t frame);

    struct FSpan
    {
        int64_t end; // the frame after the step's last
        size_t kind;
    };
    std::vector<FSpan> spans_;
    std::vector<PerKind> after_; // frames of each kind in the steps after span i
    size_t span_ = 0;            // where the last frame fell
    int64_t total_ = 0;
    float framesPerSecond_;
    bool anchored_ = false;
    int64_t anchorFrame_ = 0, lastFrame_ = 0;
    uint32_t anchorMs_ = 0, lastMs_ = 0;
    std::array<double, kKinds> spentMs_{};
    PerKind counted_{};
};

// "0:42", "6:48", "1:02:03"; whole seconds, rounded down.
FString FormatClock(double seconds);

// One line for a terminal or a log: "42% frame 130 of 310, elapsed 0:12, remaining 0:15".
FString ExportProgressLine(const FExportProgress& progress);

// One JSON object, no line break: {"frame":N,"total":T,"elapsed":s,"remaining":s|null,"bytes":B}.
FString ExportProgressJson(const FExportProgress& progress);
