#pragma once
// How far an export has come and how long it still needs, as the viewer's progress
// window and the headless exporter show it. The estimate comes from the frames'
// recent throughput, smoothed, so one slow frame (a photo decoded late, a busy
// machine) does not make the figure jump, and the start-up before the first frame
// (textures loaded, the file opened) does not count against the rate.

#include "base/FString.h"

#include <cstdint>

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
    FProgressEstimator(int64_t total, float framesPerSecond) : total_(total), framesPerSecond_(framesPerSecond) {}

    // frame frames are rendered elapsedMs after the start; calls come in order.
    FExportProgress Next(int64_t frame, uint32_t elapsedMs);

    // No estimate before this much time and these frames since the first frame.
    static constexpr uint32_t kWarmUpMs = 1500;
    static constexpr int64_t kWarmUpFrames = 5;
    // The rate is sampled at most this often ...
    static constexpr uint32_t kSampleMs = 250;
    // ... and smoothed over half the time so far, within these bounds: short
    // exports follow a change quickly, long ones stay calm.
    static constexpr uint32_t kMinSmoothingMs = 3000;
    static constexpr uint32_t kMaxSmoothingMs = 60000;

private:
    int64_t total_;
    float framesPerSecond_;
    bool anchored_ = false;
    int64_t anchorFrame_ = 0, sampleFrame_ = 0;
    uint32_t anchorMs_ = 0, sampleMs_ = 0;
    double rate_ = 0; // frames per millisecond; 0 until warmed up
};

// "0:42", "6:48", "1:02:03"; whole seconds, rounded down.
FString FormatClock(double seconds);

// One line for a terminal or a log: "42% frame 130 of 310, elapsed 0:12, remaining 0:15".
FString ExportProgressLine(const FExportProgress& progress);

// One JSON object, no line break: {"frame":N,"total":T,"elapsed":s,"remaining":s|null,"bytes":B}.
FString ExportProgressJson(const FExportProgress& progress);
